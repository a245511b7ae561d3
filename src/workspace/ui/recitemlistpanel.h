#pragma once

#include "arcurrency.h"
#include "reconcilingitemlist.h"

#include <QDialog>
#include <QWidget>
#include <functional>

class CompoundDialogTitlePanel;
class GLAccount;
class QHBoxLayout;
class QLabel;
class QTreeWidget;
class RecItemListPanel;

// Runs a modal dialog; hosts and tests replace it (tests answer the dialog instead of a person).
using DialogRunner = std::function<int(QDialog&)>;

// The reconciling items of one account open at the reconciliation date, with New, Edit and
// Delete through the item dialog. An item is stored by its dialog and deleted here at once; the
// panel then reloads its list from the database and raises TotalAmountChanged.
class RecItemListPanel : public QWidget
{
    Q_OBJECT
public:
    explicit RecItemListPanel(QWidget* parent = nullptr);

    // Which of the account's items the list holds: those of the item type New creates, or every
    // item whatever its type (a reconciliation counts them all, as the review grid does).
    enum class Listed { ItemType, EveryType };

    // Keeps the host's list, the item type, the account and the date, and shows the list as it
    // was handed over (no load, no event); a reload after New, Edit or Delete loads the items of
    // the type. The list and account stay the host's.
    void intitalize(ReconcilingItemList& items, const QString& typeCode, const GLAccount& account,
                    const QString& date);
    // The same, loading the host's list first; every reload loads the same items again.
    void load(ReconcilingItemList& items, const QString& typeCode, const GLAccount& account, const QString& date,
              Listed listed);

    // The list itself, as the reports take it.
    ReconcilingItemList& getItems();
    ARCurrency getTotalAmount() const;

    // Each does nothing when no row is selected; errors go to the caller.
    void editRecItem();
    void newRecItem();
    void deleteRecItem();

    // The New, Edit and Delete buttons of a host (cmdNew, cmdEdit, cmdDelete), in a row the host
    // places: each commits the field being edited, then runs on this panel; an error is shown
    // and the host stays as it was.
    QHBoxLayout* addItemButtons(QWidget* host);

    QTreeWidget* listView() const { return m_lvwItemList; }
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

Q_SIGNALS:
    void TotalAmountChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ReconcilingItemList::Item selectedItem() const;
    void editItem(const ReconcilingItemList::Item& item);
    void keep(ReconcilingItemList& items, const QString& typeCode, const GLAccount& account, const QString& date,
              Listed listed);
    void loadItems();
    void reload();
    void fill();
    void setCommentWidth();

    ReconcilingItemList* m_items = nullptr;
    ReconcilingItemList m_none;
    QString m_typeCode;
    Listed m_listed = Listed::ItemType;
    const GLAccount* m_account = nullptr;
    QString m_date;
    QTreeWidget* m_lvwItemList;
    DialogRunner m_runDialog;
};

// The items of one type with their total, around the same panel; every change is stored at
// once, so the dialog only has Done.
class RecItemListDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RecItemListDialog(QWidget* parent = nullptr);
    void initialize(ReconcilingItemList& items, const QString& typeCode, const GLAccount& account,
                    const QString& date);
    RecItemListPanel* panel() const { return m_recItemListPanel; }

private:
    void showTotal();

    CompoundDialogTitlePanel* m_titlePanel;
    RecItemListPanel* m_recItemListPanel;
    QLabel* m_lblTotalAmount;
};
