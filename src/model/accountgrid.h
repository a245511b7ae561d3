#pragma once

#include <QList>
#include <QString>
#include <array>

// The chart of accounts as the administration grid shows it: codes as stored, one row per
// account in number order, read with one query on the active main database.
namespace AccountGrid {

inline constexpr int ColumnCount = 10;
inline constexpr int IdColumn = 9; // hidden: the account's key

struct Column
{
    QString caption;
    int defaultWidthTwips;
};
const std::array<Column, ColumnCount>& columns();

struct Row
{
    qint64 id = 0;
    std::array<QString, ColumnCount - 1> cells; // Number .. ERP Account
};

QList<Row> load();

} // namespace AccountGrid
