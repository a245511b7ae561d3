#include "amortizationtable.h"

#include "amortizableitem.h"
#include "apperror.h"
#include "daterules.h"

AmortizationTable::AmortizationTable(AmortizableItem& item, QObject* parent)
    : QAbstractTableModel(parent), m_item(item)
{
}

int AmortizationTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_item.getAmortizationList().count());
}

int AmortizationTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant AmortizationTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Amortization& period = m_item.getAmortizationList().getAmortizationAt(index.row() + 1);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == AmountColumn ? Qt::AlignRight | Qt::AlignVCenter
                                                                  : Qt::AlignHCenter | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (index.column() == PeriodColumn)
        return period.getPeriod();
    return role == Qt::EditRole ? period.getAmount().toLocaleString(false)
                                : ARCurrency::localeDisplay(period.getAmount().units());
}

QVariant AmortizationTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == PeriodColumn ? QStringLiteral("Period End") : QStringLiteral("Amount");
}

Qt::ItemFlags AmortizationTable::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == AmountColumn || m_editPeriods)
        f |= Qt::ItemIsEditable;
    return f;
}

bool AmortizationTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount() ||
        !(flags(index) & Qt::ItemIsEditable))
        return false;
    Amortization& period = m_item.getAmortizationList().getAmortizationAt(index.row() + 1);
    const QString text = value.toString();
    if (index.column() == AmountColumn) {
        // A blank cell is nothing amortized that month; a text that is no amount keeps the
        // period's amount rather than turning it into 0.00.
        const auto amount = ARCurrency::fromTypedText(text);
        if (!amount) {
            Q_EMIT refused(ARCurrency::refusedEntryMessage(text));
            return false;
        }
        period.getAmount() = *amount;
    } else {
        // A period without a date would drop its amount from every balance: it keeps its date.
        const QString date = Global::formatDateString(text);
        if (date.isEmpty()) {
            Q_EMIT refused(
                QStringLiteral("Period End Date entered is invalid, Please enter a valid date in MMDDYYYY "
                               "format."));
            return false;
        }
        period.setPeriod(date);
    }
    Q_EMIT dataChanged(index, index);
    Q_EMIT scheduleChanged();
    return true;
}

void AmortizationTable::reload()
{
    beginResetModel();
    endResetModel();
    Q_EMIT scheduleChanged();
}
