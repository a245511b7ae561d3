#include "celleditdelegate.h"

#include <QLineEdit>
#include <QMetaProperty>

QWidget* CellEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    m_editor = editor;
    return editor;
}

void CellEditDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor == m_editor)
        m_editor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void CellEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    // As the base class hands the value over, but keeping whether the model took it.
    const QByteArray property = editor->metaObject()->userProperty().name();
    m_accepted = property.isEmpty() || model->setData(index, editor->property(property.constData()), Qt::EditRole);
}

bool CellEditDelegate::commitOpenEditor()
{
    QWidget* editor = m_editor;
    if (!editor || editor->isHidden()) // none, or closed and waiting to be deleted
        return true;
    m_accepted = true;
    emit commitData(editor);
    if (!m_accepted) {
        editor->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->selectAll();
        return false;
    }
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}
