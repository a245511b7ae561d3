#include "accountinfotexts.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "recrules.h"
#include "signoffrules.h"

#include <QTest>

// The sign-off matrix (every right against the stored states a balance can hold, what loading
// shows and opens, what each click writes), the account information texts, and the item dates.
class tst_RecRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
    void clicks_data();
    void clicks();
    void accountTexts_data();
    void accountTexts();
    void itemDates_data();
    void itemDates();
};

namespace {

using Box = SignOffRules::Box;
const QString kToday = QStringLiteral("03/15/2024");
const QString kMe = QStringLiteral("Current User");

// A stored state: "P", "A", "R" for a full sign-off (name and date), lower case for a name
// without a date.
GLAccountBalance stored(const QString& state)
{
    GLAccountBalance b;
    if (state.contains('P') || state.contains('p'))
        b.setPreparedBy(QStringLiteral("Stored Preparer"));
    if (state.contains('P'))
        b.setPreparedByDate(QStringLiteral("01/05/2024"));
    if (state.contains('A') || state.contains('a'))
        b.setApprovedBy(QStringLiteral("Stored Approver"));
    if (state.contains('A'))
        b.setApprovedByDate(QStringLiteral("01/06/2024"));
    if (state.contains('R') || state.contains('r'))
        b.setReviewedBy(QStringLiteral("Stored Reviewer"));
    if (state.contains('R'))
        b.setReviewedByDate(QStringLiteral("01/07/2024"));
    return b;
}

// Each box as "t"/"-" (ticked) and "e"/"d" (enabled): "te -d -d".
QString boxes(const SignOffRules& rules)
{
    QStringList out;
    for (Box b : {SignOffRules::Prepared, SignOffRules::Approved, SignOffRules::Reviewed})
        out << QString(rules.state(b).ticked ? 't' : '-') + (rules.state(b).enabled ? 'e' : 'd');
    return out.join(' ');
}

QString signOffs(const GLAccountBalance& b)
{
    return QStringList{b.getPreparedBy() + '@' + b.getPreparedByDate(), b.getApprovedBy() + '@' + b.getApprovedByDate(),
                       b.getReviewedBy() + '@' + b.getReviewedByDate()}
        .join(" | ");
}

} // namespace

void tst_RecRules::load_data()
{
    QTest::addColumn<QString>("permission");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("expected");
    QTest::newRow("preparer, nothing signed") << "CAN_PREPARE" << "" << "-e -d -d";
    QTest::newRow("preparer, prepared") << "CAN_PREPARE" << "P" << "te -d -d";
    QTest::newRow("preparer, approved balance") << "CAN_PREPARE" << "PA" << "td td -d";
    QTest::newRow("preparer, name without date") << "CAN_PREPARE" << "p" << "te -d -d";
    QTest::newRow("approver, nothing signed") << "CAN_APPROVE" << "" << "-e -d -d";
    QTest::newRow("approver, prepared") << "CAN_APPROVE" << "P" << "te -e -d";
    QTest::newRow("approver, approved") << "CAN_APPROVE" << "PA" << "td te -d";
    QTest::newRow("approver, reviewed") << "CAN_APPROVE" << "PAR" << "td td td";
    QTest::newRow("reviewer, nothing signed") << "CAN_REVIEW" << "" << "-e -d -d";
    QTest::newRow("reviewer, prepared") << "CAN_REVIEW" << "P" << "te -e -d";
    QTest::newRow("reviewer, approved") << "CAN_REVIEW" << "PA" << "td te -e";
    QTest::newRow("reviewer, approver without date") << "CAN_REVIEW" << "Pa" << "td te -d";
    QTest::newRow("reviewer, reviewer without approver") << "CAN_REVIEW" << "PR" << "te -e td";
    QTest::newRow("reviewer, reviewed") << "CAN_REVIEW" << "PAR" << "td td te";
    QTest::newRow("no right, nothing signed") << "" << "" << "-d -d -d";
    QTest::newRow("no right, approved") << "" << "PA" << "td td -d";
    QTest::newRow("unknown right, reviewed") << "CAN_AUDIT" << "PAR" << "td td td";
}

void tst_RecRules::load()
{
    QFETCH(QString, permission);
    QFETCH(QString, state);
    QFETCH(QString, expected);
    GLAccountBalance balance = stored(state);
    const QString before = signOffs(balance);
    SignOffRules rules;
    rules.load(balance, permission, kMe, kToday);
    QCOMPARE(boxes(rules), expected);
    QCOMPARE(signOffs(balance), before); // loading never signs, clears or re-signs
}

void tst_RecRules::clicks_data()
{
    QTest::addColumn<QString>("permission");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("clicks"); // box letter, + tick / - clear
    QTest::addColumn<QString>("signOffs");
    QTest::addColumn<QString>("expected");
    const QString none = "@ | @ | @";
    QTest::newRow("preparer signs") << "CAN_PREPARE" << "" << "P+" << "Current User@03/15/2024 | @ | @"
                                    << "te -d -d";
    QTest::newRow("preparer clears") << "CAN_PREPARE" << "P" << "P-" << none << "-e -d -d";
    QTest::newRow("preparer re-signs a name without date")
        << "CAN_PREPARE" << "p" << "P- P+" << "Current User@03/15/2024 | @ | @" << "te -d -d";
    QTest::newRow("preparer cannot approve") << "CAN_PREPARE" << "P" << "A+"
                                             << "Stored Preparer@01/05/2024 | @ | @" << "te -d -d";
    QTest::newRow("approver approves, preparer kept")
        << "CAN_APPROVE" << "P" << "A+" << "Stored Preparer@01/05/2024 | Current User@03/15/2024 | @" << "td te -d";
    QTest::newRow("approver clears preparer") << "CAN_APPROVE" << "PA" << "A- P-" << none << "-e -d -d";
    QTest::newRow("approver signs both") << "CAN_APPROVE" << "" << "P+ A+"
                                         << "Current User@03/15/2024 | Current User@03/15/2024 | @" << "td te -d";
    QTest::newRow("reviewer reviews")
        << "CAN_REVIEW" << "PA" << "R+"
        << "Stored Preparer@01/05/2024 | Stored Approver@01/06/2024 | Current User@03/15/2024" << "td td te";
    QTest::newRow("reviewer clears review") << "CAN_REVIEW" << "PAR" << "R-"
                                            << "Stored Preparer@01/05/2024 | Stored Approver@01/06/2024 | @"
                                            << "td te -e";
    QTest::newRow("reviewer keeps a stored reviewer")
        << "CAN_REVIEW" << "PR" << "A+"
        << "Stored Preparer@01/05/2024 | Current User@03/15/2024 | Stored Reviewer@01/07/2024" << "td te te";
    QTest::newRow("reviewer approves then reviews")
        << "CAN_REVIEW" << "P" << "A+ R+"
        << "Stored Preparer@01/05/2024 | Current User@03/15/2024 | Current User@03/15/2024" << "td td te";
    QTest::newRow("no right changes nothing") << "" << "P" << "P- A+ R+" << "Stored Preparer@01/05/2024 | @ | @"
                                              << "td -d -d";
}

void tst_RecRules::clicks()
{
    QFETCH(QString, permission);
    QFETCH(QString, state);
    QFETCH(QString, clicks);
    QFETCH(QString, signOffs);
    QFETCH(QString, expected);
    GLAccountBalance balance = stored(state);
    SignOffRules rules;
    rules.load(balance, permission, kMe, kToday);
    for (const QString& c : clicks.split(' ')) {
        const Box box = c[0] == 'P' ? SignOffRules::Prepared : c[0] == 'A' ? SignOffRules::Approved : SignOffRules::Reviewed;
        rules.click(box, c[1] == '+');
    }
    QCOMPARE(::signOffs(balance), signOffs);
    QCOMPARE(boxes(rules), expected);
}

void tst_RecRules::accountTexts_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("erp");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("expected"); // normal balance | yes/no | ERP | description
    QTest::newRow("asset") << "A" << "yes" << "N" << "  Cash on hand"
                           << "Debit|Yes|None|  Cash on hand";
    QTest::newRow("expense") << "X" << "YES" << "C2300" << "   "
                             << "Debit|Yes| C2300  Other Current Liabilities|No description has been entered for this account.";
    QTest::newRow("liability") << "L" << "Y" << "N" << "x" << "Credit|No|None|x";
    QTest::newRow("contra-asset") << "C" << "No" << "N" << "x" << "Credit|No|None|x";
    QTest::newRow("null type") << "N" << "yes " << "N" << "x" << "Credit|No|None|x";
}

void tst_RecRules::accountTexts()
{
    QFETCH(QString, type);
    QFETCH(QString, flag);
    QFETCH(QString, erp);
    QFETCH(QString, description);
    QFETCH(QString, expected);
    ModelFixture fx(true);
    GLAccount account;
    account.setAccountTypeCode(type);
    account.SetERPNumber(erp);
    account.setComment(description);
    account.setActive(flag);
    QCOMPARE(QStringList({AccountInfoTexts::normalBalance(account), AccountInfoTexts::yesNo(account.getActive()),
                          AccountInfoTexts::erpNumber(account), AccountInfoTexts::description(account)})
                 .join('|'),
             expected);
    QCOMPARE(AccountInfoTexts::policy(account), QStringLiteral("No policy has been entered for this account."));
}

void tst_RecRules::itemDates_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<bool>("hasClose");
    QTest::addColumn<QString>("close");
    QTest::addColumn<QString>("problem");
    const QString order = "The Close Date must be after the Open Date. Please change the date so that the Close "
                          "Date will be after the Open Date.";
    QTest::newRow("no open date") << "" << false << "" << "The entry for Open Date is invalid.";
    QTest::newRow("digits") << "013124" << false << "" << "";
    QTest::newRow("close not wanted") << "01/31/2024" << false << "01/01/2024" << "";
    QTest::newRow("close missing") << "01/31/2024" << true << "" << "The entry for Close Date is invalid.";
    QTest::newRow("close equal") << "01/31/2024" << true << "01/31/2024" << order;
    QTest::newRow("close earlier") << "01/31/2024" << true << "12/31/2023" << order;
    QTest::newRow("close next day") << "01/31/2024" << true << "02/01/2024" << "";
}

void tst_RecRules::itemDates()
{
    QFETCH(QString, open);
    QFETCH(bool, hasClose);
    QFETCH(QString, close);
    QFETCH(QString, problem);
    QCOMPARE(RecItemRules::datesProblem(open, hasClose, close), problem);
    QCOMPARE(RecItemRules::dayAfter("01/31/2024"), QStringLiteral("02/01/2024"));
    QCOMPARE(RecItemRules::timingCode(" t "), QStringLiteral("T"));
    QCOMPARE(RecItemRules::timingCode("X"), QStringLiteral("U"));
}

QTEST_MAIN(tst_RecRules)
#include "tst_recrules.moc"
