#include "accountinfotexts.h"

#include "glaccount.h"
#include "recreportcommon.h"
#include "referencelists.h"

namespace AccountInfoTexts {

QString normalBalance(const GLAccount& account)
{
    return account.getAccountType().isCredit() ? QStringLiteral("Credit") : QStringLiteral("Debit");
}

QString yesNo(const QString& flag)
{
    return flag.toUpper() == QStringLiteral("YES") ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString erpNumber(const GLAccount& account)
{
    const ERPNumber& erp = account.getERPNumber();
    const QString text = QLatin1Char(' ') + erp.getERPNumber() + QStringLiteral("  ") + erp.getERPNumberDesc();
    return text == QStringLiteral(" N  Null") ? QStringLiteral("None") : text;
}

QString description(const GLAccount& account)
{
    const QString& text = account.getComment();
    return text.trimmed().isEmpty() ? RecReportCommon::NoDescription : text;
}

QString policy(const GLAccount& account)
{
    const QString& text = account.getPolicy();
    return text.trimmed().isEmpty() ? RecReportCommon::NoPolicy : text;
}

QString helpfulTips(const GLAccount& account)
{
    GLAccountClassification classification;
    classification.Load(account.getAccountType().getCode(), account.getRecType().getCode());
    return classification.getHelp();
}

} // namespace AccountInfoTexts
