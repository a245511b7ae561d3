#include "accountselectionmodel.h"

#include "arcurrency.h"

#include <algorithm>

namespace {

using Field = SelectionColumn::Field;

std::optional<ARCurrencySum> sumOf(qint64 units)
{
    return ARCurrencySum(ARCurrency::fromUnits(units));
}

// A cell's number, exact: a figure may lie past the money type. None for an empty cell.
std::optional<ARCurrencySum> numberOf(const AccountSelectionRow& r, Field field)
{
    switch (field) {
    case Field::Id: return sumOf(r.id);
    case Field::Balance: return r.balance ? sumOf(*r.balance) : std::nullopt;
    case Field::RequiredAdjustments: return r.requiredAdjustments;
    case Field::Unresolved: return r.unresolved;
    case Field::UnidentifiedDifference: return r.unidentifiedDifference;
    case Field::Zero: return sumOf(0);
    default: return std::nullopt;
    }
}

QString textOf(const AccountSelectionRow& r, Field field)
{
    switch (field) {
    case Field::Number: return r.number;
    case Field::Name: return r.name;
    case Field::Status: return r.status;
    case Field::Id: return QString::number(r.id);
    default: {
        const auto number = numberOf(r, field);
        return number ? number->display() : QString();
    }
    }
}

// -1, 0 or 1; an empty number sorts before every number.
int compareNumbers(const std::optional<ARCurrencySum>& a, const std::optional<ARCurrencySum>& b)
{
    if (a == b)
        return 0;
    if (!a)
        return -1;
    if (!b)
        return 1;
    return *a < *b ? -1 : 1;
}

} // namespace

bool SelectionColumn::isMoney() const
{
    return field == Field::Balance || field == Field::RequiredAdjustments || field == Field::Unresolved ||
           field == Field::UnidentifiedDifference || field == Field::Zero;
}

AccountSelectionModel::AccountSelectionModel(QList<SelectionColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{
}

int AccountSelectionModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AccountSelectionModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString AccountSelectionModel::text(int row, int column) const
{
    return textOf(m_rows.at(row), m_columns.at(column).field);
}

QStringList AccountSelectionModel::widestTexts(int column) const
{
    const Field field = m_columns.at(column).field;
    std::optional<qint64> least, greatest;
    bool tooLarge = false;
    for (const AccountSelectionRow& r : m_rows) {
        const auto number = numberOf(r, field);
        if (!number)
            continue;
        if (!number->fits()) {
            tooLarge = true;
            continue;
        }
        const qint64 units = number->value().units();
        least = std::min(least.value_or(units), units);
        greatest = std::max(greatest.value_or(units), units);
    }
    QStringList widest = least ? ARCurrency::widestDisplays(*least, *greatest) : QStringList();
    if (tooLarge)
        widest << ARCurrencySum::tooLargeText();
    return widest;
}

QVariant AccountSelectionModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const SelectionColumn& c = m_columns.at(index.column());
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        if (c.isMoney())
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (c.field == Field::Status)
            return QVariant(Qt::AlignCenter);
    }
    return {};
}

QVariant AccountSelectionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).caption;
    if (role == Qt::TextAlignmentRole && m_columns.at(section).isMoney())
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

void AccountSelectionModel::setRows(QList<AccountSelectionRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int AccountSelectionModel::rowOfAccount(qint64 id) const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).id == id)
            return i;
    return -1;
}

void AccountSelectionModel::sortBy(int column, bool descending)
{
    const SelectionColumn& c = m_columns.at(column);
    const bool asText = c.sortKind != SelectionColumn::NumberKind;
    const Field field = c.field;
    const auto compare = [&](const AccountSelectionRow& a, const AccountSelectionRow& b) {
        return asText ? QString::compare(textOf(a, field), textOf(b, field), Qt::CaseInsensitive)
                      : compareNumbers(numberOf(a, field), numberOf(b, field));
    };
    beginResetModel();
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const AccountSelectionRow& a, const AccountSelectionRow& b) {
        const int first = descending ? compare(b, a) : compare(a, b);
        if (first != 0 || field != Field::Status)
            return first < 0;
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    endResetModel();
}
