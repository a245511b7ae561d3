#include "subledgerrecdialog.h"

SubledgerRecDialog::SubledgerRecDialog(QWidget* parent)
    : TwoLevelRecDialog({QStringLiteral("SubledgerRecDialog"), QStringLiteral("Subledger Match Reconciliation"),
                         QStringLiteral("S"), QStringLiteral("Label2"), QStringLiteral("Reconciling Items:"),
                         QStringLiteral("Label5"), QStringLiteral("btnPrint")},
                        TwoLevelRecReport::Kind::Subledger, parent)
{
    addTargetAmountBox(QStringLiteral("&Balance Per Subledger:"));
}
