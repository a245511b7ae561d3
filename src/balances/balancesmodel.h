#pragma once

#include <QAbstractTableModel>

class GLAccountBalanceList;

// The balances editor's grid: one row per balance of the list, "Number", "Name" and "DR(CR)".
// Cells are read from the balances themselves, so the grid always shows what OK will store.
class BalancesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NumberColumn, NameColumn, AmountColumn, ColumnCount };

    explicit BalancesModel(GLAccountBalanceList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Only "DR(CR)" takes a value: an amount (blank is 0), kept to whole cents. A text that is no
    // amount is refused and reported by amountRefused.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Every row read again from the balances (after an import).
    void refresh();

signals:
    void amountRefused(const QString& text);
    void totalChanged();

private:
    GLAccountBalanceList& m_list;
};
