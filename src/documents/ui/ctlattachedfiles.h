#pragma once

#include "clsattachedfilelist.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QDialog;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The list of an owner's attached documents that a host dialog embeds, with New, Edit, Delete,
// View and Save As. The host sets the owner, calls intitalize and loadListView while it loads,
// and SaveFiles after its own data is stored; SaveFiles raises to the host, which stays open.
// Every button reports its failures itself and does nothing without a selected row.
class AttachedFilesControl : public QWidget
{
    Q_OBJECT
public:
    void intitalize();
    void loadListView();
    // With `ownerStore`, the host's own store runs in the same transaction, first: a refusal of
    // either stores nothing (see clsAttachedfileList::SaveFiles).
    void SaveFiles(const std::function<void()>& ownerStore = {});

    qint32 getRecItemId() const { return m_recItemId; }
    void setRecItemId(qint32 id);
    qint32 getAccountId() const { return m_accountId; }
    // `number` names the account when a save finds it deleted by another user.
    void setAccountId(qint32 id, const QString& number = {});
    qint32 getItemType() const { return m_itemType; }
    void setItemType(qint32 kind);

    const clsAttachedfileList& list() const { return m_list; }
    QTreeWidget* listView() const { return m_lvwItemList; }
    // Shows a modal dialog; tests replace it to answer the dialog instead of a person.
    void setDialogRunner(std::function<int(QDialog&)> runner) { m_runDialog = std::move(runner); }

protected:
    struct Columns
    {
        QStringList captions;
        QList<int> widths; // twips; 0 hides the column
        int key;           // the stored file name
        int source;        // the picked path
    };
    AttachedFilesControl(QWidget* parent, const Columns& columns);

    // New and Edit differ between the two lists.
    virtual void addNew() = 0;
    virtual void editSelected(QTreeWidgetItem* row) = 0;
    // The row's texts for an attachment, in column order.
    virtual QStringList rowTexts(const clsAttachedFile& file) const = 0;
    // Called once a store succeeded, with the attachments it wrote (added or edited).
    virtual void stored(const QList<clsAttachedFile>& /*files*/) {}

    clsAttachedfileList m_list;
    std::function<int(QDialog&)> m_runDialog;
    void appendRow(const QStringList& texts);
    QString keyOf(const QTreeWidgetItem* row) const;
    void setButtons();

private:
    void fillListView();
    // The selected row, or null (then the button does nothing); says `emptyText` for an empty list.
    QTreeWidgetItem* selectedRow(const QString& emptyText) const;
    void onAdd();
    void onEdit();
    void onDelete();
    void onView();
    void onSaveAs();

    Columns m_columns;
    QTreeWidget* m_lvwItemList;
    QPushButton* m_btnAdd;
    QPushButton* m_btnEdit;
    QPushButton* m_btnDelete;
    QPushButton* m_btnView;
    QPushButton* m_btnSaveFile;
    qint32 m_recItemId = 0;
    qint32 m_accountId = 0;
    qint32 m_itemType = 0;
};

// The attachments of one reconciling item (kind 1) or amortizable item (kind 0); they take their
// dates from the item.
class ctlAttachedFiles : public AttachedFilesControl
{
    Q_OBJECT
public:
    explicit ctlAttachedFiles(QWidget* parent = nullptr);
    void UpdateOpenCloseDates(const QString& openDate, const QString& closeDate);

protected:
    void addNew() override;
    void editSelected(QTreeWidgetItem* row) override;
    QStringList rowTexts(const clsAttachedFile& file) const override;
};

// The documents of an account (kind 2) valid at the reconciliation date, each with an open date
// and an optional close date.
class ctlAttachedFiles1 : public AttachedFilesControl
{
    Q_OBJECT
public:
    explicit ctlAttachedFiles1(QWidget* parent = nullptr);
    const QString& getDocCheckDate() const { return m_docCheckDate; }
    void setDocCheckDate(const QString& date);

protected:
    void addNew() override;
    void editSelected(QTreeWidgetItem* row) override;
    QStringList rowTexts(const clsAttachedFile& file) const override;
    // A document stored with an open date after the reconciliation date drops out of this list:
    // the user is told so, once for the store.
    void stored(const QList<clsAttachedFile>& files) override;

private:
    QString m_docCheckDate;
};
