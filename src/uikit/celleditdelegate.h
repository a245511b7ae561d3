#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

// A grid's item delegate that knows the cell editor it has open, so that OK, Save or Import can
// finish the edit in progress first: a mnemonic presses a button without moving the focus, and
// the text typed in the cell would otherwise be lost.
class CellEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Hands the open editor's value to the model and closes the editor. When the model refuses
    // the value the editor stays open with its text selected, and the result is false. True when
    // no editor is open.
    bool commitOpenEditor();

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    mutable QPointer<QWidget> m_editor;
    mutable bool m_accepted = true;
};
