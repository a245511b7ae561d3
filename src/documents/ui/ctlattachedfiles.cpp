#include "ctlattachedfiles.h"

#include "attachdocument.h"
#include "dialogbehaviour.h"
#include "documentfetch.h"
#include "documentfiles.h"
#include "filechooser.h"
#include "gridview.h"
#include "modutility.h"
#include "msgboxutil.h"
#include "prompter.h"
#include "shellopener.h"
#include "waitcursor.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using DialogBehaviour::named;

AttachedFilesControl::AttachedFilesControl(QWidget* parent, const Columns& columns)
    : QWidget(parent), m_columns(columns)
{
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    m_runDialog = [](QDialog& d) { return d.exec(); };
    auto* heading = named<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("Supporting Documents:"));
    m_lvwItemList = named<QTreeWidget>(this, QStringLiteral("lvwItemList"));
    m_lvwItemList->setRootIsDecorated(false);
    m_lvwItemList->setUniformRowHeights(true);
    m_lvwItemList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwItemList->setAllColumnsShowFocus(true);
    m_btnAdd = named<QPushButton>(this, QStringLiteral("btnAdd"), QStringLiteral("New"));
    m_btnEdit = named<QPushButton>(this, QStringLiteral("btnEdit"), QStringLiteral("Edit"));
    m_btnDelete = named<QPushButton>(this, QStringLiteral("btnDelete"), QStringLiteral("Delete"));
    m_btnView = named<QPushButton>(this, QStringLiteral("btnView"), QStringLiteral("&View"));
    m_btnSaveFile = named<QPushButton>(this, QStringLiteral("btnSaveFile"), QStringLiteral("Save &As"));
    heading->setBuddy(m_lvwItemList);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_btnAdd, m_btnEdit, m_btnDelete, m_btnView, m_btnSaveFile}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(m_lvwItemList, 1);
    row->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading);
    layout->addLayout(row);

    const auto run = [this](void (AttachedFilesControl::*handler)()) {
        return [this, handler] { DialogBehaviour::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(m_btnAdd, &QPushButton::clicked, this, run(&AttachedFilesControl::onAdd));
    connect(m_btnEdit, &QPushButton::clicked, this, run(&AttachedFilesControl::onEdit));
    connect(m_btnDelete, &QPushButton::clicked, this, run(&AttachedFilesControl::onDelete));
    connect(m_btnView, &QPushButton::clicked, this, run(&AttachedFilesControl::onView));
    connect(m_lvwItemList, &QTreeWidget::itemDoubleClicked, this, run(&AttachedFilesControl::onView));
    connect(m_btnSaveFile, &QPushButton::clicked, this, run(&AttachedFilesControl::onSaveAs));
}

void AttachedFilesControl::setRecItemId(qint32 id)
{
    m_recItemId = id;
    m_list.setRecItemId(id);
}

void AttachedFilesControl::setAccountId(qint32 id, const QString& number)
{
    m_accountId = id;
    m_list.setAccountId(id, number);
}

void AttachedFilesControl::setItemType(qint32 kind)
{
    m_itemType = kind;
    m_list.setItemType(kind);
}

void AttachedFilesControl::intitalize()
{
    m_lvwItemList->setColumnCount(int(m_columns.captions.size()));
    m_lvwItemList->setHeaderLabels(m_columns.captions);
    for (int c = 0; c < m_columns.widths.size(); ++c) {
        m_lvwItemList->setColumnWidth(c, GridView::pixelsOfTwips(m_lvwItemList, m_columns.widths.at(c)));
        m_lvwItemList->setColumnHidden(c, m_columns.widths.at(c) == 0);
    }
    setButtons();
}

void AttachedFilesControl::loadListView()
{
    m_list.initialize();
    fillListView();
}

void AttachedFilesControl::SaveFiles(const std::function<void()>& ownerStore)
{
    QList<clsAttachedFile> changed;
    for (const clsAttachedFile& file : m_list.getFiles())
        if (file.getIsChanged())
            changed << file;
    {
        // A large file takes a moment.
        const WaitCursor wait;
        m_list.SaveFiles(ownerStore);
    }
    stored(changed);
}

void AttachedFilesControl::fillListView()
{
    m_lvwItemList->clear();
    for (const clsAttachedFile& file : m_list.getFiles())
        appendRow(rowTexts(file));
    if (m_lvwItemList->topLevelItemCount() > 0)
        m_lvwItemList->setCurrentItem(m_lvwItemList->topLevelItem(0));
    setButtons();
}

void AttachedFilesControl::appendRow(const QStringList& texts)
{
    auto* row = new QTreeWidgetItem(m_lvwItemList, texts);
    m_lvwItemList->setCurrentItem(row);
}

QString AttachedFilesControl::keyOf(const QTreeWidgetItem* row) const
{
    return row->text(m_columns.key);
}

void AttachedFilesControl::setButtons()
{
    const bool any = m_lvwItemList->topLevelItemCount() > 0;
    for (QPushButton* b : {m_btnDelete, m_btnView, m_btnSaveFile, m_btnEdit})
        b->setEnabled(any);
}

QTreeWidgetItem* AttachedFilesControl::selectedRow(const QString& emptyText) const
{
    if (m_lvwItemList->topLevelItemCount() == 0) {
        Prompter::show({}, emptyText);
        return nullptr;
    }
    const QList<QTreeWidgetItem*> selected = m_lvwItemList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void AttachedFilesControl::onAdd()
{
    addNew();
    setButtons();
}

void AttachedFilesControl::onEdit()
{
    if (QTreeWidgetItem* row = selectedRow(QStringLiteral("There is no file to edit.")))
        editSelected(row);
    setButtons();
}

void AttachedFilesControl::onDelete()
{
    QTreeWidgetItem* row = selectedRow(QStringLiteral("There is no file to delete."));
    if (!row)
        return;
    m_list.DeleteFile(keyOf(row));
    delete row;
    setButtons();
}

void AttachedFilesControl::onView()
{
    QTreeWidgetItem* row = selectedRow(QStringLiteral("There is no file to view."));
    if (!row)
        return;
    const QString path = DocumentFetch::locate(keyOf(row), row->text(m_columns.source));
    if (path.isEmpty()) {
        Prompter::show({}, QStringLiteral("The file is not available."));
        return;
    }
    ShellOpener::instance().open(path);
}

void AttachedFilesControl::onSaveAs()
{
    QTreeWidgetItem* row = selectedRow(QStringLiteral("There is no file to save."));
    if (!row)
        return;
    QString target = QDir::homePath() + QLatin1Char('/') + row->text(0);
    const QString chosen = FileChooser::instance().saveFile(QStringLiteral("Save the attached file as"),
                                                            target, QStringLiteral("All Files (*)|*|"));
    if (chosen.isEmpty())
        return; // cancelled
    if (chosen.size() >= 2)
        target = chosen;
    const QString source = DocumentFetch::locate(keyOf(row), row->text(m_columns.source));
    if (source.isEmpty()) {
        Prompter::show({}, QStringLiteral("The file is not saved to database yet."));
        return;
    }
    const QString refused = DocumentFiles::targetProblem(source, target);
    if (!refused.isEmpty()) {
        Prompter::show({}, refused);
        return;
    }
    if (QFileInfo::exists(target) &&
        Prompter::show(Prompter::applicationTitle(),
                       QStringLiteral("File '%1' already exists.  Do you want to replace it?")
                           .arg(QDir::toNativeSeparators(target)),
                       Prompter::Buttons::YesNo) != Prompter::Yes)
        return;
    DocumentFiles::copyWhole(source, target);
}

// ---------------------------------------------------------------------------------------------

ctlAttachedFiles::ctlAttachedFiles(QWidget* parent)
    : AttachedFilesControl(parent, {{QStringLiteral("File Name"), QStringLiteral("Description"),
                                     QStringLiteral("File GUID"), QStringLiteral("File Source")},
                                    {2500, 6150, 0, 0},
                                    2,
                                    3})
{
    setObjectName(QStringLiteral("ctlAttachedFiles"));
}

void ctlAttachedFiles::UpdateOpenCloseDates(const QString& openDate, const QString& closeDate)
{
    m_list.UpdateOpenCloseDates(openDate, closeDate);
}

QStringList ctlAttachedFiles::rowTexts(const clsAttachedFile& file) const
{
    return {file.getFileName(), file.getDocDesc(), file.getDocPath(), file.getFileSource()};
}

void ctlAttachedFiles::addNew()
{
    AttachDocument dialog(this);
    m_runDialog(dialog);
    if (dialog.Cancelled())
        return;
    m_list.AddFile(dialog.AttachDocFile(), dialog.AttachDocDesc(), dialog.FileSource(), {}, {});
    appendRow(rowTexts(m_list.getFiles().last()));
}

void ctlAttachedFiles::editSelected(QTreeWidgetItem* row)
{
    AttachDocument dialog(this);
    dialog.InitializEdit(row->text(1));
    m_runDialog(dialog);
    if (dialog.Cancelled())
        return;
    m_list.EditFile(keyOf(row), dialog.AttachDocDesc(), {}, {});
    row->setText(1, dialog.AttachDocDesc());
}

// ---------------------------------------------------------------------------------------------

ctlAttachedFiles1::ctlAttachedFiles1(QWidget* parent)
    : AttachedFilesControl(
          parent, {{QStringLiteral("File Name"), QStringLiteral("Description"), QStringLiteral("Open Date"),
                    QStringLiteral("Close Date"), QStringLiteral("File GUID"), QStringLiteral("File Source")},
                   {2500, 5600, 1200, 1200, 0, 0},
                   4,
                   5})
{
    setObjectName(QStringLiteral("ctlAttachedFiles1"));
}

void ctlAttachedFiles1::setDocCheckDate(const QString& date)
{
    m_docCheckDate = date;
    m_list.setDocCheckDate(date);
}

QStringList ctlAttachedFiles1::rowTexts(const clsAttachedFile& file) const
{
    return {file.getFileName(),  file.getDocDesc(), file.getOpenDate(),
            file.getCloseDate(), file.getDocPath(), file.getFileSource()};
}

void ctlAttachedFiles1::addNew()
{
    AttachDocument1 dialog(this);
    dialog.setOpenDateValue(m_docCheckDate);
    dialog.setCloseDateValue({});
    dialog.setDocCheckDate(m_docCheckDate);
    m_runDialog(dialog);
    if (dialog.Cancelled())
        return;
    m_list.AddFile(dialog.AttachDocFile(), dialog.AttachDocDesc(), dialog.FileSource(),
                   dialog.openDateValue(), dialog.closeDateValue());
    appendRow(rowTexts(m_list.getFiles().last()));
}

void ctlAttachedFiles1::stored(const QList<clsAttachedFile>& files)
{
    QStringList texts;
    for (const clsAttachedFile& file : files)
        texts << MsgBoxUtil::listedLaterText(QStringLiteral("document \"%1\"").arg(file.getFileName()),
                                             file.getOpenDate(), m_docCheckDate);
    MsgBoxUtil::displayListedLaterNotice(texts);
}

void ctlAttachedFiles1::editSelected(QTreeWidgetItem* row)
{
    AttachDocument1 dialog(this);
    if (!row->text(3).isEmpty())
        dialog.setCloseDateTicked(true);
    dialog.setDocCheckDate(m_docCheckDate);
    dialog.InitializEdit(row->text(2), row->text(3), row->text(1));
    m_runDialog(dialog);
    if (dialog.Cancelled())
        return;
    const QString open = dialog.openDateValue();
    const QString close = dialog.closeDateValue();
    m_list.EditFile(keyOf(row), dialog.AttachDocDesc(), open, close);
    row->setText(1, dialog.AttachDocDesc());
    row->setText(2, open);
    row->setText(3, close);
}
