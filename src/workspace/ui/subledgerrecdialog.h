#pragma once

#include "recdialogframe.h"

// The reconciliation of a subledger account ("S"): the balance per subledger (the target amount)
// and the reconciling items explain the general-ledger balance.
class SubledgerRecDialog : public TwoLevelRecDialog
{
    Q_OBJECT
public:
    explicit SubledgerRecDialog(QWidget* parent = nullptr);
};
