#pragma once

#include "recdialogframe.h"

class QPlainTextEdit;

// The reconciliation of an account whose balance a calculation explains ("H"): the calculated
// balance (the target amount) with its basis of calculation, and the reconciling items for what
// the calculation leaves.
class CalcBalRecDialog : public TwoLevelRecDialog
{
    Q_OBJECT
public:
    explicit CalcBalRecDialog(QWidget* parent = nullptr);

    static constexpr int BasisLimit = 1000; // characters the user may type or paste

    QPlainTextEdit* basisBox() const { return m_txtbasisofCal; }

protected:
    void fillKindFields() override;

private:
    QPlainTextEdit* m_txtbasisofCal;
};
