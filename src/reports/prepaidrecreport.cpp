#include "prepaidrecreport.h"

#include "amortizableitemlist.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "reconciliationkind.h"
#include "reconcilingitemlist.h"
#include "recreportcommon.h"
#include "reportrecordset.h"

namespace {

const QString kGroups = QStringLiteral("ItemTypes");
const QString kItems = QStringLiteral("Items");
const QString kAmountFormat = QStringLiteral("#,##0.00;(#,##0.00)");

const QString kChildShape = QStringLiteral(" ((SHAPE APPEND NEW adVarChar(10) AS GLAcctID,"
                                           " NEW adChar(1) AS ItemTypeCode,"
                                           " NEW adVarChar(30) As ItemTypeLabel,"
                                           " NEW adVarChar(30) As DescriptionFieldLabel,"
                                           " NEW adVarChar(30) As StartDateFieldLabel,"
                                           " NEW adVarChar(30) As EndDateFieldLabel,"
                                           " NEW adVarChar(30) As OriginalAmountFieldLabelTop,"
                                           " NEW adVarChar(30) As OriginalAmountFieldLabelBottom,"
                                           " NEW adVarChar(30) As UnamortizedBalanceFieldLabelTop,"
                                           " NEW adVarChar(30) As UnamortizedBalanceFieldLabelBottom,"
                                           " NEW adVarChar(20) As TotalAmount,"
                                           " ((SHAPE APPEND NEW adChar(1) AS ItemTypeCode,"
                                           " NEW adVarChar(20) AS Amount,"
                                           " NEW adVarChar(20) AS UnamortizedBalance,"
                                           " NEW adLongVarWChar AS ItemDescription,"
                                           " NEW adLongVarWChar AS ItemComment,"
                                           " NEW adVarChar(30) AS StartDate,"
                                           " NEW adVarChar(30) AS EndDate, "
                                           " NEW adVarChar(3) As ReqTiming)"
                                           " AS Items"
                                           " RELATE ItemTypeCode TO ItemTypeCode))"
                                           " AS ItemTypes "
                                           " RELATE GLAcctID TO GLAcctID) ");

using namespace RecReportCommon::Fonts;

QString money(const ARCurrency& amount)
{
    return amount.toString(true);
}

using RecReportCommon::AmountColumn;

// The columns of an item line, from the right: the unamortized balance ends where the layout
// always ended it, the original amount just before it, both wide enough for the widest amount;
// the dates, the timing code and the description take what is left.
struct Columns
{
    AmountColumn balance{9210};
    AmountColumn amount{balance.left - kAmountMargin};
    int endDate = amount.left - 1152;
    int startDate = endDate - 1152;
    int timing = startDate - 288;
    static constexpr int kAmountMargin = 150; // an amount ends this far inside its frame
};

// The group's title and six framed column headings, each bound to the group row.
void addGroupHeader(ReportSection& h)
{
    const Columns c;
    h.addTextBox(QStringLiteral("Text21"), 0, 0, 3030, 288, QStringLiteral("ItemTypeLabel"), kBoldItalic)
        .inMember(kGroups);
    h.addFrame(QStringLiteral("Shape1"), 0, 288, c.timing, 525);
    h.addFrame(QStringLiteral("Shape6"), c.timing + 2, 288, c.startDate - c.timing - 3, 525);
    h.addFrame(QStringLiteral("Shape2"), c.startDate, 288, c.endDate - c.startDate + 3, 525);
    h.addFrame(QStringLiteral("Shape3"), c.endDate, 288, c.amount.left - c.endDate, 525);
    h.addFrame(QStringLiteral("Shape4"), c.amount.left, 288, c.balance.left - c.amount.left, 525);
    h.addFrame(QStringLiteral("Shape5"), c.balance.left, 288, 9360 - c.balance.left, 525);
    const int amountWidth = c.balance.left - c.amount.left;
    const int balanceWidth = 9360 - c.balance.left;
    const struct
    {
        const char* name;
        int left, top, width;
        const char* field;
        ReportAlign align;
    } headings[] = {
        {"Text14", 144, 576, c.timing - 144, "DescriptionFieldLabel", ReportAlign::Left},
        {"Text20", c.startDate, 576, 1155, "StartDateFieldLabel", ReportAlign::Center},
        {"Text19", c.endDate, 576, 1155, "EndDateFieldLabel", ReportAlign::Center},
        {"Text18", c.amount.left, 340, amountWidth, "OriginalAmountFieldLabelTop", ReportAlign::Center},
        {"Text17", c.amount.left, 576, amountWidth, "OriginalAmountFieldLabelBottom", ReportAlign::Center},
        {"Text16", c.balance.left, 340, balanceWidth, "UnamortizedBalanceFieldLabelTop", ReportAlign::Center},
        {"Text15", c.balance.left, 576, balanceWidth, "UnamortizedBalanceFieldLabelBottom", ReportAlign::Center},
    };
    for (const auto& heading : headings)
        h.addTextBox(QLatin1String(heading.name), heading.left, heading.top, heading.width, 240,
                     QLatin1String(heading.field), kBold, heading.align)
            .inMember(kGroups);
}

// One item: description (growing), timing code, dates, full amount and unamortized balance, and
// its comment under the description, taking no room when empty.
void addDetail(ReportSection& d)
{
    const Columns c;
    d.addTextBox(QStringLiteral("Text1"), 0, 0, c.timing - 72, 240, QStringLiteral("ItemDescription"), kRegular)
        .inMember(kItems);
    d.addTextBox(QStringLiteral("Text8"), c.timing, 0, 288, 240, QStringLiteral("ReqTiming"), kSmall,
                 ReportAlign::Center)
        .inMember(QStringLiteral("items"));
    d.addTextBox(QStringLiteral("Text2"), c.startDate, 0, c.endDate - c.startDate, 240, QStringLiteral("StartDate"),
                 kRegular, ReportAlign::Center)
        .inMember(kItems);
    d.addTextBox(QStringLiteral("Text3"), c.endDate, 0, c.amount.left - c.endDate, 240, QStringLiteral("EndDate"),
                 kRegular, ReportAlign::Center)
        .inMember(kItems);
    RecReportCommon::addAmountBox(d, QStringLiteral("Text4"), c.amount, 0, 240, QStringLiteral("Amount"))
        .withFormat(kAmountFormat)
        .inMember(kItems);
    RecReportCommon::addAmountBox(d, QStringLiteral("Text5"), c.balance, 0, 240,
                                  QStringLiteral("UnamortizedBalance"))
        .withFormat(kAmountFormat)
        .inMember(kItems);
    d.addTextBox(QStringLiteral("Text7"), 144, 288, 3600, 0, QStringLiteral("ItemComment"), kRegular)
        .inMember(kItems);
}

void addGroupFooter(ReportSection& f)
{
    const AmountColumn money = Columns().balance;
    const int ruleWidth = 9357 - money.left;
    f.addLine(QStringLiteral("Line5"), money.left, 100, ruleWidth);
    f.addLabel(QStringLiteral("Label12"), money.before(5460), 144, 5460, 240, QStringLiteral("Total:"), kBold,
               ReportAlign::Right);
    RecReportCommon::addAmountBox(f, QStringLiteral("Text9"), money, 144, 240, QStringLiteral("TotalAmount"))
        .withFormat(kAmountFormat)
        .inMember(kGroups);
    f.addDoubleRule(QStringLiteral("Line6"), QStringLiteral("Line7"), money.left, 432, ruleWidth);
}

// The difference and the balance at the right, the sign-offs at the left, then the comment, the
// account description and the policy.
void addFooter(ReportSection& f)
{
    const AmountColumn money = Columns().balance;
    const int ruleWidth = 9357 - money.left;
    f.addLabel(QStringLiteral("Label13"), money.before(5460), 288, 5460, 240,
               QStringLiteral("Unidentified Difference:"), kBold, ReportAlign::Right);
    // No display format: the money text prints as built, a non-negative amount with its blank.
    RecReportCommon::addAmountBox(f, QStringLiteral("Text10"), money, 288, 240,
                                  QStringLiteral("UnidentifiedDifference"));
    f.addLine(QStringLiteral("Line1"), money.left, 676, ruleWidth);
    f.addLabel(QStringLiteral("Label5"), money.before(2880), 720, 2880, 240,
               QStringLiteral("General Ledger Balance:"), kBold, ReportAlign::Right);
    RecReportCommon::addAmountBox(f, QStringLiteral("Text11"), money, 720, 240, QStringLiteral("Amount"))
        .withFormat(kAmountFormat);
    f.addDoubleRule(QStringLiteral("Line2"), QStringLiteral("Line3"), money.left, 1008, ruleWidth);

    RecReportCommon::addSignOffs(
        f,
        {{QStringLiteral("Prepared"), QStringLiteral("Label4"), QStringLiteral("txtReconciledDate"),
          QStringLiteral("PreparedDate"), QStringLiteral("Label9"), QStringLiteral("txtPreparedBy"),
          QStringLiteral("PreparedBy"), 1008, 1008, 3465, 285},
         {QStringLiteral("Approved"), QStringLiteral("Label2"), QStringLiteral("txtApprovedDate"),
          QStringLiteral("APPROVEDDATE"), QStringLiteral("Label16"), QStringLiteral("txtApprovedBy"),
          QStringLiteral("ApprovedBy"), 1296, 1015, 3450, 300},
         {QStringLiteral("Reviewed"), QStringLiteral("Label8"), QStringLiteral("txtReviewedDate"),
          QStringLiteral("REVIEWEDDATE"), QStringLiteral("Label17"), QStringLiteral("txtReviewedBy"),
          QStringLiteral("ReviewedBy"), 1584, 1015, 3450, 285}},
        240);

    f.addLabel(QStringLiteral("Label3"), 144, 1909, 1440, 240, QStringLiteral("Comment:"), kBold);
    f.addTextBox(QStringLiteral("txtComment"), 144, 2160, 9225, 240, QStringLiteral("Comment"), kRegular);
    f.addLabel(QStringLiteral("Label6"), 144, 2592, 3300, 240, QStringLiteral("Account Description:"), kBold);
    f.addTextBox(QStringLiteral("txtDescription"), 144, 2863, 9210, 240, QStringLiteral("Description"),
                 kRegular);
    f.addLabel(QStringLiteral("Label7"), 144, 3288, 4890, 240,
               QStringLiteral("Company Policy and/or Procedure:"), kBold);
    f.addTextBox(QStringLiteral("Text6"), 144, 3563, 9225, 240, QStringLiteral("CompanyPolicy"), kRegular);
}

} // namespace

PrepaidRecReport::PrepaidRecReport() : m_report(layout()) {}

ReportLayout PrepaidRecReport::layout()
{
    ReportLayout l(QStringLiteral("Prepaid Reconciliation Report"));
    l.setReportWidth(10080);
    l.setMargins(1000, 1000, 1000, 1000);
    l.setReportHeader(0);
    RecReportCommon::PageBands bands;
    bands.headerHeight = 1155;
    bands.currencyCaptionLeft = 8032;
    bands.currencyLeft = 8784;
    bands.currencyCaption = QStringLiteral("Currency");
    bands.footerHeight = 672;
    bands.footerRule = 9360;
    bands.printDateName = QStringLiteral("Label1");
    bands.printDateWidth = 4320;
    bands.pageNumberLeft = 6768;
    RecReportCommon::addPageBands(l, bands);
    l.addGroup(QString(), QStringLiteral("Header"), 0, QStringLiteral("Footer"), 5034);
    addGroupHeader(l.addGroup(kGroups, QStringLiteral("ItemTypes_Header"), 864,
                              QStringLiteral("ItemTypes_Footer"), 510));
    addDetail(l.setDetail(kItems, QStringLiteral("Items_Detail"), 351));
    addGroupFooter(l.section(QStringLiteral("ItemTypes_Footer")));
    addFooter(l.section(QStringLiteral("Footer")));
    l.setReportFooter(360);
    return l;
}

QStringList PrepaidRecReport::getItemTypeFieldNames()
{
    return {QStringLiteral("GLAcctID"),
            QStringLiteral("ItemTypeCode"),
            QStringLiteral("ItemTypeLabel"),
            QStringLiteral("DescriptionFieldLabel"),
            QStringLiteral("StartDateFieldLabel"),
            QStringLiteral("EndDateFieldLabel"),
            QStringLiteral("OriginalAmountFieldLabelTop"),
            QStringLiteral("OriginalAmountFieldLabelBottom"),
            QStringLiteral("UnamortizedBalanceFieldLabelTop"),
            QStringLiteral("UnamortizedBalanceFieldLabelBottom"),
            QStringLiteral("TotalAmount")};
}

QStringList PrepaidRecReport::getItemFieldNames()
{
    return {QStringLiteral("ItemTypeCode"),
            QStringLiteral("Amount"),
            QStringLiteral("UnamortizedBalance"),
            QStringLiteral("ItemDescription"),
            QStringLiteral("ItemComment"),
            QStringLiteral("StartDate"),
            QStringLiteral("EndDate"),
            QStringLiteral("ReqTiming")};
}

std::shared_ptr<ReportRecordSet> PrepaidRecReport::buildRecords(const GLAccountBalance& balance,
                                                                const AmortizableItemList& prepaidItems,
                                                                const ReconcilingItemList& items)
{
    const QString date = balance.getDate();
    const ARCurrency prepaidTotal = prepaidItems.getTotalRemainingBalance(date);
    const ARCurrency itemsTotal = items.getTotalAmount();
    RecReportCommon::TopLevel top =
        RecReportCommon::fromBalance(balance, ReconciliationKind::explained(ReconciliationKind::Kind::Prepaid,
                                                                            {itemsTotal, {}, prepaidTotal}));
    top.commentFallback = QStringLiteral("No comment has been entered for this reconciliation");
    auto records = RecReportCommon::openWithTopLevel(kChildShape, top);

    ReportRecordSet& groups = records->chapter(kGroups);
    const QStringList groupNames = getItemTypeFieldNames();
    groups.addNew(groupNames,
                  {top.accountId, QStringLiteral("A"), QStringLiteral("Amortizable Items"),
                   QStringLiteral("Description"), QStringLiteral("Start Date"), QStringLiteral("End Date"),
                   QStringLiteral("Original"), QStringLiteral("Amount"), QStringLiteral("Unamortized"),
                   QStringLiteral("Balance"), money(prepaidTotal)});
    groups.addNew(groupNames, {top.accountId, QStringLiteral("R"), QStringLiteral("Reconciling Items"),
                               QStringLiteral("Description"), QString(), QStringLiteral("Open Date"),
                               QString(), QString(), QString(), QStringLiteral("Amount"), money(itemsTotal)});

    ReportRecordSet& rows = groups.chapter(kItems);
    const QStringList itemNames = getItemFieldNames();
    for (const auto& item : prepaidItems)
        rows.addNew(itemNames,
                    {QStringLiteral("A"), money(item->getAmount()),
                     money(item->getAmortizationList().getRemainingBalance(date)), item->getDescription(),
                     item->getComment(), item->getStartDate(), item->getEndDate(), QString()});
    for (const auto& item : items)
        rows.addNew(itemNames, {QStringLiteral("R"), QString(), money(item->getAmount()), item->getComment(),
                                QString(), QString(), item->getOpenDate(), item->getReqTiming()});
    return records;
}

void PrepaidRecReport::initialize(const GLAccountBalance& balance, const AmortizableItemList& prepaidItems,
                                  const ReconcilingItemList& items)
{
    auto records = buildRecords(balance, prepaidItems, items);
    if (const auto& account = balance.getGLAccount())
        RecReportCommon::setPageLabels(m_report, *account, balance.getDate());
    m_report.setDataSource(std::move(records));
}
