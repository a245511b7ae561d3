#include "recselectdialog.h"

using Field = SelectionColumn::Field;

QList<SelectionColumn> RecSelectDialog::gridColumns()
{
    constexpr int number = SelectionColumn::NumberKind;
    constexpr int text = SelectionColumn::TextKind;
    return {
        {QStringLiteral("ID"), Field::Id, 0, false, 0},
        {QStringLiteral("Number"), Field::Number, 1250, true, SelectionColumn::StartKind},
        {QStringLiteral("Name"), Field::Name, 4310, true, text},
        {QStringLiteral("Balance"), Field::Balance, 1350, true, number},
        {QStringLiteral("Status"), Field::Status, 1000, true, text},
        {QStringLiteral("Req Adj"), Field::RequiredAdjustments, 1350, true, number},
        {QStringLiteral("Unres"), Field::Unresolved, 1350, true, number},
        {QStringLiteral("Unident Diff"), Field::UnidentifiedDifference, 1350, true, number},
    };
}

RecSelectDialog::RecSelectDialog(QWidget* parent)
    : RecSelectDialogBase({QStringLiteral("RecSelectDialog"), QStringLiteral("Reconciliation Review Table"),
                           gridColumns(), true},
                          parent)
{
}

QList<SelectionColumn> RecSelectDialogSimple::gridColumns()
{
    // Columns 5 and 6 hold the places of the review grid's figures, hidden and never sorted.
    return {
        {QStringLiteral("ID"), Field::Id, 0, false, 0},
        {QStringLiteral("Number"), Field::Number, 1250, true, SelectionColumn::StartKind},
        {QStringLiteral("Name"), Field::Name, 4550, true, SelectionColumn::TextKind},
        {QStringLiteral("Balance"), Field::Balance, 1350, true, SelectionColumn::NumberKind},
        {QStringLiteral("Status"), Field::Status, 1000, true, SelectionColumn::TextKind},
        {QStringLiteral("Unident Diff"), Field::Zero, 2000, false, 0},
        {QStringLiteral("Req Adj"), Field::Zero, 2000, false, 0},
    };
}

RecSelectDialogSimple::RecSelectDialogSimple(QWidget* parent)
    : RecSelectDialogBase({QStringLiteral("RecSelectDialogSimple"), QStringLiteral("Prepare Reconciliation"),
                           gridColumns(), false},
                          parent)
{
}
