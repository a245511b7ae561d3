#include "accountgridmodel.h"

int AccountGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AccountGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : AccountGrid::ColumnCount;
}

QVariant AccountGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const AccountGrid::Row& row = m_rows.at(index.row());
    return index.column() == AccountGrid::IdColumn ? QVariant(row.id) : QVariant(row.cells.at(index.column()));
}

QVariant AccountGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= AccountGrid::ColumnCount)
        return {};
    return AccountGrid::columns().at(section).caption;
}

void AccountGridModel::reload()
{
    QList<AccountGrid::Row> rows = AccountGrid::load();
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int AccountGridModel::rowOf(qint64 id) const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).id == id)
            return i;
    return -1;
}
