#pragma once

#include "accountselection.h"

#include <QAbstractTableModel>

// A column of an account-selection grid: what it shows and how it looks and sorts.
struct SelectionColumn
{
    enum class Field { Id, Number, Name, Balance, Status, RequiredAdjustments, Unresolved, UnidentifiedDifference, Zero };
    // The grid's comparison kinds, as the shared sort state records them.
    static constexpr int NumberKind = 3;
    static constexpr int TextKind = 9;
    static constexpr int StartKind = 6; // the start value; goes only with the number column

    QString caption;
    Field field = Field::Id;
    int widthTwips = 0;
    bool visible = true;
    int sortKind = 0; // 0: a click on its heading does not sort

    bool isMoney() const;
};

// The rows of an account-selection grid under the variant's columns.
class AccountSelectionModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit AccountSelectionModel(QList<SelectionColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const QList<SelectionColumn>& columns() const { return m_columns; }
    void setRows(QList<AccountSelectionRow> rows);
    const AccountSelectionRow& rowAt(int row) const { return m_rows.at(row); }
    // The grid row of the account, or -1.
    int rowOfAccount(qint64 id) const;
    // The cell as the grid shows it (and the export writes it).
    QString text(int row, int column) const;
    // The texts of the column's widest amounts (none for a column without amounts), found from
    // the numbers: formatting every amount of a long list to measure it costs more than loading it.
    QStringList widestTexts(int column) const;

    // Sorts every row by the column, keeping the order of equal rows. Text compares without
    // regard to case, numbers as numbers with empty cells first; "Status" has "Name" ascending as
    // second key.
    void sortBy(int column, bool descending);

private:
    QList<SelectionColumn> m_columns;
    QList<AccountSelectionRow> m_rows;
};
