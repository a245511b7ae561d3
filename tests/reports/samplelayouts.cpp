#include "samplelayouts.h"

#include "glsummaryreport.h"

namespace {
const ReportFont kBold = ReportFont::tahoma(9.75, ReportFont::Bold);
const ReportFont kSmall = ReportFont::tahoma(8.25);
} // namespace

// The summary report's own layout, under a neutral title and with its run-time captions filled.
ReportLayout SampleLayouts::listing()
{
    ReportLayout l = GLSummaryReport::layout();
    l.setTitle(QStringLiteral("Account Listing"));
    ReportSection& ph = l.section(QStringLiteral("PageHeader"));
    ph.control(QStringLiteral("Label18")).caption = QStringLiteral("Account Listing");
    ph.control(QStringLiteral("lblCompanyName")).caption = QStringLiteral("CompanyName");
    ph.control(QStringLiteral("lblAsOfDate")).caption = QStringLiteral("AsOfDate");
    ph.control(QStringLiteral("lblRptCurr")).caption = QStringLiteral("USD");
    return l;
}

std::shared_ptr<ReportRecordSet> SampleLayouts::listingRecords(int rows)
{
    auto records = ReportRecordSet::fromShape(
        QStringLiteral("SHAPE APPEND NEW adInteger AS ID, NEW adVarChar(100) As CompanyName,"
                       " ((SHAPE APPEND NEW adInteger AS ID, NEW adVarChar(20) As Number, NEW adVarChar(50) As Name,"
                       " NEW adVarChar(20) As Amount, NEW adChar(10) As LastReconciled,"
                       " NEW adVarChar(20) As UnreconciledDifference) RELATE ID TO ID) AS Accounts"));
    records->addNew({"ID", "CompanyName"}, {1, "Northwind Traders"});
    ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
    for (int i = 0; i < rows; ++i)
        accounts.addNew({"ID", "Number", "Name", "Amount", "LastReconciled", "UnreconciledDifference"},
                        {1, QString::number(1000 + i), QStringLiteral("Account %1").arg(1000 + i),
                         QStringLiteral("%1.00 ").arg(i), QStringLiteral("Reviewed"), QStringLiteral("-")});
    return records;
}

ReportLayout SampleLayouts::reconciliation()
{
    ReportLayout l(QStringLiteral("Sample Reconciliation Report"));
    l.setReportWidth(9525);
    l.setMargins(1000, 1000, 1000, 1000);
    l.setReportHeader(15);
    ReportSection& ph = l.setPageHeader(1125);
    ph.addLabel(QStringLiteral("lblCompanyName"), 0, 0, 9360, 435, QStringLiteral("CompanyName"),
                ReportFont::tahoma(12, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("lblGLAcctFullName"), 0, 288, 9360, 435, QStringLiteral("GLAcctFullName"),
                ReportFont::tahoma(14.25, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("lblAsOfDate"), 0, 660, 9360, 285, QStringLiteral("AsOfDate"), kBold, ReportAlign::Center);

    ReportSection& h = l.addGroup(QString(), QStringLiteral("Header"), 330, QStringLiteral("Footer"), 3822);
    h.addLabel(QStringLiteral("Label2"), 1584, 0, 5460, 285, QStringLiteral("Bank Balance:"), kBold, ReportAlign::Right);
    h.addTextBox(QStringLiteral("Text10"), 7200, 0, 1590, 285, QStringLiteral("TargetAmount"), ReportFont(), ReportAlign::Right)
        .withFormat(DisplayFormat::money());

    ReportSection& gh = l.addGroup(QStringLiteral("ItemTypes"), QStringLiteral("ItemTypes_Header"), 630,
                                   QStringLiteral("ItemTypes_Footer"), 540);
    gh.addTextBox(QStringLiteral("Text5"), 144, 0, 5175, 285, QStringLiteral("TypeLabel"),
                  ReportFont::tahoma(9.75, ReportFont::BoldItalic))
        .inMember(QStringLiteral("itemtypes"));
    gh.addLabel(QStringLiteral("Text6"), 144, 288, 1296, 240, QStringLiteral("Open Date"), kBold, ReportAlign::Center);
    gh.addLabel(QStringLiteral("Text7"), 2016, 288, 5328, 240, QStringLiteral("Description"), kBold);
    gh.addLabel(QStringLiteral("Text8"), 7344, 288, 1590, 240, QStringLiteral("Amount"), kBold, ReportAlign::Right);
    gh.addFrame(QStringLiteral("Shape1"), 144, 288, 1440, 240);
    gh.addFrame(QStringLiteral("Shape2"), 1584, 288, 285, 240);
    gh.addFrame(QStringLiteral("Shape3"), 1872, 288, 5475, 240);
    gh.addFrame(QStringLiteral("Shape4"), 7344, 288, 1728, 240);

    ReportSection& d = l.setDetail(QStringLiteral("Items"), QStringLiteral("Items_Detail"), 288);
    d.addTextBox(QStringLiteral("txtOpenDate"), 288, 0, 1155, 285, QStringLiteral("OpenDate")).inMember(QStringLiteral("Items"));
    d.addTextBox(QStringLiteral("Text1"), 1584, 24, 285, 240, QStringLiteral("ReqTiming"), kSmall, ReportAlign::Center)
        .inMember(QStringLiteral("Items"));
    d.addTextBox(QStringLiteral("txtRecItemComment"), 2016, 0, 5037, 285, QStringLiteral("Comment"))
        .inMember(QStringLiteral("Items"));
    d.addTextBox(QStringLiteral("txtAmount"), 7200, 0, 1590, 285, QStringLiteral("Amount"), ReportFont(), ReportAlign::Right)
        .inMember(QStringLiteral("Items"))
        .withFormat(DisplayFormat::money());

    ReportSection& gf = l.section(QStringLiteral("ItemTypes_Footer"));
    gf.addLine(QStringLiteral("Line5"), 7200, 100, 1725);
    gf.addLabel(QStringLiteral("Label1"), 1584, 144, 5460, 285, QStringLiteral("Total:"), kBold, ReportAlign::Right);
    gf.addTextBox(QStringLiteral("Text9"), 7200, 144, 1590, 285, QStringLiteral("TotalAmount"), ReportFont(), ReportAlign::Right)
        .inMember(QStringLiteral("ItemTypes"))
        .withFormat(DisplayFormat::money());
    gf.addDoubleRule(QStringLiteral("Line6"), QStringLiteral("Line7"), 7200, 432, 1725);

    ReportSection& f = l.section(QStringLiteral("Footer"));
    f.addLabel(QStringLiteral("Label13"), 1584, 144, 5460, 285, QStringLiteral("Unidentified Difference:"), kBold,
               ReportAlign::Right);
    f.addTextBox(QStringLiteral("Text4"), 7200, 144, 1590, 285, QStringLiteral("UnidentifiedDifference"), ReportFont(),
                 ReportAlign::Right)
        .withFormat(DisplayFormat::money());
    f.addLine(QStringLiteral("Line1"), 7200, 532, 1725);
    f.addLabel(QStringLiteral("Label5"), 4176, 576, 2880, 285, QStringLiteral("General Ledger Balance:"), kBold,
               ReportAlign::Right);
    f.addTextBox(QStringLiteral("Text2"), 7200, 576, 1590, 285, QStringLiteral("Amount"), ReportFont(), ReportAlign::Right)
        .withFormat(DisplayFormat::money());
    f.addDoubleRule(QStringLiteral("Line2"), QStringLiteral("Line3"), 7200, 864, 1725);
    f.addLabel(QStringLiteral("Label4"), 144, 864, 870, 285, QStringLiteral("Prepared"));
    f.addTextBox(QStringLiteral("txtReconciledDate"), 1008, 864, 3456, 285, QStringLiteral("PreparedDate"));
    f.addLabel(QStringLiteral("Label12"), 2160, 864, 300, 285, QStringLiteral("by"));
    f.addTextBox(QStringLiteral("txtPreparedBy"), 2448, 864, 3030, 285, QStringLiteral("PreparedBy"));
    f.addLabel(QStringLiteral("Label8"), 144, 1152, 870, 285, QStringLiteral("Approved"));
    f.addTextBox(QStringLiteral("txtApprovedDate"), 1015, 1152, 3450, 285, QStringLiteral("APPROVEDDATE"));
    f.addLabel(QStringLiteral("Label10"), 2160, 1152, 300, 285, QStringLiteral("by"));
    f.addTextBox(QStringLiteral("txtApprovedBy"), 2448, 1152, 3030, 285, QStringLiteral("ApprovedBy"));
    f.addLabel(QStringLiteral("Label3"), 144, 1765, 1440, 285, QStringLiteral("Comment:"), kBold);
    f.addImage(QStringLiteral("Image2"), 144, 1872, 8490, 135);
    f.addTextBox(QStringLiteral("txtComment"), 144, 2016, 8490, 285, QStringLiteral("Comment"));
    f.addLabel(QStringLiteral("Label6"), 144, 2448, 3300, 285, QStringLiteral("Account Description:"), kBold);
    f.addTextBox(QStringLiteral("txtDescription"), 144, 2719, 8490, 285, QStringLiteral("Description"));
    f.addLabel(QStringLiteral("Label7"), 144, 3144, 4890, 285, QStringLiteral("Company Policy and/or Procedure:"), kBold);
    f.addTextBox(QStringLiteral("Text11"), 144, 3419, 8505, 285, QStringLiteral("CompanyPolicy"));

    ReportSection& pf = l.setPageFooter(584);
    pf.addLine(QStringLiteral("Line4"), 0, 144, 8928);
    pf.addLabel(QStringLiteral("Label14"), 0, 200, 2160, 285, QStringLiteral("%d - %T"));
    pf.addLabel(QStringLiteral("lblGLAcctFullNameInFooter"), 0, 200, 9360, 285, QStringLiteral("GLAcctFullNameInFooter"),
                ReportFont(), ReportAlign::Center);
    pf.addLabel(QStringLiteral("Label15"), 7200, 200, 1731, 285, QStringLiteral("Page %p of %P"), ReportFont(),
                ReportAlign::Right);
    l.setReportFooter(360);
    return l;
}

std::shared_ptr<ReportRecordSet> SampleLayouts::reconciliationRecords()
{
    auto records = ReportRecordSet::fromShape(QStringLiteral(
        "SHAPE APPEND NEW adVarChar(10) As GLAcctID, NEW adLongVarWChar As Comment, NEW adVarChar(20) As Amount,"
        " NEW adVarChar(20) As TargetAmount, NEW adVarChar(20) As UnidentifiedDifference,"
        " NEW adVarChar(50) As PreparedBy, NEW adVarChar(30) AS PreparedDate, NEW adVarChar(50) As ApprovedBy,"
        " NEW adVarChar(30) AS ApprovedDate, NEW adLongVarWChar As Description, NEW adLongVarWChar As CompanyPolicy, "
        " ((SHAPE APPEND NEW adVarChar(10) AS GLAcctID, NEW adChar(1) AS TypeCode, NEW adVarChar(30) As TypeLabel,"
        " NEW adVarChar(20) As TotalAmount,"
        " ((SHAPE APPEND NEW adChar(1) AS TypeCode, NEW adVarChar(20) As Amount, NEW adLongVarWChar As Comment,"
        " NEW adVarChar(30) As OpenDate, NEW adVarChar(3) As ReqTiming)"
        " AS Items RELATE TypeCode TO TypeCode)) AS ItemTypes RELATE GLAcctID TO GLAcctID) "));
    return records;
}
