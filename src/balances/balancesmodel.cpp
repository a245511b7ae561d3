#include "balancesmodel.h"

#include "arcurrency.h"
#include "glaccount.h"
#include "glaccountbalancelist.h"

BalancesModel::BalancesModel(GLAccountBalanceList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
}

int BalancesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.count());
}

int BalancesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BalancesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    auto& balance = m_list.getGLAccountBalanceAt(index.row() + 1);
    if (role == Qt::TextAlignmentRole)
        return index.column() == AmountColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case NumberColumn: return balance.getGLAccount()->getNumber();
    case NameColumn: return balance.getGLAccount()->getName();
    case AmountColumn: return role == Qt::DisplayRole ? ARCurrency::localeDisplay(balance.getAdjustedAmount().units())
                                              : balance.getAdjustedAmount().toLocaleString(false);
    default: return {};
    }
}

QVariant BalancesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole && section == AmountColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NumberColumn: return QStringLiteral("Number");
    case NameColumn: return QStringLiteral("Name");
    case AmountColumn: return QStringLiteral("DR(CR)");
    default: return {};
    }
}

Qt::ItemFlags BalancesModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == AmountColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

bool BalancesModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != AmountColumn || role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    const auto amount = ARCurrency::fromTypedText(text);
    if (!amount) {
        emit amountRefused(text);
        return false;
    }
    m_list.getGLAccountBalanceAt(index.row() + 1).getAmount() = *amount;
    emit dataChanged(index, index);
    emit totalChanged();
    return true;
}

void BalancesModel::refresh()
{
    beginResetModel();
    endResetModel();
    emit totalChanged();
}
