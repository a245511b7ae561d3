#include "bankrecreport.h"

#include "glaccount.h"
#include "reconciliation.h"
#include "recreportcommon.h"
#include "recresources.h"
#include "reportrecordset.h"

namespace {

const QString kGroups = QStringLiteral("ReconcilingItemTypes");
const QString kItems = QStringLiteral("ReconcilingItems");
const QString kAmountFormat = QStringLiteral("#,##0.00;(#,##0.00)");

// The groups and, inside each, its items, declared after the reconciliation's own fields.
const QString kChildShape = QStringLiteral(" ((SHAPE APPEND NEW adVarChar(10) AS GLAcctID,"
                                           " NEW adChar(1) AS RecItemTypeCode,"
                                           " NEW adVarChar(30) As RecItemTypeLabel,"
                                           " NEW adVarChar(30) As AmountFieldLabel,"
                                           " NEW adVarChar(30) As DescriptionFieldLabel,"
                                           " NEW adVarChar(30) As OpenDateFieldLabel,"
                                           " NEW adVarChar(20) As TotalAmount,"
                                           " ((SHAPE APPEND NEW adChar(1) AS RecItemTypeCode,"
                                           " NEW adVarChar(20) As Amount,"
                                           " NEW adLongVarWChar As Comment,"
                                           " NEW adVarChar(30) As OpenDate, "
                                           " NEW adVarChar(3) As ReqTiming)"
                                           " AS ReconcilingItems"
                                           " RELATE RecItemTypeCode TO RecItemTypeCode))"
                                           " AS ReconcilingItemTypes "
                                           " RELATE GLAcctID TO GLAcctID) ");

using namespace RecReportCommon::Fonts;

// The group row of one item type: its labels from the type's texts and its total.
void addItemTypeRow(ReportRecordSet& groups, const QString& accountId, const QString& code,
                    const ARCurrency& total)
{
    RecItemResource resource;
    resource.initialize(code);
    groups.addNew(BankRecReport::getItemTypeFieldNames(),
                  {accountId, code, resource.getPluralTypeLabel(), resource.getAmountLabel(),
                   resource.getDescriptionLabel(), resource.getOpenDateLabel(), total.toString(true)});
}

// Outstanding checks always (an empty group prints its headings and 0.00), the others when the
// reconciliation holds items of their kind.
void addItemTypeRows(ReportRecordSet& groups, const BankReconciliation& r)
{
    const QString accountId = r.getGLAccount() ? r.getGLAccount()->getID() : QString();
    addItemTypeRow(groups, accountId, QStringLiteral("C"), r.getTotalCheckAmount());
    if (r.hasDepositItems())
        addItemTypeRow(groups, accountId, QStringLiteral("D"), r.getTotalDepositAmount());
    if (r.hasBankFeeItems())
        addItemTypeRow(groups, accountId, QStringLiteral("B"), r.getTotalBankFeeAmount());
    if (r.hasNSFCheckItems())
        addItemTypeRow(groups, accountId, QStringLiteral("N"), r.getTotalNSFCheckAmount());
    if (r.hasOtherItems())
        addItemTypeRow(groups, accountId, QStringLiteral("O"), r.getTotalOtherAmount());
}

void addItemRows(ReportRecordSet& items, const BankReconciliation& r)
{
    const QStringList names = BankRecReport::getItemFieldNames();
    for (const ReconcilingItemList* list : {&r.getCheckItems(), &r.getDepositItems(), &r.getBankFeeItems(),
                                            &r.getNSFCheckItems(), &r.getOtherItems()})
        for (const auto& item : *list)
            items.addNew(names, {item->getType().getCode(), item->getAmount().toString(true),
                                 item->getComment(), item->getOpenDate(), item->getReqTiming()});
}

using RecReportCommon::AmountColumn;

// The amounts end where the layout always ended them; the column holds the widest amount the
// report prints, and starts where the layout started it when that one fits there.
AmountColumn amounts(const QString& widest)
{
    return AmountColumn(8790, 7200, widest);
}
// The frame over the amounts and the rules under them start a little left of them.
constexpr int kFrameMargin = 144;

// The balance per bank above the groups.
void addHeader(ReportSection& h, const QString& widest)
{
    const AmountColumn money = amounts(widest);
    h.addLabel(QStringLiteral("Label2"), money.before(5460), 0, 5460, 285, QStringLiteral("Bank Balance:"), kBold,
               ReportAlign::Right);
    RecReportCommon::addAmountBox(h, QStringLiteral("Text10"), money, 0, 285, QStringLiteral("TargetAmount"))
        .withFormat(kAmountFormat);
}

// Each group: its name, then the framed headings of its columns; after its items, its total.
void addGroupBands(ReportSection& gh, ReportSection& gf, const QString& widest)
{
    gh.addTextBox(QStringLiteral("Text5"), 144, 0, 5175, 285, QStringLiteral("RecItemTypeLabel"), kBoldItalic)
        .inMember(QStringLiteral("ReconcilingItemtypes"));
    gh.addTextBox(QStringLiteral("Text6"), 144, 288, 1296, 240, QStringLiteral("OpenDateFieldLabel"), kBold,
                  ReportAlign::Center)
        .inMember(kGroups);
    const AmountColumn money = amounts(widest);
    const int frameLeft = money.left; // the heading's frame starts with the amounts
    gh.addTextBox(QStringLiteral("Text7"), 2016, 288, frameLeft - 2016, 240, QStringLiteral("DescriptionFieldLabel"),
                  kBold)
        .inMember(kGroups);
    gh.addTextBox(QStringLiteral("Text8"), frameLeft, 288, 8934 - frameLeft, 240, QStringLiteral("AmountFieldLabel"),
                  kBold, ReportAlign::Right)
        .inMember(kGroups);
    gh.addFrame(QStringLiteral("Shape1"), 144, 288, 1440, 240);
    gh.addFrame(QStringLiteral("Shape2"), 1584, 288, 285, 240);
    gh.addFrame(QStringLiteral("Shape3"), 1872, 288, frameLeft + 3 - 1872, 240);
    gh.addFrame(QStringLiteral("Shape4"), frameLeft, 288, 9072 - frameLeft, 240);

    const int ruleWidth = 8925 - money.left;
    gf.addLine(QStringLiteral("Line5"), money.left, 100, ruleWidth);
    gf.addLabel(QStringLiteral("Label1"), money.before(5460), 144, 5460, 285, QStringLiteral("Total:"), kBold,
                ReportAlign::Right);
    RecReportCommon::addAmountBox(gf, QStringLiteral("Text9"), money, 144, 285, QStringLiteral("TotalAmount"))
        .withFormat(kAmountFormat)
        .inMember(kGroups);
    gf.addDoubleRule(QStringLiteral("Line6"), QStringLiteral("Line7"), money.left, 432, ruleWidth);
}

// One line per item: open date, timing code, comment (growing), amount.
void addDetail(ReportSection& d, const QString& widest)
{
    d.addTextBox(QStringLiteral("txtOpenDate"), 288, 0, 1155, 285, QStringLiteral("OpenDate"), kRegular)
        .inMember(kItems);
    d.addTextBox(QStringLiteral("Text1"), 1584, 24, 285, 240, QStringLiteral("ReqTiming"), kSmall,
                 ReportAlign::Center)
        .inMember(kItems);
    const AmountColumn money = amounts(widest);
    d.addTextBox(QStringLiteral("txtRecItemComment"), 2016, 0, money.left - kFrameMargin - 2016, 285,
                 QStringLiteral("Comment"), kRegular)
        .inMember(kItems);
    RecReportCommon::addAmountBox(d, QStringLiteral("txtAmount"), money, 0, 285, QStringLiteral("Amount"))
        .withFormat(kAmountFormat)
        .inMember(kItems);
}

// The difference and the balance at the right, the sign-offs at the left, then the comment, the
// account description and the policy, which grow to fit.
void addFooter(ReportSection& f, const QString& widest)
{
    const AmountColumn money = amounts(widest);
    const int ruleWidth = 8925 - money.left;
    f.addLabel(QStringLiteral("Label13"), money.before(5460), 144, 5460, 285,
               QStringLiteral("Unidentified Difference:"), kBold, ReportAlign::Right);
    RecReportCommon::addAmountBox(f, QStringLiteral("Text4"), money, 144, 285,
                                  QStringLiteral("UnidentifiedDifference"))
        .withFormat(kAmountFormat);
    f.addLine(QStringLiteral("Line1"), money.left, 532, ruleWidth);
    f.addLabel(QStringLiteral("Label5"), money.before(2880), 576, 2880, 285,
               QStringLiteral("General Ledger Balance:"), kBold, ReportAlign::Right);
    RecReportCommon::addAmountBox(f, QStringLiteral("Text2"), money, 576, 285, QStringLiteral("Amount"))
        .withFormat(kAmountFormat);
    f.addDoubleRule(QStringLiteral("Line2"), QStringLiteral("Line3"), money.left, 864, ruleWidth);

    RecReportCommon::addSignOffs(
        f,
        {{QStringLiteral("Prepared"), QStringLiteral("Label4"), QStringLiteral("txtReconciledDate"),
          QStringLiteral("PreparedDate"), QStringLiteral("Label12"), QStringLiteral("txtPreparedBy"),
          QStringLiteral("PreparedBy"), 864, 1008, 3456, 300},
         {QStringLiteral("Approved"), QStringLiteral("Label8"), QStringLiteral("txtApprovedDate"),
          QStringLiteral("APPROVEDDATE"), QStringLiteral("Label10"), QStringLiteral("txtApprovedBy"),
          QStringLiteral("ApprovedBy"), 1152, 1015, 3450, 300},
         {QStringLiteral("Reviewed"), QStringLiteral("Label9"), QStringLiteral("txtReviewedDate"),
          QStringLiteral("REVIEWEDDATE"), QStringLiteral("Label17"), QStringLiteral("txtReviewedBy"),
          QStringLiteral("ReviewedBy"), 1440, 1015, 3450, 285}},
        285);

    f.addLabel(QStringLiteral("Label3"), 144, 1765, 1440, 285, QStringLiteral("Comment:"), kBold);
    f.addImage(QStringLiteral("Image2"), 144, 1872, 8490, 135);
    f.addTextBox(QStringLiteral("txtComment"), 144, 2016, 8490, 285, QStringLiteral("Comment"), kRegular);
    f.addLabel(QStringLiteral("Label6"), 144, 2448, 3300, 285, QStringLiteral("Account Description:"), kBold);
    f.addImage(QStringLiteral("Image1"), 144, 2575, 8490, 135);
    f.addTextBox(QStringLiteral("txtDescription"), 144, 2719, 8490, 285, QStringLiteral("Description"),
                 kRegular);
    f.addLabel(QStringLiteral("Label7"), 144, 3144, 4890, 285,
               QStringLiteral("Company Policy and/or Procedure:"), kBold);
    f.addTextBox(QStringLiteral("Text11"), 144, 3419, 8505, 285, QStringLiteral("CompanyPolicy"), kRegular);
}

} // namespace

BankRecReport::BankRecReport() : m_report(layout()) {}

BankRecReport::~BankRecReport() = default;

QString BankRecReport::title()
{
    return QStringLiteral("Bank Reconciliation Report");
}

ReportLayout BankRecReport::layout(const QString& widest)
{
    ReportLayout l(title());
    l.setReportWidth(9525);
    l.setMargins(1000, 1000, 1000, 1000);
    l.setReportHeader(15);
    RecReportCommon::PageBands bands;
    bands.headerHeight = 1125;
    bands.printDateWidth = 2160;
    RecReportCommon::addPageBands(l, bands);
    // This layout's names and places of the currency caption and the page number.
    ReportControl& currency = l.section(QStringLiteral("PageHeader")).control(QStringLiteral("Label20"));
    currency.name = QStringLiteral("Label16");
    currency.top = 0;
    ReportControl& page = l.section(QStringLiteral("PageFooter")).control(QStringLiteral("Label15"));
    page.left = 7200;
    page.width = 1731;

    addHeader(l.addGroup(QString(), QStringLiteral("Header"), 330, QStringLiteral("Footer"), 3822), widest);
    ReportSection& groupHeader = l.addGroup(kGroups, QStringLiteral("ReconcilingItemTypes_Header"), 630,
                                            QStringLiteral("ReconcilingItemTypes_Footer"), 540);
    addGroupBands(groupHeader, l.section(QStringLiteral("ReconcilingItemTypes_Footer")), widest);
    addDetail(l.setDetail(kItems, QStringLiteral("ReconcilingItem_Detail"), 288), widest);
    addFooter(l.section(QStringLiteral("Footer")), widest);
    l.setReportFooter(360);
    return l;
}

QStringList BankRecReport::getItemTypeFieldNames()
{
    return {QStringLiteral("GLAcctID"),
            QStringLiteral("RecItemTypeCode"),
            QStringLiteral("RecItemTypeLabel"),
            QStringLiteral("AmountFieldLabel"),
            QStringLiteral("DescriptionFieldLabel"),
            QStringLiteral("OpenDateFieldLabel"),
            QStringLiteral("TotalAmount")};
}

QStringList BankRecReport::getItemFieldNames()
{
    return {QStringLiteral("RecItemTypeCode"), QStringLiteral("Amount"), QStringLiteral("Comment"),
            QStringLiteral("OpenDate"), QStringLiteral("ReqTiming")};
}

std::shared_ptr<ReportRecordSet> BankRecReport::buildRecords(const BankReconciliation& reconciliation)
{
    RecReportCommon::TopLevel top = RecReportCommon::fromBalance(reconciliation.balance(), ARCurrency());
    top.difference = reconciliation.getUnidentifiedDifference();
    auto records = RecReportCommon::openWithTopLevel(kChildShape, top);
    ReportRecordSet& groups = records->chapter(kGroups);
    addItemTypeRows(groups, reconciliation);
    addItemRows(groups.chapter(kItems), reconciliation);
    return records;
}

void BankRecReport::initialize(const BankReconciliation& reconciliation)
{
    auto records = buildRecords(reconciliation);
    // The amount column as wide as this report's widest amount: ordinary figures leave the
    // comments the layout's width.
    QList<ARCurrency> printed{
        reconciliation.balance().amount(),          reconciliation.balance().targetAmount(),
        reconciliation.getUnidentifiedDifference(), reconciliation.getTotalCheckAmount(),
        reconciliation.getTotalDepositAmount(),     reconciliation.getTotalBankFeeAmount(),
        reconciliation.getTotalNSFCheckAmount(),    reconciliation.getTotalOtherAmount()};
    for (const ReconcilingItemList* list :
         {&reconciliation.getCheckItems(), &reconciliation.getDepositItems(),
          &reconciliation.getBankFeeItems(), &reconciliation.getNSFCheckItems(),
          &reconciliation.getOtherItems()})
        for (const auto& item : *list)
            printed << item->getAmount();
    m_report.layout() = layout(RecReportCommon::widestOf(printed));
    if (const auto& account = reconciliation.getGLAccount())
        RecReportCommon::setPageLabels(m_report, *account, reconciliation.getDate());
    m_report.setDataSource(std::move(records));
}
