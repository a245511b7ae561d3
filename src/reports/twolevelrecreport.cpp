#include "twolevelrecreport.h"

#include "glaccount.h"
#include "glaccountbalance.h"
#include "reconcilingitemlist.h"
#include "recreportcommon.h"
#include "reportrecordset.h"

namespace {

const QString kItems = QStringLiteral("ReconcilingItems");
const QString kAmountFormat = QStringLiteral("#,##0.00;(#,##0.00)");

const QString kChildShape = QStringLiteral(" ((SHAPE APPEND NEW adVarChar(10) AS GLAcctID,"
                                           " NEW adVarChar(20) As Amount,"
                                           " NEW adLongVarWChar As Comment,"
                                           " NEW adVarChar(30) As OpenDate,"
                                           " NEW adVarChar(3) As ReqTiming)"
                                           " AS ReconcilingItems"
                                           " RELATE GLAcctID TO GLAcctID) ");

using namespace RecReportCommon::Fonts;

using Kind = TwoLevelRecReport::Kind;

using RecReportCommon::AmountColumn;

// The amounts end where the layouts always ended them; the column holds the widest amount the
// report prints, and starts where the layouts started it when that one fits there.
AmountColumn amounts(const QString& widest)
{
    return AmountColumn(8790, 7200, widest);
}
// The frame over the amounts starts a little left of them, as the rules under them do.
constexpr int kFrameMargin = 144;

// The target amount and, for the calculated balance, its basis; then the item headings in
// their frames.
void addHeader(ReportSection& h, Kind kind, const QString& widest)
{
    const AmountColumn money = amounts(widest);
    const int frameLeft = money.left - kFrameMargin;
    const auto addAmountHeading = [&](const QString& name, int top) {
        h.addLabel(name, money.left, top, 8919 - money.left, 285, QStringLiteral("Amount "), kBold,
                   ReportAlign::Center);
        h.addFrame(QStringLiteral("Shape4"), frameLeft, top, 8928 - frameLeft, 240);
    };
    if (kind == Kind::List) {
        h.addLabel(QStringLiteral("Label2"), 144, 144, 2160, 225, QStringLiteral("Items"), kBoldItalic);
        h.addLabel(QStringLiteral("Label9"), 288, 432, 1305, 285, QStringLiteral(" Open Date"), kBold);
        h.addLabel(QStringLiteral("Label10"), 1872, 432, frameLeft - 1872, 285, QStringLiteral(" Description"),
                   kBold);
        h.addFrame(QStringLiteral("Shape1"), 144, 432, 1296, 240);
        h.addFrame(QStringLiteral("Shape2"), 1440, 432, 285, 240);
        h.addFrame(QStringLiteral("Shape3"), 1728, 432, frameLeft - 1728, 240);
        addAmountHeading(QStringLiteral("Label11"), 432);
        return;
    }
    const bool calc = kind == Kind::CalcBalance;
    h.addLabel(QStringLiteral("Label12"), money.before(2880), 144, 2880, 240,
               calc ? QStringLiteral("Calculated Balance:") : QStringLiteral("Balance per Subledger:"), kBold,
               ReportAlign::Right);
    RecReportCommon::addAmountBox(h, QStringLiteral("Text1"), money, 144, 240, QStringLiteral("TargetAmount"))
        .withFormat(kAmountFormat);
    if (calc) {
        h.addLabel(QStringLiteral("Label19"), 144, 576, 2016, 300, QStringLiteral("Basis of Calculation"),
                   kBoldItalic);
        h.addTextBox(QStringLiteral("CalcBasis"), 1728, 864, 5472, 288, QStringLiteral("CalcBasis"),
                     kRegular);
    }
    const int top = calc ? 1584 : 576;
    h.addLabel(QStringLiteral("Label1"), 144, calc ? 1296 : 288, 2160, 225,
               QStringLiteral("Reconciling Items"), kBoldItalic);
    h.addLabel(QStringLiteral("Label6"), 288, top, 1290, 285, QStringLiteral(" Open Date"), kBold);
    const int descriptionLeft = calc ? 2160 : 1872;
    h.addLabel(QStringLiteral("Label7"), descriptionLeft, top, frameLeft - descriptionLeft, calc ? 288 : 285,
               QStringLiteral(" Description"), kBold);
    if (calc) {
        h.addFrame(QStringLiteral("Shape1"), 144, top, 1584, 240);
        h.addFrame(QStringLiteral("Shape2"), 1728, top, 285, 240);
        h.addFrame(QStringLiteral("Shape3"), 2016, top, frameLeft - 2016, 240);
    } else {
        h.addFrame(QStringLiteral("Shape1"), 0, top, 1440, 240);
        h.addFrame(QStringLiteral("Shape2"), 1442, top, 285, 240);
        h.addFrame(QStringLiteral("Shape3"), 1728, top, frameLeft - 1728, 240);
    }
    addAmountHeading(QStringLiteral("Label8"), top);
}

// One line per item: open date, timing code, comment (growing), amount.
void addDetail(ReportSection& d, Kind kind, const QString& widest)
{
    const bool calc = kind == Kind::CalcBalance;
    const bool list = kind == Kind::List;
    const AmountColumn money = amounts(widest);
    d.addTextBox(QStringLiteral("txtOpenDate"), 288, 0, 1146, 240, QStringLiteral("OpenDate"), kRegular)
        .inMember(kItems);
    d.addTextBox(list ? QStringLiteral("Text1") : QStringLiteral("Text3"), calc ? 1728 : 1440, 0,
                 calc || list ? 285 : 288, 240, QStringLiteral("ReqTiming"), kSmall, ReportAlign::Center)
        .inMember(kItems);
    const int commentLeft = calc ? 2160 : 1872;
    d.addTextBox(QStringLiteral("txtRecItemComment"), commentLeft, 0, money.left - kFrameMargin - commentLeft,
                 calc ? 240 : (list ? 285 : 288), QStringLiteral("Comment"), kRegular)
        .inMember(kItems);
    RecReportCommon::addAmountBox(d, QStringLiteral("txtAmount"), money, 0, 240, QStringLiteral("Amount"))
        .withFormat(kAmountFormat)
        .inMember(kItems);
}

// The difference and the balance at the right, the sign-offs at the left, then the comment, the
// account description and the policy.
void addFooter(ReportSection& f, Kind kind, const QString& widest)
{
    const bool calc = kind == Kind::CalcBalance;
    const bool list = kind == Kind::List;
    const AmountColumn money = amounts(widest);
    const int ruleWidth = 8925 - money.left;
    f.addLabel(QStringLiteral("Label13"), money.before(5460), 144, 5460, 285,
               QStringLiteral("Unidentified Difference:"), kBold, ReportAlign::Right);
    RecReportCommon::addAmountBox(f, list ? QStringLiteral("Text4") : QStringLiteral("Text5"), money, 144, 240,
                                  QStringLiteral("UnidentifiedDifference"))
        .withFormat(kAmountFormat);
    f.addLine(QStringLiteral("Line1"), money.left, 532, ruleWidth);
    f.addLabel(QStringLiteral("Label5"), money.before(2880), 576, 2880, 240,
               QStringLiteral("General Ledger Balance:"), kBold, ReportAlign::Right);
    RecReportCommon::addAmountBox(f, QStringLiteral("Text2"), money, 576, 240, QStringLiteral("Amount"))
        .withFormat(kAmountFormat);
    f.addDoubleRule(QStringLiteral("Line2"), QStringLiteral("Line3"), money.left, 864, ruleWidth);

    const int dateLeft = list ? 1012 : 1015;
    const int dateWidth = list ? 3456 : 3450;
    RecReportCommon::addSignOffs(
        f,
        {{QStringLiteral("Prepared"), QStringLiteral("Label4"), QStringLiteral("txtReconciledDate"),
          QStringLiteral("PreparedDate"), list ? QStringLiteral("Label12") : QStringLiteral("Label16"),
          QStringLiteral("txtPreparedBy"), QStringLiteral("PreparedBy"), 864, 1008, 3465, 285},
         {QStringLiteral("Approved"), list ? QStringLiteral("Label1") : QStringLiteral("Label10"),
          QStringLiteral("txtApprovedDate"), QStringLiteral("APPROVEDDATE"),
          list ? QStringLiteral("Label16") : QStringLiteral("Label17"), QStringLiteral("txtApprovedBy"),
          QStringLiteral("ApprovedBy"), 1152, dateLeft, dateWidth, 285},
         {QStringLiteral("Reviewed"), list ? QStringLiteral("Label8") : QStringLiteral("Label11"),
          QStringLiteral("txtReviewedDate"), QStringLiteral("REVIEWEDDATE"),
          list ? QStringLiteral("Label17") : QStringLiteral("Label18"), QStringLiteral("txtReviewedBy"),
          QStringLiteral("ReviewedBy"), 1440, dateLeft, dateWidth, calc ? 288 : 285}},
        240, list ? 864 : 870, list ? 288 : 285);

    f.addLabel(QStringLiteral("Label3"), 144, 1765, 1440, 240, QStringLiteral("Comment:"), kBold);
    f.addTextBox(QStringLiteral("txtComment"), 144, 2016, 8505, 285, QStringLiteral("Comment"), kRegular);
    f.addImage(QStringLiteral("Image2"), 144, 2304, 8490, 135);
    f.addLabel(list ? QStringLiteral("Label6") : QStringLiteral("Label2"), 144, 2448, 3300, 240,
               QStringLiteral("Account Description:"), kBold);
    f.addTextBox(QStringLiteral("txtDescription"), 144, 2719, 8490, 285, QStringLiteral("Description"),
                 kRegular);
    f.addImage(QStringLiteral("Image1"), 144, 3007, 8490, 135);
    f.addLabel(list ? QStringLiteral("Label7") : QStringLiteral("Label9"), 144, 3144, 4890, 240,
               QStringLiteral("Company Policy and/or Procedure:"), kBold);
    f.addTextBox(QStringLiteral("Text11"), 144, 3419, 8505, 285, QStringLiteral("CompanyPolicy"), kRegular);
}

} // namespace

TwoLevelRecReport::TwoLevelRecReport(Kind kind) : m_kind(kind), m_report(layout(kind)) {}

TwoLevelRecReport::~TwoLevelRecReport() = default;

QString TwoLevelRecReport::title(Kind kind)
{
    switch (kind) {
    case Kind::Subledger:
        return QStringLiteral("Subledger Reconciliation Report");
    case Kind::CalcBalance:
        return QStringLiteral("Calculated Balance Report");
    case Kind::List:
        break;
    }
    return QStringLiteral("List Reconciliation Report");
}

ReportLayout TwoLevelRecReport::layout(Kind kind, const QString& widest)
{
    const bool calc = kind == Kind::CalcBalance;
    const bool list = kind == Kind::List;
    ReportLayout l(title(kind));
    l.setReportWidth(calc ? 9504 : (list ? 9360 : 9480));
    l.setMargins(1000, 1000, 1000, 1000);
    l.setReportHeader(calc ? 15 : 0);
    RecReportCommon::PageBands bands;
    bands.headerHeight = list ? 1065 : 960;
    bands.currencyCaptionWidth = calc ? 864 : 915;
    bands.currencyWidth = calc ? 576 : 720;
    bands.currencyCaption = kind == Kind::Subledger ? QStringLiteral("USD") : QStringLiteral("Currency");
    bands.footerHeight = list ? 570 : 584;
    bands.printDateWidth = list ? 4320 : 4032;
    RecReportCommon::addPageBands(l, bands);
    addHeader(l.addGroup(QString(), QStringLiteral("Header"), calc ? 1968 : (list ? 735 : 861),
                         QStringLiteral("Footer"), list ? 4005 : 4935),
              kind, widest);
    addDetail(l.setDetail(kItems, QStringLiteral("ReconcilingItems_Detail"), calc ? 300 : 294), kind, widest);
    addFooter(l.section(QStringLiteral("Footer")), kind, widest);
    l.setReportFooter(360);
    return l;
}

QStringList TwoLevelRecReport::getItemFieldNames()
{
    return {QStringLiteral("GLAcctID"), QStringLiteral("Amount"), QStringLiteral("Comment"),
            QStringLiteral("OpenDate"), QStringLiteral("ReqTiming")};
}

std::shared_ptr<ReportRecordSet> TwoLevelRecReport::buildRecords(Kind kind, const GLAccountBalance& balance,
                                                                 const ReconcilingItemList& items)
{
    RecReportCommon::TopLevel top = RecReportCommon::fromBalance(balance, items.getTotalAmount());
    if (kind == Kind::CalcBalance) {
        top.extraPieces = {QStringLiteral(" NEW adLongVarWChar AS CalcBasis,")};
        top.extraNames = {QStringLiteral("CalcBasis")};
        top.extraValues = {balance.getCalcBalance()};
    }
    auto records = RecReportCommon::openWithTopLevel(kChildShape, top);
    ReportRecordSet& rows = records->chapter(kItems);
    const QStringList names = getItemFieldNames();
    for (const auto& item : items)
        rows.addNew(names, {item->getGLAccountID(), item->getAmount().toString(true), item->getComment(),
                            item->getOpenDate(), item->getReqTiming()});
    return records;
}

void TwoLevelRecReport::initialize(const GLAccountBalance& balance, const ReconcilingItemList& items)
{
    auto records = buildRecords(m_kind, balance, items);
    // The amount column as wide as this report's widest amount: ordinary figures leave the
    // comments the layout's width.
    QList<ARCurrency> printed{balance.amount(), balance.targetAmount(),
                              balance.getUnidentifiedDifference(items.getTotalAmount())};
    for (const auto& item : items)
        printed << item->getAmount();
    m_report.layout() = layout(m_kind, RecReportCommon::widestOf(printed));
    if (const auto& account = balance.getGLAccount())
        RecReportCommon::setPageLabels(m_report, *account, balance.getDate());
    m_report.setDataSource(std::move(records));
}
