#include "samplelayouts.h"

namespace {
const ReportFont kBold = ReportFont::tahoma(9.75, ReportFont::Bold);
const ReportFont kSmall = ReportFont::tahoma(8.25);
} // namespace

ReportLayout SampleLayouts::listing()
{
    ReportLayout l(QStringLiteral("Account Listing"));
    l.setReportWidth(10665);
    l.setMargins(720, 1000, 720, 1000);
    l.setReportHeader(0);
    ReportSection& ph = l.setPageHeader(1740);
    ph.addLabel(QStringLiteral("lblCompanyName"), 0, 0, 10650, 435, QStringLiteral("CompanyName"),
                ReportFont::tahoma(12, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label18"), 0, 288, 10650, 435, QStringLiteral("Account Listing"),
                ReportFont::tahoma(14.25, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("lblAsOfDate"), 0, 666, 10650, 285, QStringLiteral("AsOfDate"), kBold, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label20"), 9360, 0, 870, 285, QStringLiteral("Currency:"), kSmall);
    ph.addLabel(QStringLiteral("lblRptCurr"), 10080, 0, 570, 285, QStringLiteral("USD"), kSmall, ReportAlign::Right);
    ph.addLabel(QStringLiteral("Label13"), 0, 1440, 1290, 285, QStringLiteral("Account No."), kBold, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label16"), 1296, 1440, 5190, 285, QStringLiteral("Account Name"), kBold, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label17"), 6480, 1440, 1584, 285, QStringLiteral("G/L Balance"), kBold, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label9"), 8064, 1440, 1296, 285, QStringLiteral("Status"), kBold, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label10"), 9360, 1200, 1296, 285, QStringLiteral("Unidentified"), kBold, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label11"), 9360, 1440, 1296, 285, QStringLiteral("Difference"), kBold, ReportAlign::Center);
    ph.addFrame(QStringLiteral("Shape3"), 0, 1152, 1296, 570);
    ph.addFrame(QStringLiteral("Shape5"), 1296, 1152, 5184, 570);
    ph.addFrame(QStringLiteral("Shape8"), 6480, 1152, 1584, 570);
    ph.addFrame(QStringLiteral("Shape10"), 8064, 1152, 1296, 570);
    ph.addFrame(QStringLiteral("Shape9"), 9360, 1152, 1296, 570);

    l.addGroup(QString(), QStringLiteral("Header"), 0, QStringLiteral("Footer"), 375);
    ReportSection& d = l.setDetail(QStringLiteral("Accounts"), QStringLiteral("Accounts_Detail"), 285);
    d.addTextBox(QStringLiteral("Text2"), 144, 0, 1440, 285, QStringLiteral("Number"), kSmall).inMember(QStringLiteral("Accounts"));
    d.addTextBox(QStringLiteral("Text1"), 1728, 0, 4608, 285, QStringLiteral("Name")).inMember(QStringLiteral("Accounts"));
    d.addTextBox(QStringLiteral("Text6"), 6480, 0, 1590, 285, QStringLiteral("Amount"), ReportFont(), ReportAlign::Right)
        .withFormat(DisplayFormat::money())
        .inMember(QStringLiteral("Accounts"));
    d.addTextBox(QStringLiteral("Text4"), 8064, 0, 1290, 285, QStringLiteral("LastReconciled"), ReportFont(), ReportAlign::Center)
        .inMember(QStringLiteral("Accounts"));
    d.addTextBox(QStringLiteral("Text3"), 9360, 0, 1296, 285, QStringLiteral("UnreconciledDifference"), ReportFont(),
                 ReportAlign::Right)
        .inMember(QStringLiteral("Accounts"));

    ReportSection& f = l.section(QStringLiteral("Footer"));
    f.addLabel(QStringLiteral("Label12"), 1008, 0, 5460, 285, QStringLiteral("Total:"), ReportFont(), ReportAlign::Right);
    f.addLabel(QStringLiteral("lblGlSum"), 6480, 0, 1590, 285, QStringLiteral("0.00"),
               ReportFont::tahoma(8.25, ReportFont::Bold), ReportAlign::Right);
    f.addLine(QStringLiteral("Line3"), 6480, 0, 1725);
    f.addDoubleRule(QStringLiteral("Line2"), QStringLiteral("Line1"), 6480, 288, 1725);

    ReportSection& pf = l.setPageFooter(555);
    pf.addLine(QStringLiteral("Line4"), 0, 144, 10656);
    pf.addLabel(QStringLiteral("Label14"), 0, 144, 2595, 285, QStringLiteral("%d - %T"));
    pf.addLabel(QStringLiteral("Label15"), 8064, 144, 2595, 285, QStringLiteral("Page %p of %P"), ReportFont(),
                ReportAlign::Right);
    l.setReportFooter(135);
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
