#pragma once

#include "accountgrid.h"

#include <QAbstractTableModel>

// The rows of the administration grid of accounts, under the grid's ten columns.
class AccountGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Reads every account again, in one query.
    void reload();
    qint64 idAt(int row) const { return m_rows.at(row).id; }
    // The grid row of the account, or -1.
    int rowOf(qint64 id) const;

private:
    QList<AccountGrid::Row> m_rows;
};
