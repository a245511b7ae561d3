#pragma once

#include "recselectdialogbase.h"

// "Reconciliation Review Table": every account with its balance, sign-off status and the figures
// of its reconciliation (required adjustments, unresolved items, unidentified difference).
class RecSelectDialog : public RecSelectDialogBase
{
    Q_OBJECT
public:
    explicit RecSelectDialog(QWidget* parent = nullptr);
    static QList<SelectionColumn> gridColumns();
};

// "Prepare Reconciliation": every account with its balance and sign-off status.
class RecSelectDialogSimple : public RecSelectDialogBase
{
    Q_OBJECT
public:
    explicit RecSelectDialogSimple(QWidget* parent = nullptr);
    static QList<SelectionColumn> gridColumns();
};
