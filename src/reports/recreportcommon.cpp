#include "recreportcommon.h"

#include "company.h"
#include "daterules.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "report.h"
#include "reportfonts.h"
#include "reportrecordset.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace RecReportCommon {

const QString NoComment = QStringLiteral("No comment has been entered for this reconciliation.");
const QString NoDescription = QStringLiteral("No description has been entered for this account.");
const QString NoPolicy = QStringLiteral("No policy has been entered for this account.");
const QString NotUsed = QStringLiteral("DO NOT USE - SEE BELOW");
const QString AsOfNotUsed = QStringLiteral("DO NOT USE");

namespace {

// The declaration pieces up to ReviewedDate, then those after it; a report's own fields go between.
const QStringList kPiecesToReviewed = {
    QStringLiteral("SHAPE APPEND NEW adVarChar(10) As GLAcctID,"),
    QStringLiteral(" NEW adLongVarWChar As Comment,"),
    QStringLiteral(" NEW adVarChar(20) As Amount,"),
    QStringLiteral(" NEW adVarChar(20) As TargetAmount,"),
    QStringLiteral(" NEW adVarChar(20) As UnidentifiedDifference,"),
    QStringLiteral(" NEW adVarChar(50) As PreparedBy,"),
    QStringLiteral(" NEW adVarChar(30) AS PreparedDate,"),
    QStringLiteral(" NEW adVarChar(50) As ApprovedBy,"),
    QStringLiteral(" NEW adVarChar(30) AS ApprovedDate,"),
    QStringLiteral(" NEW adVarChar(50) As ReviewedBy,"),
    QStringLiteral(" NEW adVarChar(30) AS ReviewedDate,"),
};
const QStringList kPiecesAfterReviewed = {
    QStringLiteral(" NEW adVarChar(100) As CompanyName,"),
    QStringLiteral(" NEW adVarChar(100) As Currency,"),
    QStringLiteral(" NEW adVarChar(100) As GLAcctFullName,"),
    QStringLiteral(" NEW adLongVarWChar As Description,"),
    QStringLiteral(" NEW adLongVarWChar As CompanyPolicy,"),
    QStringLiteral(" NEW adVarChar(30) As AsOfDate, "),
};

QString money(const ARCurrency& amount)
{
    return amount.toString(true);
}

} // namespace

TopLevel fromBalance(const GLAccountBalance& balance, const ARCurrency& explained)
{
    TopLevel t;
    const auto& account = balance.getGLAccount();
    if (account) {
        t.accountId = account->getID();
        t.description = account->getComment();
        t.policy = account->getPolicy();
    }
    t.comment = balance.getComment();
    t.amount = balance.amount();
    t.targetAmount = balance.targetAmount();
    t.difference = balance.getUnidentifiedDifference(explained);
    t.preparedBy = balance.getPreparedBy();
    t.preparedDate = balance.getPreparedByDate();
    t.approvedBy = balance.getApprovedBy();
    t.approvedDate = balance.getApprovedByDate();
    t.reviewedBy = balance.getReviewedBy();
    t.reviewedDate = balance.getReviewedByDate();
    return t;
}

QString topLevelShape(const QStringList& extraPieces)
{
    return (kPiecesToReviewed + extraPieces + kPiecesAfterReviewed).join(QString());
}

QStringList topLevelFieldNames(const QStringList& extraNames)
{
    return QStringList{QStringLiteral("GLAcctID"),
                       QStringLiteral("Comment"),
                       QStringLiteral("Amount"),
                       QStringLiteral("TargetAmount"),
                       QStringLiteral("UnidentifiedDifference"),
                       QStringLiteral("PreparedBy"),
                       QStringLiteral("PreparedDate"),
                       QStringLiteral("ApprovedBy"),
                       QStringLiteral("ApprovedDate"),
                       QStringLiteral("ReviewedBy"),
                       QStringLiteral("ReviewedDate")} +
           extraNames + QStringList{QStringLiteral("CompanyName"),    QStringLiteral("Currency"),
                                    QStringLiteral("GLAcctFullName"), QStringLiteral("Description"),
                                    QStringLiteral("CompanyPolicy"),  QStringLiteral("AsOfDate")};
}

QVariantList topLevelValues(const TopLevel& v)
{
    QVariantList values{v.accountId,         ReportValues::textOr(v.comment, v.commentFallback),
                        money(v.amount),     money(v.targetAmount),
                        money(v.difference), v.preparedBy,
                        v.preparedDate,      v.approvedBy,
                        v.approvedDate,      v.reviewedBy,
                        v.reviewedDate};
    values += v.extraValues;
    values += QVariantList{NotUsed,
                           NotUsed,
                           NotUsed,
                           ReportValues::textOr(v.description, NoDescription),
                           ReportValues::textOr(v.policy, NoPolicy),
                           AsOfNotUsed};
    return values;
}

std::shared_ptr<ReportRecordSet> openWithTopLevel(const QString& childShape, const TopLevel& values)
{
    auto records = ReportRecordSet::fromShape(topLevelShape(values.extraPieces) + childShape);
    records->addNew(topLevelFieldNames(values.extraNames), topLevelValues(values));
    return records;
}

void setPageLabels(Report& report, const GLAccount& account, const QString& date)
{
    const Company company;
    const QString fullName = account.getNumber() + QStringLiteral(" - ") + account.getName();
    const QString pageHeader = QStringLiteral("PageHeader");
    report.setCaption(pageHeader, QStringLiteral("lblCompanyName"), company.getName());
    report.setCaption(pageHeader, QStringLiteral("lblRptCurr"), company.getCurr());
    report.setCaption(pageHeader, QStringLiteral("lblGLAcctFullName"), fullName);
    const auto day = DateRules::fromText(date);
    report.setCaption(pageHeader, QStringLiteral("lblAsOfDate"), day ? ReportValues::asOf(*day) : QString());
    report.setCaption(QStringLiteral("PageFooter"), QStringLiteral("lblGLAcctFullNameInFooter"), fullName);
}

void addPageBands(ReportLayout& layout, const PageBands& bands)
{
    const ReportFont& small = Fonts::kSmall;
    ReportSection& ph = layout.setPageHeader(bands.headerHeight);
    ph.addLabel(QStringLiteral("lblCompanyName"), 0, 0, 9360, 435, QStringLiteral("CompanyName"),
                ReportFont::tahoma(12, ReportFont::Bold), ReportAlign::Center)
        .fitWithin(headingRoom(9360, bands.currencyCaptionLeft));
    ph.addLabel(QStringLiteral("lblGLAcctFullName"), 0, 288, 9360, 435, QStringLiteral("GLAcctFullName"),
                ReportFont::tahoma(14.25, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("lblAsOfDate"), 0, 660, 9360, 285, QStringLiteral("AsOfDate"),
                ReportFont::tahoma(9.75, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label20"), bands.currencyCaptionLeft, 15, bands.currencyCaptionWidth, 285,
                QStringLiteral("Currency:"), small);
    ph.addLabel(QStringLiteral("lblRptCurr"), bands.currencyLeft, 15, bands.currencyWidth, 285,
                bands.currencyCaption, small);

    ReportSection& pf = layout.setPageFooter(bands.footerHeight);
    pf.addLine(QStringLiteral("Line4"), 0, 144, bands.footerRule);
    pf.addLabel(bands.printDateName, 0, 200, bands.printDateWidth, 240, QStringLiteral("%d - %T"));
    pf.addLabel(QStringLiteral("Label15"), bands.pageNumberLeft, 200, 2595, 240,
                QStringLiteral("Page %p of %P"), ReportFont(), ReportAlign::Right);
    pf.addLabel(QStringLiteral("lblGLAcctFullNameInFooter"), 0, 200, 9360, 240,
                QStringLiteral("GLAcctFullNameInFooter"), ReportFont(), ReportAlign::Center);
}

int headingRoom(int width, int besideLeft)
{
    return 2 * (besideLeft - AmountColumn::Gap) - width;
}

QString widestAmount()
{
    return ARCurrency::fromUnits(-std::numeric_limits<qint64>::max()).toString(true);
}

QString widestOf(const QList<ARCurrency>& amounts, const ReportFont& font)
{
    if (amounts.isEmpty())
        return ARCurrency().toString(true);
    const auto [least, greatest] =
        std::minmax_element(amounts.cbegin(), amounts.cend(),
                            [](const ARCurrency& a, const ARCurrency& b) { return a.units() < b.units(); });
    QString widest;
    for (const QString& text : ARCurrency::widestDisplays(least->units(), greatest->units())) {
        // As printed: a non-negative amount keeps the blank where a negative has its ")".
        const QString printed = text.endsWith(u')') ? text : text + u' ';
        if (widest.isEmpty() || ReportFonts::advance(font, printed) > ReportFonts::advance(font, widest))
            widest = printed;
    }
    return widest;
}

AmountColumn::AmountColumn(int right, const ReportFont& font)
    : left(right - int(std::ceil(ReportFonts::advance(font, widestAmount()))) - 1), right(right)
{
}

AmountColumn::AmountColumn(int right, int designLeft, const QString& widest, const ReportFont& font)
    : left(std::min(designLeft, right - int(std::ceil(ReportFonts::advance(font, widest))) - 1)), right(right)
{
}

ReportControl& addAmountBox(ReportSection& section, const QString& name, const AmountColumn& column, int top,
                            int height, const QString& field, const ReportFont& font)
{
    return section.addTextBox(name, column.left, top, column.width(), height, field, font, ReportAlign::Right);
}

void addSignOffs(ReportSection& footer, const QList<SignOffLine>& lines, int height, int captionWidth,
                 int captionHeight)
{
    constexpr int captionLeft = 144;
    const ReportFont& regular = Fonts::kRegular;
    for (const SignOffLine& s : lines) {
        footer.addLabel(s.captionName, captionLeft, s.top, captionWidth, captionHeight ? captionHeight : height,
                        s.caption, regular);
        // A caption that runs to the date's box would print as one word with it ("Approved12/07/2026").
        const int spaced =
            captionLeft + int(std::ceil(ReportFonts::advance(regular, s.caption + QLatin1Char(' '))));
        const int dateLeft = std::max(s.dateLeft, spaced);
        footer.addTextBox(s.dateName, dateLeft, s.top, s.dateWidth - (dateLeft - s.dateLeft), height, s.dateField,
                          regular);
        footer.addLabel(s.byName, 2160, s.top, s.byWidth, height, QStringLiteral("by"), regular);
        footer.addTextBox(s.nameName, 2448, s.top, 3030, height, s.nameField, regular);
    }
}

} // namespace RecReportCommon
