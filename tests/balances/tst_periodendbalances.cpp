#include "apperror.h"
#include "arcurrency.h"
#include "balancesimport.h"
#include "balancesmodel.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "gridview.h"
#include "modelfixture.h"
#include "periodendbalancesdialog.h"
#include "periodendbalancesimportdialog.h"
#include "titlepanels.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// The balances editor and its import: what the grid and its total show is what OK stores, OK keeps
// what other users saved meanwhile, and an import either applies every good row or changes nothing.
class tst_PeriodEndBalances : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { QDir(BalancesImport::importFolder()).removeRecursively(); }
    void editorShowsEveryAccount();
    void typedAmounts_data();
    void typedAmounts();
    void okStoresWhatIsShown();
    void okKeepsWhatOthersSaved();
    void failedOkLosesNothing_data();
    void failedOkLosesNothing();
    void cancelStoresNothing();
    void summaries_data();
    void summaries();
    void importNamesOneAccount_data();
    void importNamesOneAccount();
    void importThroughTheDialogs();
    void importErrors_data();
    void importErrors();
    void importCopies();
    void importsEveryKind_data();
    void importsEveryKind();
    void importSaysWhatItLeftOut_data();
    void importSaysWhatItLeftOut();
    void amountsLineUpOnTheDecimalPoint();
    void totalAtTheExtremes_data();
    void totalAtTheExtremes();
};

namespace {

constexpr auto kOctober = "10/31/2026";
constexpr auto kEmptyMonth = "01/31/2020";
// The import summary after its count, and before the balances it refused.
const QString head = " account balances were imported into Corvantis.\r\n\r\nNet amount imported DR (CR):\t";
const QString refused = "\r\n\r\nCorvantis could not import the following balances: \r\n";

QTableView* grid(const QDialog& d)
{
    return d.findChild<QTableView*>("grd");
}

QString cell(const QDialog& d, int row, int column)
{
    return grid(d)->model()->index(row, column).data().toString();
}

int rowOf(const QDialog& d, const QString& number)
{
    const QAbstractItemModel* m = grid(d)->model();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->index(r, 0).data().toString() == number)
            return r;
    return -1;
}

// Types into the "DR(CR)" cell of the account as a user does, leaving the editor open.
void type(PeriodEndBalancesDialog& d, const QString& number, const QString& text)
{
    QTableView* g = grid(d);
    const QModelIndex index = g->model()->index(rowOf(d, number), 2);
    g->setCurrentIndex(index);
    g->edit(index);
    auto* editor = g->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(text);
}

QString total(const QDialog& d)
{
    return d.findChild<QLabel*>("lblTotal")->text();
}

qint64 storedUnits(const ModelFixture& f, const QString& number, const QString& isoDate)
{
    return f.value("SELECT b.amount FROM GLAccountBalance b JOIN GLAccount a ON a.glAcctID = b.glAcctID "
                   "WHERE a.glacctnbr = ? AND b.Date = ?",
                   {number, isoDate})
        .toLongLong();
}

QString writeFile(const QString& folder, const QString& name, const QByteArray& bytes)
{
    return TestDb::textFile(folder, name, bytes);
}

// "number|amount" lines as the import reads them from a file.
BalanceRows balanceRows(const QStringList& lines)
{
    BalanceRows rows;
    for (const QString& line : lines)
        rows.append({line.section('|', 0, 0), line.section('|', 1)});
    return rows;
}

} // namespace

void tst_PeriodEndBalances::editorShowsEveryAccount()
{
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize(kEmptyMonth);
    QCOMPARE(d.windowTitle(), QStringLiteral("Period End Balances"));
    QCOMPARE(d.findChild<CompoundDialogTitlePanel*>("m_title")->subTitle(), QStringLiteral("As of January 31, 2020"));
    const QAbstractItemModel* m = grid(d)->model();
    QCOMPARE(m->rowCount(), f.rows("GLAccount")); // inactive accounts too
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("DR(CR)"));
    QCOMPARE(cell(d, 0, 0), QStringLiteral("1010")); // in number order
    QCOMPARE(cell(d, 0, 2), QStringLiteral("0.00"));
    QCOMPARE(total(d), QStringLiteral("0.00"));
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!(m->flags(m->index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(m->flags(m->index(0, 2)) & Qt::ItemIsEditable);

    PeriodEndBalancesDialog october;
    october.initialize(kOctober);
    QCOMPARE(cell(october, rowOf(october, "1010"), 2), QStringLiteral("192,343.04"));
    const qint64 sum = f.value("SELECT sum(amount) FROM GLAccountBalance WHERE Date = '2026-10-31'").toLongLong();
    QCOMPARE(total(october), ARCurrency::display(sum));
}

void tst_PeriodEndBalances::typedAmounts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // "" when refused
    QTest::newRow("cents kept, further digits dropped") << "1234.567" << "1,234.56";
    QTest::newRow("a credit") << "-20" << "(20.00)";
    QTest::newRow("parentheses") << "(12.00)" << "(12.00)";
    QTest::newRow("grouped") << "1,234.5" << "1,234.50";
    QTest::newRow("blank is nothing") << "" << "0.00";
    QTest::newRow("letters") << "abc" << "";
    QTest::newRow("misplaced comma") << "12,3.4" << "";
    QTest::newRow("too large for the money type") << "1e30" << "";
    QTest::newRow("fourteen digits are too large") << "10000000000000" << "";
    // Typed and shown with the separators of the user's locale.
    QTest::newRow("German: a decimal comma") << "7,5" << "7,50";
    QTest::newRow("German: grouped, a credit") << "-1.234,567" << "(1.234,56)";
    QTest::newRow("German: an English amount") << "1,234.56" << "";
}

void tst_PeriodEndBalances::typedAmounts()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    const QLocale saved;
    if (QByteArray(QTest::currentDataTag()).startsWith("German:"))
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize(kEmptyMonth);
    type(d, "1020", typed);
    const bool committed = QMetaObject::invokeMethod(&d, "accept"); // OK commits the cell first
    QVERIFY(committed);
    const int row = rowOf(d, "1020");
    if (shown.isEmpty()) {
        // Refused: said so, nothing stored, the dialog open, the balance as it was.
        QCOMPARE(f.seams.prompter.messages.size(), 1);
        // A number too large is told so, with the range allowed; any other text asks for nnnn.nn.
        const bool tooLarge = QByteArray(QTest::currentDataTag()).contains("too large");
        QCOMPARE(f.seams.prompter.lastText(), tooLarge ? ARCurrency::refusedEntryMessage(typed)
                                                       : QStringLiteral("Please enter an amount in nnnn.nn format."));
        QCOMPARE(f.seams.prompter.lastText().startsWith(QStringLiteral("The amount is too large.")), tooLarge);
        QVERIFY(!d.isHidden() || d.result() != QDialog::Accepted);
        QCOMPARE(f.rows("GLAccountBalanceAudit WHERE Date = '2020-01-31'"), 0);
        QCOMPARE(cell(d, row, 2), ARCurrency::localeDisplay(0));
        return;
    }
    QCOMPARE(cell(d, row, 2), shown);
    QCOMPARE(total(d), shown);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(ARCurrency::localeDisplay(storedUnits(f, "1020", "2020-01-31")), shown);
}

void tst_PeriodEndBalances::okStoresWhatIsShown()
{
    ModelFixture f(true);
    const qint64 auditBefore = f.rows("GLAccountBalanceAudit");
    PeriodEndBalancesDialog d;
    d.initialize(kEmptyMonth);
    type(d, "1010", "100.10");
    grid(d)->setCurrentIndex(grid(d)->model()->index(0, 0)); // leaving the cell ends its edit
    QCOMPARE(total(d), QStringLiteral("100.10"));
    d.findChild<QPushButton*>("OKButton")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    // Every account gets its row for the date, each with its audit row; the edit as shown.
    QCOMPARE(f.rows("GLAccountBalance WHERE Date = '2020-01-31'"), f.rows("GLAccount"));
    QCOMPARE(f.rows("GLAccountBalanceAudit") - auditBefore, f.rows("GLAccount"));
    QCOMPARE(storedUnits(f, "1010", "2020-01-31"), 1001000);
    QCOMPARE(f.value("SELECT sum(amount) FROM GLAccountBalance WHERE Date = '2020-01-31'").toLongLong(), 1001000);
}

void tst_PeriodEndBalances::okKeepsWhatOthersSaved()
{
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize(kOctober);
    // Meanwhile another user signs 1020 off, changes the amount of 1030 and stores a row of an
    // account that had none.
    f.value("UPDATE GLAccountBalance SET reviewedBy = 'Other', comment = 'checked' WHERE Date = '2026-10-31' AND "
            "glAcctID = (SELECT glAcctID FROM GLAccount WHERE glacctnbr = '1020')");
    f.value("UPDATE GLAccountBalance SET amount = 777700 WHERE Date = '2026-10-31' AND "
            "glAcctID = (SELECT glAcctID FROM GLAccount WHERE glacctnbr = '1030')");
    const QString missing = f.value("SELECT glacctnbr FROM GLAccount a WHERE NOT EXISTS (SELECT 1 FROM "
                                    "GLAccountBalance b WHERE b.glAcctID = a.glAcctID AND b.Date = '2026-10-31')")
                                .toString();
    QVERIFY(!missing.isEmpty());
    f.value("INSERT INTO GLAccountBalance (glAcctID, Date, amount) SELECT glAcctID, '2026-10-31', 500 FROM GLAccount "
            "WHERE glacctnbr = ?",
            {missing});
    type(d, "1020", "5");
    d.findChild<QPushButton*>("OKButton")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(storedUnits(f, "1020", "2026-10-31"), 50000);
    QCOMPARE(f.value("SELECT b.reviewedBy || '/' || b.comment FROM GLAccountBalance b JOIN GLAccount a ON a.glAcctID = "
                     "b.glAcctID WHERE glacctnbr = '1020' AND Date = '2026-10-31'")
                 .toString(),
             QStringLiteral("Other/checked"));
    QCOMPARE(storedUnits(f, "1030", "2026-10-31"), 777700);
    QCOMPARE(storedUnits(f, missing, "2026-10-31"), 500);
    QCOMPARE(f.rows("GLAccountBalance WHERE Date = '2026-10-31'"), f.rows("GLAccount"));
    // The audit row of the change records the row as it now stands, the sign-off included.
    QCOMPARE(f.value("SELECT reviewedBy || '/' || amount FROM GLAccountBalanceAudit WHERE Activity = 'UPDATE' ORDER BY AuditId DESC LIMIT 1")
                 .toString(),
             QStringLiteral("Other/50000"));
}

void tst_PeriodEndBalances::failedOkLosesNothing_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QByteArray>("imported"); // the file imported, else the amount is typed
    QTest::addColumn<QString>("message");     // empty: a write that fails, then works
    QTest::newRow("a write that fails") << kEmptyMonth << QByteArray() << QString();
    // The account's balance at the date stays behind its delete: no place for the amount.
    const QString deleted = "Account 1150 was deleted by Robin Chen at ";
    QTest::newRow("typed into a deleted account") << kOctober << QByteArray() << deleted;
    QTest::newRow("imported into a deleted account") << kOctober << QByteArray("1150,42\r\n") << deleted;
    if (TestDb::onServer()) // a desk whose database role may read the balances but not change them
        QTest::newRow("a role that may only read")
            << kOctober << QByteArray()
            << "The database role 'corvantis_reader' may not change the period-end balances, so nothing was stored.";
}

void tst_PeriodEndBalances::failedOkLosesNothing()
{
    QFETCH(QString, date);
    QFETCH(QByteArray, imported);
    QFETCH(QString, message);
    ModelFixture f(true);
    const bool reader = message.startsWith("The database role");
    if (reader) {
        TestDb::serverAdmin("DO $$ BEGIN CREATE ROLE corvantis_reader LOGIN; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$");
        Db::exec(f.db, "GRANT SELECT ON ALL TABLES IN SCHEMA public TO corvantis_reader");
        Global::mainDatabasePath.replace("//corvantis@", "//corvantis_reader@");
    }
    PeriodEndBalancesDialog d;
    d.initialize(date);
    if (imported.isEmpty())
        type(d, "1150", "42");
    else
        d.importBalances(writeFile(f.seams.folder(), "b.csv", imported));
    if (message.isEmpty()) {
        f.breakAudit("GLAccountBalanceAudit");
    } else if (!reader) { // another user deletes the account in the account setup
        Global::userName = "reviewer";
        GLAccount other;
        other.Load(f.value("SELECT glAcctID FROM GLAccount WHERE glacctnbr = '1150'").toString());
        other.remove();
        Global::userName = "preparer";
    }
    const QString stored = "SELECT (SELECT count(*) FROM GLAccountBalanceAudit) || '/' || count(*) || '/' || "
                           "sum(amount) FROM GLAccountBalance";
    const QVariant before = f.value(stored);
    f.seams.prompter.clear();
    d.findChild<QPushButton*>("OKButton")->click();
    QCOMPARE(f.seams.prompter.messages.size(), 1);
    QVERIFY2(f.seams.prompter.lastText().contains(message), qPrintable(f.seams.prompter.lastText()));
    QVERIFY(d.result() != QDialog::Accepted);
    QCOMPARE(f.value(stored), before);
    QCOMPARE(cell(d, rowOf(d, "1150"), 2), QStringLiteral("42.00"));
    if (!message.isEmpty())
        return;
    // Mended, the same OK stores it all.
    f.mendAudit();
    d.findChild<QPushButton*>("OKButton")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(f.rows("GLAccountBalance WHERE Date = '2020-01-31'"), f.rows("GLAccount"));
    QCOMPARE(storedUnits(f, "1150", "2020-01-31"), 420000);
}

void tst_PeriodEndBalances::cancelStoresNothing()
{
    ModelFixture f(true);
    const qint64 audit = f.rows("GLAccountBalanceAudit");
    const qint64 before = storedUnits(f, "1010", "2026-10-31");
    PeriodEndBalancesDialog d;
    d.initialize(kOctober);
    type(d, "1010", "1");
    d.importBalances(writeFile(f.seams.folder(), "b.csv", "1020,99\r\n"));
    QTest::keyClick(&d, Qt::Key_Escape);
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(storedUnits(f, "1010", "2026-10-31"), before);
    QCOMPARE(f.rows("GLAccountBalanceAudit"), audit);
}

void tst_PeriodEndBalances::summaries_data()
{
    QTest::addColumn<QStringList>("rows"); // "number|amount"
    QTest::addColumn<QString>("summary");
    QTest::newRow("one known, one unknown")
        << QStringList{"1010|1234.56", "9999|12"}
        << "1" + head + "1,234.56 " + refused + " - '12'\tinto Account\t'9999'\tinvalid account\r\n";
    QTest::newRow("amount and both invalid, a workbook's date")
        << QStringList{"1010|abc", "9999|abc", "1020|1e30", "1030|12/31/2026"}
        << "0" + head + "0.00 " + refused + " - 'abc'\tinto Account\t'1010'\tamount invalid\r\n" +
               " - 'abc'\tinto Account\t'9999'\tboth items invalid\r\n" +
               " - '1e30'\tinto Account\t'1020'\tamount invalid\r\n" +
               " - '12/31/2026'\tinto Account\t'1030'\tamount invalid\r\n";
    QTest::newRow("listed twice: both counted, the last wins")
        << QStringList{"1010|10", "1010|-25.509"} << "2" + head + "(15.50)";
    QTest::newRow("exponent, cents truncated, parentheses")
        << QStringList{"1010|1e12", "1020|-12.349", "1030|(0.50)"} << "3" + head + "999,999,999,987.16 ";
    QTest::newRow("nothing") << QStringList{} << "0" + head + "0.00 ";
    QTest::newRow("past the range on the way, the net fits")
        << (QStringList(101, "1010|9223372036854.77") << "1020|-9223372036854.77")
        << "102" + head + "922,337,203,685,477.00 ";
}

void tst_PeriodEndBalances::summaries()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, summary);
    ModelFixture f(true);
    GLAccountBalanceList list;
    list.Load(kEmptyMonth);
    const BalancesImportOutcome outcome = BalancesImport::apply(balanceRows(rows), list);
    QCOMPARE(outcome.summary(), summary);
    if (QTest::currentDataTag() == QByteArrayLiteral("listed twice: both counted, the last wins"))
        QCOMPARE(list.getGLAccountBalance("1010").getAdjustedAmount().units(), -255000);
}

void tst_PeriodEndBalances::importNamesOneAccount_data()
{
    QTest::addColumn<QStringList>("rows"); // "number|amount"
    QTest::addColumn<QString>("deleted");  // an account another user deletes once the list is loaded
    QTest::addColumn<QString>("summary");  // from the count on
    QTest::addColumn<QString>("amounts");  // STRASSE, straße
    QTest::newRow("each number names its own account")
        << QStringList{"stra\u00dfe|100.00", "STRASSE|200.00"} << "" << "2" + head + "300.00 " << "200/100";
    QTest::newRow("a number that is neither names two")
        << QStringList{"Strasse|5", "STRASSE|1", "STRASSE|x"} << ""
        << "1" + head + "1.00 " + refused + " - '5'\tinto Account\t'Strasse'\tnames two accounts\r\n" +
               " - 'x'\tinto Account\t'STRASSE'\tamount invalid\r\n"
        << "1/0";
    QTest::newRow("an account deleted meanwhile")
        << QStringList{"1020|7", "stra\u00dfe|1", "1020|x"} << "1020"
        << "1" + head + "1.00 " + refused + " - '7'\tinto Account\t'1020'\taccount deleted meanwhile\r\n" +
               " - 'x'\tinto Account\t'1020'\tboth items invalid\r\n"
        << "0/1";
}

void tst_PeriodEndBalances::importNamesOneAccount()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, deleted);
    QFETCH(QString, summary);
    QFETCH(QString, amounts);
    ModelFixture f(true);
    // Two numbers that are one name under the rule, both stored before it folded "ß" as "ss".
    for (const QString& number : {QStringLiteral("STRASSE"), QStringLiteral("stra\u00dfe")})
        Db::exec(f.db, "INSERT INTO GLAccount (glacctnbr, name, active) VALUES (?, ?, 'Yes')", {number, number});
    GLAccountBalanceList list;
    list.Load(kEmptyMonth);
    if (!deleted.isEmpty())
        Db::exec(f.db, "DELETE FROM GLAccount WHERE glacctnbr = ?", {deleted});
    const BalancesImportOutcome outcome = BalancesImport::apply(balanceRows(rows), list);
    QCOMPARE(outcome.summary(), summary);
    // OK stores what the summary said: the net is what the month now holds.
    list.applyAmountEdit();
    QCOMPARE(f.value("SELECT sum(amount) FROM GLAccountBalance WHERE Date = '2020-01-31'").toLongLong(),
             outcome.net.units());
    QCOMPARE(QStringLiteral("%1/%2")
                 .arg(storedUnits(f, "STRASSE", "2020-01-31") / 10000)
                 .arg(storedUnits(f, "stra\u00dfe", "2020-01-31") / 10000),
             amounts);
}

void tst_PeriodEndBalances::importThroughTheDialogs()
{
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize(kEmptyMonth);
    const QString file = writeFile(f.seams.folder(), "BAL.CSV", "1010,1234.567\r\n1020,-20\r\n9999,5\r\n");
    f.seams.chooser.answers = {file};
    QString companyTitle, subtitle;
    d.setDialogRunner([&](QDialog& dialog) {
        auto* import = qobject_cast<PeriodEndBalancesImportDialog*>(&dialog);
        companyTitle = dialog.findChild<CompoundDialogTitlePanel*>("m_titlePanel")->title();
        subtitle = dialog.findChild<CompoundDialogTitlePanel*>("m_titlePanel")->subTitle();
        dialog.findChild<QPushButton*>("OKButton")->click(); // no file yet: said so, stays open
        dialog.findChild<QPushButton*>("cmdBrowse")->click();
        dialog.findChild<QPushButton*>("OKButton")->click();
        return import->isApproved() ? 1 : 0;
    });
    d.findChild<QPushButton*>("cmdImport")->click();
    QCOMPARE(companyTitle, QStringLiteral("Harbor Point Supply Co."));
    QCOMPARE(subtitle, QStringLiteral("For the Period Ending January 31, 2020"));
    QCOMPARE(f.seams.chooser.filters.value(0), QStringLiteral("Microsoft Excel Files (*.xls)|*.xls|Microsoft Excel Files "
                                                                "(*.xlsx)|*.xlsx|Comma Separated Value Files (*.csv)|*.csv"));
    QCOMPARE(f.seams.prompter.messages.size(), 2);
    QCOMPARE(f.seams.prompter.messages[0].text,
             QStringLiteral("Please select the location of the period end balance import button by clicking the Browse "
                            "button."));
    QCOMPARE(f.seams.prompter.lastTitle(), QStringLiteral("Import Summary"));
    QVERIFY(f.seams.prompter.lastText().startsWith("2 account balances were imported into Corvantis."));
    // The grid and its total follow the import at once, and show what OK stores.
    QCOMPARE(cell(d, rowOf(d, "1010"), 2), QStringLiteral("1,234.56"));
    QCOMPARE(cell(d, rowOf(d, "1020"), 2), QStringLiteral("(20.00)"));
    QCOMPARE(total(d), QStringLiteral("1,214.56"));
    QVERIFY(QFile::exists(BalancesImport::importFolder() + "/__balances.CSV"));
    const QByteArray schema = [] {
        QFile ini(BalancesImport::importFolder() + "/schema.ini");
        return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
    }();
    QCOMPARE(schema, QByteArray("[__balances.csv]\r\nColNameHeader = False\r\nCol1=AccountNumber Text\r\nCol2=Amount Text\r\n"));
    d.findChild<QPushButton*>("OKButton")->click();
    QCOMPARE(storedUnits(f, "1010", "2020-01-31"), 12345600);
}

void tst_PeriodEndBalances::importErrors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: the file is not there
    QTest::addColumn<QString>("says");
    QTest::newRow("unknown kind") << "balances.txt" << QByteArray("1010,5\r\n")
                                  << "Encountered invalid file type. Don't know how to import .txt files";
    QTest::newRow("gone since browse") << "gone.csv" << QByteArray() << "Unable to copy selected import file";
    QTest::newRow("a bad line after good ones") << "b.csv" << QByteArray("1010,5\r\n1020,\r\n")
                                                << "Unable to read the period end balance data from the import file (CSV)";
    QTest::newRow("not a workbook") << "b.xlsx" << QByteArray("1010,5\r\n") << "b.xlsx";
    // Each amount is allowed, their net is not: nothing is applied and the line is named.
    QTest::newRow("a net too large") << "b.csv" << QByteArray("1010,1\r\n\r\n").append(QByteArray("1020,9000000000000\r\n").repeated(120))
                                     << "The net amount of the file is too large: from line 105 on (account '1020')";
    QTest::newRow("another separator") << "b.csv" << QByteArray("1010;\"1,234.50\"\r\n1020;5\r\n")
                                       << "separates its fields with semicolons (;), not with commas";
    QTest::newRow("no import folder can be made") << "b.csv" << QByteArray("1010,5\r\n") << "import folder";
}

void tst_PeriodEndBalances::importErrors()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, says);
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize(kOctober);
    const QString before = total(d);
    const QString path = content.isEmpty() ? f.seams.path(name) : writeFile(f.seams.folder(), name, content);
    // A file where the import folder belongs stands for a folder that cannot be written.
    const bool blocked = QTest::currentDataTag() == QByteArrayLiteral("no import folder can be made");
    const QString importPath = QDir(BalancesImport::importFolder()).absolutePath();
    if (blocked) {
        QDir(importPath).removeRecursively();
        writeFile(QFileInfo(importPath).absolutePath(), "import", "not a folder");
    }
    d.importBalances(path);
    if (blocked)
        QFile::remove(importPath);
    QCOMPARE(f.seams.prompter.messages.size(), 1);
    QCOMPARE(f.seams.prompter.lastTitle(), QStringLiteral("Import Error"));
    const QString text = f.seams.prompter.lastText();
    QVERIFY2(text.startsWith("Encountered an Unexpected Error while attempting to import period end balances: \r\n\r\n"),
             qPrintable(text));
    QVERIFY2(text.endsWith("\r\n\r\nIf you continue to encounter problems, please contact our technical support staff."),
             qPrintable(text));
    QVERIFY2(text.contains(says), qPrintable(text));
    // Nothing of the file was applied, not even the rows before the failure.
    QCOMPARE(total(d), before);
}

void tst_PeriodEndBalances::importCopies()
{
    ModelFixture f(true);
    GLAccountBalanceList list;
    list.Load(kEmptyMonth);
    const QString folder = BalancesImport::importFolder();
    // A stale copy with another case is never read: the copy of BAL.CSV is __balances.CSV.
    writeFile(folder, "__balances.csv", "1010,999\r\n");
    BalancesImport::run(writeFile(f.seams.folder(), "BAL.CSV", "1010,1\r\n"), list);
    QCOMPARE(list.getGLAccountBalance("1010").getAdjustedAmount().units(), 10000);
    // Choosing the import folder's own copy reads it and leaves it whole.
    const QString own = folder + "/__balances.csv";
    const BalancesImportOutcome outcome = BalancesImport::run(own, list);
    QCOMPARE(outcome.imported, 1);
    QCOMPARE(list.getGLAccountBalance("1010").getAdjustedAmount().units(), 9990000);
    QFile copy(own);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("1010,999\r\n"));
    copy.close();
    // A copy the disk cuts short (a file-size limit stands in for a full disk) imports nothing and
    // leaves the previous copy whole.
    const QString longer = writeFile(f.seams.folder(), "long.csv", "1010,5\r\n1020,6\r\n1030,7\r\n1040,8\r\n");
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 20;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    try {
        BalancesImport::run(longer, list);
    } catch (const AppError& e) {
        error = e.description();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY2(error.contains("Unable to copy selected import file"), qPrintable(error));
    QCOMPARE(list.getGLAccountBalance("1010").getAdjustedAmount().units(), 9990000);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("1010,999\r\n"));
    // An existing schema.ini is left as it is.
    writeFile(folder, "schema.ini", "mine");
    BalancesImport::createSchemaIniFileIfNecessary(folder);
    QFile ini(folder + "/schema.ini");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray("mine"));
}

void tst_PeriodEndBalances::importsEveryKind_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("amount1020");
    QTest::addColumn<QString>("amount1050");
    QTest::newRow("csv") << "balances.csv" << "-200000" << "1000";
    QTest::newRow("xls") << "balances.xls" << "1000" << "75000";
    QTest::newRow("xlsx") << "balances.xlsx" << "1000" << "75000";
}

void tst_PeriodEndBalances::importsEveryKind()
{
    QFETCH(QString, fixture);
    QFETCH(QString, amount1020);
    QFETCH(QString, amount1050);
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize(kEmptyMonth);
    d.importBalances(QStringLiteral(CORVANTIS_FIXTURES "/") + fixture);
    QCOMPARE(f.seams.prompter.lastTitle(), QStringLiteral("Import Summary"));
    const QString summary = f.seams.prompter.lastText();
    QVERIFY2(summary.startsWith("2 account balances were imported into Corvantis."), qPrintable(summary));
    QVERIFY2(summary.contains(" - 'abc'\tinto Account\t'1030'\tamount invalid\r\n"), qPrintable(summary));
    d.findChild<QPushButton*>("OKButton")->click();
    QCOMPARE(QString::number(storedUnits(f, "1020", "2020-01-31")), amount1020);
    QCOMPARE(QString::number(storedUnits(f, "1050", "2020-01-31")), amount1050);
}

void tst_PeriodEndBalances::importSaysWhatItLeftOut_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("summary");
    QTest::newRow("an unquoted thousands separator")
        << "split-thousands.csv"
        << "1" + head + "100.00 " + refused + " - '1,234.56'\tinto Account\t'1310'\tamount invalid\r\n" +
               " - '$1,000.00'\tinto Account\t'1030'\tamount invalid\r\n";
    QTest::newRow("data below the first empty row")
        << "blank-row-midway.xlsx"
        << "6" + head +
               "(895.02)\r\n\r\nThe import stopped at row 7, the first row without an account number; "
               "row 8 below it holds data that was not imported.";
}

void tst_PeriodEndBalances::importSaysWhatItLeftOut()
{
    QFETCH(QString, fixture);
    QFETCH(QString, summary);
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize("11/30/2026");
    d.importBalances(QStringLiteral(CORVANTIS_FIXTURES "/") + fixture);
    QCOMPARE(f.seams.prompter.lastTitle(), QStringLiteral("Import Summary"));
    QCOMPARE(f.seams.prompter.lastText(), summary);
}

void tst_PeriodEndBalances::amountsLineUpOnTheDecimalPoint()
{
    ModelFixture f(true);
    PeriodEndBalancesDialog d;
    d.initialize("11/30/2026");
    d.resize(d.sizeHint() + QSize(150, 0)); // an enlarged editor keeps the total under its column
    d.show();
    QCoreApplication::processEvents();
    auto* grid = d.findChild<QTableView*>("grd");
    auto* total = d.findChild<QLabel*>("lblTotal");
    const int amount = BalancesModel::AmountColumn;
    const int columnRight =
        grid->viewport()
            ->mapTo(&d, QPoint(grid->columnViewportPosition(amount) + grid->columnWidth(amount), 0))
            .x();
    const int textRight = total->mapTo(&d, total->contentsRect().topRight()).x() + 1;
    QVERIFY2(qAbs(textRight - (columnRight - GridView::amountRightMargin(grid, total->text()))) <= 1,
             qPrintable(QStringLiteral("%1 %2").arg(textRight).arg(columnRight)));
    // A positive leaves the room of the ")" that closes a negative.
    QCOMPARE(GridView::amountRightMargin(grid, "1.00") - GridView::amountRightMargin(grid, "(1.00)"),
             grid->fontMetrics().horizontalAdvance(QLatin1Char(')')));
}

// The total is exact whatever the running sum, shows whole however wide, and one too large for the
// money type says so in its box: the editor stays open with the typed work.
void tst_PeriodEndBalances::totalAtTheExtremes_data()
{
    const qint64 max = ARCurrency::largestEntry().units();
    QTest::addColumn<QList<qint64>>("balances"); // of accounts added
    QTest::addColumn<QString>("typed");          // then typed into 1010, Enter
    QTest::addColumn<QString>("total");
    QTest::newRow("past the range once typed") << QList<qint64>(100, max) << "1.00" << ARCurrencySum::tooLargeText();
    QTest::newRow("past the range on the way, the total fits")
        << (QList<qint64>(101, max) << -max) << "" << "922,337,203,685,477.00";
    QTest::newRow("a total wider than the column") << QList<qint64>{2000900000000} << "" << "200,090,000.00";
    QTest::newRow("the widest credit") << QList<qint64>(100, -max) << "" << "(922,337,203,685,477.00)";
}

void tst_PeriodEndBalances::totalAtTheExtremes()
{
    QFETCH(QList<qint64>, balances);
    QFETCH(QString, typed);
    QFETCH(QString, total);
    ModelFixture f(true);
    Db::Transaction tx(f.db);
    for (int i = 0; i < balances.size(); ++i)
        Db::exec(f.db,
                 "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount) VALUES (?, ?, ?, 0)",
                 {Db::insertReturningId(f.db, "INSERT INTO GLAccount (glacctnbr) VALUES (?)",
                                        {QString::number(90000 + i)}),
                  "2020-01-31", balances[i]});
    tx.commit();
    PeriodEndBalancesDialog d;
    d.initialize(kEmptyMonth);
    d.show();
    if (!typed.isEmpty()) {
        type(d, "1010", typed);
        QTest::keyClick(grid(d)->viewport()->findChild<QLineEdit*>(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the grid commits a cell on Enter from its event loop
        QCOMPARE(cell(d, rowOf(d, "1010"), 2), typed);
    }
    QVERIFY(d.isVisible() && f.seams.prompter.messages.isEmpty());
    auto* box = d.findChild<QLabel*>("lblTotal");
    QCOMPARE(box->text(), total);
    QVERIFY(box->contentsRect().width() >= box->fontMetrics().horizontalAdvance(total)); // whole
}

QTEST_MAIN(tst_PeriodEndBalances)
#include "tst_periodendbalances.moc"
