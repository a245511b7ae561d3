#pragma once

#include "arcurrency.h"
#include "reportlayout.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

class GLAccount;
class GLAccountBalance;
class Report;
class ReportLayout;
class ReportRecordSet;
class ReportSection;

// What every reconciliation report (bank, prepaid, subledger, calculated balance, list) shares:
// the top-level record with its placeholders and fallback texts, the page labels set before
// display, and the page header and footer of their layouts. A report builder adds its own child
// rows and sections to what this gives.
namespace RecReportCommon {

extern const QString NoComment;     // a blank reconciliation comment
extern const QString NoDescription; // a blank account description
extern const QString NoPolicy;      // a blank company policy
extern const QString NotUsed;       // company, currency and account name: printed by the page labels
extern const QString AsOfNotUsed;   // the as-of date: printed by a page label

// The fonts the reconciliation reports set their bands in.
namespace Fonts {
inline const ReportFont kRegular = ReportFont::tahoma(9.75);
inline const ReportFont kBold = ReportFont::tahoma(9.75, ReportFont::Bold);
inline const ReportFont kBoldItalic = ReportFont::tahoma(9.75, ReportFont::BoldItalic);
inline const ReportFont kSmall = ReportFont::tahoma(8.25);
} // namespace Fonts

// The values of the top-level record. Money is written as "1,234.50 " or "(1,234.50)".
struct TopLevel
{
    QString accountId;
    QString comment;
    QString commentFallback = NoComment;
    ARCurrency amount;
    ARCurrency targetAmount;
    ARCurrency difference;
    QString preparedBy, preparedDate;
    QString approvedBy, approvedDate;
    QString reviewedBy, reviewedDate;
    QString description;
    QString policy;
    // A report's own fields, declared and written after ReviewedDate.
    QStringList extraPieces; // e.g. " NEW adLongVarWChar AS CalcBasis,"
    QStringList extraNames;
    QVariantList extraValues;
};

// The balance's sign-offs, comment and amounts, the account's description and policy, and the
// difference left once `explained` (the items' total) is taken off.
TopLevel fromBalance(const GLAccountBalance& balance, const ARCurrency& explained);

// The declaration of the top-level fields ending in ", " so that a child declaration follows.
QString topLevelShape(const QStringList& extraPieces = {});
QStringList topLevelFieldNames(const QStringList& extraNames = {});
QVariantList topLevelValues(const TopLevel& values);

// The record set of the shape with its single top-level row added.
std::shared_ptr<ReportRecordSet> openWithTopLevel(const QString& childShape, const TopLevel& values);

// Company name and currency (read now), account number and name, "As of " and the date.
void setPageLabels(Report& report, const GLAccount& account, const QString& date);

// The page header and footer every reconciliation layout prints. Widths of the currency caption
// and value differ between layouts; the rule length and the print-date label's width too.
struct PageBands
{
    int headerHeight = 960;
    int currencyCaptionWidth = 915;
    int currencyWidth = 720;
    QString currencyCaption = QStringLiteral("USD");
    int footerHeight = 584;
    int footerRule = 8928;
    int printDateWidth = 4032;
    int currencyCaptionLeft = 7732;
    int currencyLeft = 8496;
    QString printDateName = QStringLiteral("Label14");
    int pageNumberLeft = 6336;
};
void addPageBands(ReportLayout& layout, const PageBands& bands);

// The room of a heading centred in a box from 0 that is `width` wide, kept clear of what prints
// at its right from `besideLeft` on (the currency): a long company name never runs into it.
int headingRoom(int width, int besideLeft);

// The widest amount the money type can hold, as a report prints it: "(922,337,203,685,477.58)".
QString widestAmount();
// Of the amounts a report prints, the one that takes the most room in the font, as printed.
QString widestOf(const QList<ARCurrency>& amounts, const ReportFont& font = Fonts::kRegular);

// The column a layout prints amounts in: its right edge stays where the layout puts it and it is
// as wide as the widest amount in the font, so that every figure prints whole, on one line.
struct AmountColumn
{
    explicit AmountColumn(int right, const ReportFont& font = Fonts::kRegular);
    // As wide as `widest` in the font, and never narrower than from `designLeft`.
    AmountColumn(int right, int designLeft, const QString& widest, const ReportFont& font = Fonts::kRegular);
    int left = 0;
    int right = 0;
    int width() const { return right - left; }
    // Where a caption or column of the given width starts that ends just before the amounts.
    int before(int width) const { return left - Gap - width; }
    // The width of a column from `start` that ends just before the amounts.
    int upTo(int start) const { return left - Gap - start; }
    static constexpr int Gap = 72; // twips between the amounts and what stands left of them
};
// A right-aligned amount box in the column.
ReportControl& addAmountBox(ReportSection& section, const QString& name, const AmountColumn& column, int top,
                            int height, const QString& field, const ReportFont& font = Fonts::kRegular);

// One sign-off line of a footer: the caption, the date box, the word "by" and the name box, each
// named as the layout names it.
struct SignOffLine
{
    QString caption, captionName, dateName, dateField, byName, nameName, nameField;
    int top, dateLeft, dateWidth, byWidth;
};
// The sign-off lines at the left of a footer, each control `height` high (a caption
// `captionHeight`, when given). A date starts a blank's width after its caption at the least.
void addSignOffs(ReportSection& footer, const QList<SignOffLine>& lines, int height, int captionWidth = 870,
                 int captionHeight = 0);

} // namespace RecReportCommon
