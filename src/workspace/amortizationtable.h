#pragma once

#include <QAbstractTableModel>

class AmortizableItem;

// The monthly schedule of one prepaid item as a grid: one row per period in schedule order, the
// period-end date in column 0 and the amount in column 1. Amounts are always editable, dates only
// once period-end editing is switched on. An edit goes straight into the item's schedule; a text
// that is no amount, or no date, is refused and the period keeps what it held.
class AmortizationTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { PeriodColumn = 0, AmountColumn = 1 };

    explicit AmortizationTable(AmortizableItem& item, QObject* parent = nullptr);

    void setPeriodEditing(bool on) { m_editPeriods = on; }
    bool periodEditing() const { return m_editPeriods; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Shows the schedule again after it was restored.
    void reload();

Q_SIGNALS:
    // A period's amount or date changed: what remains to be amortized is to be shown again.
    void scheduleChanged();
    // A typed text was refused; the message says why.
    void refused(const QString& message);

private:
    AmortizableItem& m_item;
    bool m_editPeriods = false;
};
