#pragma once

#include "glaccountbalancelist.h"

#include <QDialog>
#include <functional>

class BalancesModel;
class CellEditDelegate;
class CompoundDialogTitlePanel;
class QLabel;
class QTableView;

// The period-end balances editor: every account's balance at one month-end, typed into the grid
// or imported from a file, stored all at once by OK. Nothing is written before OK.
class PeriodEndBalancesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PeriodEndBalancesDialog(QWidget* parent = nullptr);
    ~PeriodEndBalancesDialog() override;

    // Loads every account's balance at the date ("mm/dd/yyyy") into the grid. Called once.
    void initialize(const QString& date);

    // The footer's total of all balances, "#,##0.00;(#,##0.00)", or the words for a total too large
    // for the money type.
    QString updateTotal() const;

    // Shows a modal dialog; tests replace it to answer the import dialog instead of a person.
    void setDialogRunner(std::function<int(QDialog&)> runner) { m_runDialog = std::move(runner); }

    // Imports the file's balances into the grid and reports what was imported and refused.
    void importBalances(const QString& path);

    void accept() override;
    void reject() override;

private:
    // Shows the total in the footer, whole, its digits under the column's digits.
    void showTotal();
    void showImportDialog();
    static void showImportError(const QString& message);
    // Ends the edit of the cell being typed in; false when its text was refused.
    bool commitPendingEdit();

    GLAccountBalanceList m_list;
    QString m_date;
    BalancesModel* m_model = nullptr;
    CompoundDialogTitlePanel* m_title;
    QTableView* m_grid;
    CellEditDelegate* m_cells = nullptr; // the amount column's, once the grid is loaded
    QLabel* m_total;
    std::function<int(QDialog&)> m_runDialog;
};
