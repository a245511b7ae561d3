#include "listrecdialog.h"

ListRecDialog::ListRecDialog(QWidget* parent)
    : TwoLevelRecDialog({QStringLiteral("ListRecDialog"), QStringLiteral("List Reconciliation"), QStringLiteral("L"),
                         QStringLiteral("Label2"), QStringLiteral("Items:"), QStringLiteral("Label1"),
                         QStringLiteral("btnCmdReportPrint")},
                        TwoLevelRecReport::Kind::List, parent)
{
}
