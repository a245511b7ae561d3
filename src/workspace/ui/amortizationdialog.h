#pragma once

#include <QDialog>

class AmortizableItem;
class AmortizationTable;
class CellEditDelegate;
class CompoundDialogTitlePanel;
class QCheckBox;
class QLabel;
class QTableView;

// The monthly amounts of one prepaid item: its schedule as a grid of period-end dates and amounts
// (the dates editable once "Edit Period End Dates" is ticked) and what remains to be amortized.
// Save & Exit closes only when nothing remains; Cancel, Esc and the close box put every period
// back as it was when the dialog opened. The schedule is stored with its item, never here.
class AmortizationDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AmortizationDialog(QWidget* parent = nullptr);
    ~AmortizationDialog() override;

    // Makes the equal-monthly schedule when the item has none (errors go to the caller), shows it
    // and opens the schedule's own edit.
    void initialize(AmortizableItem& item);

    QTableView* grid() const { return m_grd; }

public Q_SLOTS:
    void reject() override;

private:
    void save();
    void showNonAmortizedAmount();

    AmortizableItem* m_item = nullptr;
    AmortizationTable* m_table = nullptr;
    CompoundDialogTitlePanel* m_titlePanel;
    QLabel* m_lblAmortizableItemAmount;
    QTableView* m_grd;
    CellEditDelegate* m_cells;
    QCheckBox* m_chkEditPeriodEndDates;
    QLabel* m_lblNonAmortizedAmount;
};
