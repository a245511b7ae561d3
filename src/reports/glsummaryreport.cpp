#include "glsummaryreport.h"

#include "accountfigures.h"
#include "apperror.h"
#include "company.h"
#include "daterules.h"
#include "db.h"
#include "global.h"
#include "prompter.h"
#include "recreportcommon.h"
#include "reportrecordset.h"


namespace {

const QString kTitle = QStringLiteral("General Ledger Reconciliation Summary Report");
const QString kShape = QStringLiteral(
    "SHAPE APPEND NEW adInteger AS ID, NEW adVarChar(100) As CompanyName, NEW adVarChar(100) As Currency,"
    " NEW adVarChar(30) As AsOfDate, ((SHAPE APPEND NEW adInteger AS ID, NEW adVarChar(20) As Number,"
    " NEW adVarChar(50) As Name, NEW adVarChar(20) As DebitAmount, NEW adVarChar(20) As CreditAmount,"
    " NEW adVarChar(20) As Amount, NEW adChar(1) As Reconciled, NEW adChar(10) As LastReconciled,"
    " NEW adVarChar(20) As UnreconciledDifference) RELATE ID TO ID)  AS Accounts");

const ReportFont kHeading = ReportFont::tahoma(9.75, ReportFont::Bold);
const ReportFont kSmall = ReportFont::tahoma(8.25);

// "Reviewed", "Approved", "Prepared", or else the last reconciled date.
QString statusText(const AccountFigures& f)
{
    const QString status = f.status();
    return status.isEmpty() ? f.lastReconciledDate : status;
}

// "- " for none; a difference too large for the money type says so, and the other lines still print.
QString differenceText(const ARCurrencySum& difference)
{
    if (!difference.fits())
        return ARCurrencySum::tooLargeText();
    const ARCurrency value = difference.value();
    return value.isZero() ? QStringLiteral("- ") : value.toString(true);
}

} // namespace

GLSummaryReport::GLSummaryReport() : m_report(layout())
{
}

ReportLayout GLSummaryReport::layout()
{
    // From the right: the difference ends at the page's edge, the status before it, the balance
    // before that; both amount columns hold the widest amount; the name takes what is left.
    using RecReportCommon::AmountColumn;
    constexpr int gap = AmountColumn::Gap;
    const AmountColumn difference(10656, kSmall);
    const int statusLeft = difference.left - gap - 1296;
    const AmountColumn balance(statusLeft - gap, kSmall);
    const int balanceLeft = balance.left - gap;

    ReportLayout l(kTitle);
    l.setReportWidth(10665);
    l.setMargins(720, 1000, 720, 1000);
    l.setReportHeader(0);
    ReportSection& ph = l.setPageHeader(1740);
    ph.addLabel(QStringLiteral("lblCompanyName"), 0, 0, 10650, 330, QString(), ReportFont::tahoma(12, ReportFont::Bold),
                ReportAlign::Center)
        .fitWithin(RecReportCommon::headingRoom(10650, 9360));
    ph.addLabel(QStringLiteral("Label18"), 0, 288, 10650, 390, kTitle, ReportFont::tahoma(14.25, ReportFont::Bold),
                ReportAlign::Center);
    ph.addLabel(QStringLiteral("lblAsOfDate"), 0, 666, 10650, 285, QString(), kHeading, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label20"), 9360, 0, 870, 255, QStringLiteral("Currency:"), kSmall);
    ph.addLabel(QStringLiteral("lblRptCurr"), 10080, 0, 570, 255, QString(), kSmall, ReportAlign::Right);
    ph.addLabel(QStringLiteral("lblRptType"), 9075, 750, 1575, 255, QString(), kSmall, ReportAlign::Right);
    ph.addLabel(QStringLiteral("Label13"), 0, 1440, 1290, 285, QStringLiteral("Account No."), kHeading, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label16"), 1296, 1440, balanceLeft - 1296, 285, QStringLiteral("Account Name"),
                kHeading, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label17"), balanceLeft, 1440, statusLeft - balanceLeft, 285,
                QStringLiteral("G/L Balance"), kHeading, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label5"), statusLeft, 1200, 1296, 285, QString(), kHeading, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label9"), statusLeft, 1440, 1296, 285, QStringLiteral("Status"), kHeading,
                ReportAlign::Center);
    const int differenceLeft = statusLeft + 1296;
    ph.addLabel(QStringLiteral("Label10"), differenceLeft, 1200, 10656 - differenceLeft, 285,
                QStringLiteral("Unidentified"), kHeading, ReportAlign::Center);
    ph.addLabel(QStringLiteral("Label11"), differenceLeft, 1440, 10656 - differenceLeft, 285,
                QStringLiteral("Difference"), kHeading, ReportAlign::Center);
    ph.addFrame(QStringLiteral("Shape3"), 0, 1152, 1296, 570);
    ph.addFrame(QStringLiteral("Shape5"), 1296, 1152, balanceLeft - 1296, 570);
    ph.addFrame(QStringLiteral("Shape8"), balanceLeft, 1152, statusLeft - balanceLeft, 570);
    ph.addFrame(QStringLiteral("Shape10"), statusLeft, 1152, 1296, 570);
    ph.addFrame(QStringLiteral("Shape9"), differenceLeft, 1152, 10656 - differenceLeft, 570);

    l.addGroup(QString(), QStringLiteral("Header"), 0, QStringLiteral("Footer"), 375);
    const QString accounts = QStringLiteral("Accounts");
    ReportSection& d = l.setDetail(accounts, QStringLiteral("Accounts_Detail"), 285);
    d.addTextBox(QStringLiteral("Text2"), 144, 0, 1440, 285, QStringLiteral("Number"), kSmall).inMember(accounts);
    d.addTextBox(QStringLiteral("Text1"), 1728, 0, balanceLeft - gap - 1728, 285, QStringLiteral("Name"), kSmall)
        .inMember(accounts);
    RecReportCommon::addAmountBox(d, QStringLiteral("Text6"), balance, 0, 285, QStringLiteral("Amount"), kSmall)
        .withFormat(QStringLiteral("#,##0.00;(#,##0.00)"))
        .inMember(accounts);
    d.addTextBox(QStringLiteral("Text4"), statusLeft, 0, 1290, 285, QStringLiteral("LastReconciled"), kSmall,
                 ReportAlign::Center)
        .inMember(accounts);
    RecReportCommon::addAmountBox(d, QStringLiteral("Text3"), difference, 0, 285,
                                  QStringLiteral("UnreconciledDifference"), kSmall)
        .inMember(accounts);

    ReportSection& f = l.section(QStringLiteral("Footer"));
    const ReportFont totalFont = ReportFont::tahoma(8.25, ReportFont::Bold);
    const AmountColumn total(balance.right, totalFont);
    f.addLabel(QStringLiteral("Label12"), total.before(5460), 0, 5460, 285, QStringLiteral("Total:"), ReportFont(),
               ReportAlign::Right);
    f.addLabel(QStringLiteral("lblGlSum"), total.left, 0, total.width(), 285, QStringLiteral("0.00"), totalFont,
               ReportAlign::Right);
    const int ruleWidth = balance.right + 135 - total.left;
    f.addLine(QStringLiteral("Line3"), total.left, 0, ruleWidth);
    f.addDoubleRule(QStringLiteral("Line2"), QStringLiteral("Line1"), total.left, 288, ruleWidth);

    ReportSection& pf = l.setPageFooter(555);
    pf.addLine(QStringLiteral("Line4"), 0, 144, 10656);
    pf.addLabel(QStringLiteral("Label14"), 0, 144, 2595, 285, QStringLiteral("%d - %T"));
    pf.addLabel(QStringLiteral("Label15"), 8064, 144, 2595, 285, QStringLiteral("Page %p of %P"), ReportFont(),
                ReportAlign::Right);
    l.setReportFooter(135);
    return l;
}

QString GLSummaryReport::totalText(qint64 units)
{
    return ARCurrency::format(units, units < 0);
}

QString GLSummaryReport::totalText(const ARCurrencySum& total)
{
    return total.fits() ? totalText(total.value().units()) : ARCurrencySum::tooLargeText();
}

void GLSummaryReport::initialize(const QString& date)
{
    m_complete = false;
    try {
        const Company company;
        const auto asOf = DateRules::fromText(date);
        const QString asOfText = ReportValues::asOf(asOf.value_or(QDate()));

        auto records = ReportRecordSet::fromShape(kShape);
        records->addNew({QStringLiteral("ID"), QStringLiteral("CompanyName"), QStringLiteral("Currency"),
                         QStringLiteral("AsOfDate")},
                        {1, company.getName(), company.getCurr(), asOfText});
        m_report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("lblCompanyName"), company.getName());
        m_report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("lblRptCurr"), company.getCurr());
        m_report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("lblAsOfDate"), asOfText);
        m_report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("lblRptType"), Global::accountFilter);

        const QStringList names = {QStringLiteral("ID"),           QStringLiteral("Number"),
                                   QStringLiteral("Name"),         QStringLiteral("DebitAmount"),
                                   QStringLiteral("CreditAmount"), QStringLiteral("Amount"),
                                   QStringLiteral("Reconciled"),   QStringLiteral("LastReconciled"),
                                   QStringLiteral("UnreconciledDifference")};
        ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
        ARCurrencySum total; // only the total need fit, not every sum on the way to it
        // Every account the filter lets through, figured in a few grouped queries; an account
        // whose kind has no reconciliation class is listed from its balance like any other.
        for (const AccountFigures& f : AccountFiguresQuery::load(date, Global::accountFilter)) {
            // The balance prints on its account type's side; the amount column and the total take it
            // whichever side that is.
            const ARCurrency debit = f.debitAmount();
            const ARCurrency credit = f.creditAmount();
            const ARCurrency& balance = f.amount;
            accounts.addNew(names, {1, f.number, f.name, debit.toString(true), credit.toString(true),
                                    balance.toString(true), f.reconciled ? QStringLiteral("R") : QString(),
                                    statusText(f), differenceText(f.unidentifiedDifference())});
            total.add(balance);
        }
        m_report.setCaption(QStringLiteral("Footer"), QStringLiteral("lblGlSum"), totalText(total));
        m_report.setDataSource(std::move(records));
        m_complete = true;
    } catch (const AppError& e) {
        if (!e.isReported())
            Prompter::show(Prompter::applicationTitle(), e.description());
    }
}
