#pragma once

#include "accountselectionmodel.h"

#include <QDialog>
#include <memory>

class DateBox;
class GLAccount;
class QButtonGroup;
class QTableView;

// The account-selection dialog both reconciliation commands open: a date, two filters and a
// sortable grid of the accounts that pass them. The filters (settings) and the sort (the shared
// grid sort state) carry over between the two variants; each variant gives its caption, columns
// and whether the grid shows the reconciliation figures.
class RecSelectDialogBase : public QDialog
{
    Q_OBJECT
public:
    struct Variant
    {
        QString objectName;
        QString caption;
        QList<SelectionColumn> columns;
        bool withFigures = false;
    };

    ~RecSelectDialogBase() override;

    bool isApproved() const { return m_approved; }
    void setApproved(bool approved) { m_approved = approved; }
    // A new account loaded with the id of the grid's current row; raises DeletedMeanwhile, naming
    // who deleted it and when, for an account deleted since the grid was read.
    std::shared_ptr<GLAccount> getSelectedGLAccount() const;
    // "mm/dd/yyyy", or "" while the date box holds no date.
    QString getSelectedDate() const { return m_selectedDate; }

    // Reads the accounts for the date and filters again, keeping the chosen account current.
    void LoadGLAccountDBGridView();
    // A click on the heading of a column: sorts by it, each click the other way.
    void sortGrid(int column);
    // Writes the grid, as shown, to a tab-separated file the user names.
    void exportGrid();

    // The grid's settings, shared by the two variants.
    static QString settingsKey() { return QStringLiteral("Software\\Corvantis\\RecSelectDialog"); }

protected:
    explicit RecSelectDialogBase(Variant variant, QWidget* parent = nullptr);
    void showEvent(QShowEvent* event) override;

private:
    void confirm();
    void confirmSelection();
    void applyRememberedSort();
    void selectAccount(qint64 id);
    qint64 currentAccountId() const;
    static int readIndex(const QString& valueName);
    static int readSize(const QString& valueName);

    Variant m_variant;
    AccountSelectionModel* m_model;
    QTableView* m_grid;
    DateBox* m_date;
    QButtonGroup* m_activeGroup;
    QButtonGroup* m_keyGroup;
    QString m_selectedDate;
    QString m_loadedDate; // the date of the rows on screen
    bool m_approved = false;
    bool m_placed = false;
};
