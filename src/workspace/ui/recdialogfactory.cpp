#include "recdialogfactory.h"

#include "apperror.h"
#include "bankrecdialog.h"
#include "calcbalrecdialog.h"
#include "glaccount.h"
#include "listrecdialog.h"
#include "prepaidrecdialog.h"
#include "subledgerrecdialog.h"

#include <QHash>
#include <functional>

namespace {

using Creator = std::function<std::unique_ptr<RecDialogFrame>(QWidget*)>;

template <typename Dialog>
std::unique_ptr<RecDialogFrame> make(QWidget* parent)
{
    return std::make_unique<Dialog>(parent);
}

// Every kind of reconciliation with a dialog, by its code.
const QHash<QString, Creator>& dialogs()
{
    static const QHash<QString, Creator> all{
        {QStringLiteral("S"), make<SubledgerRecDialog>},
        {QStringLiteral("H"), make<CalcBalRecDialog>},
        {QStringLiteral("L"), make<ListRecDialog>},
        {QStringLiteral("C"), make<BankRecDialog>},
        {QStringLiteral("A"), make<PrepaidRecDialog>},
    };
    return all;
}

} // namespace

std::unique_ptr<RecDialogFrame> RecDialogFactory::create(GLAccount& account, QString& recDate, QWidget* parent) const
{
    const QString code = account.getRecType().getCode();
    const auto found = dialogs().constFind(code);
    if (found == dialogs().constEnd())
        throw unexpectedCode(code);
    std::unique_ptr<RecDialogFrame> dialog = (*found)(parent);
    dialog->initialize(account, recDate);
    return dialog;
}

AppError RecDialogFactory::unexpectedCode(const QString& recTypeCode)
{
    return AppError(AppError::ObjectError1001, QStringLiteral("RecDialogFactory"),
                    QStringLiteral("Not expecting a '") + recTypeCode + QStringLiteral("' code in the create() method"));
}
