#include "datebox.h"
#include "glaccount.h"
#include "modelfixture.h"
#include "modregistry.h"
#include "persistence.h"
#include "reconciliation.h"
#include "recselectdialog.h"
#include "titlepanels.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <memory>

// Both account-selection dialogs, each case run on the review table and on the prepare dialog:
// filters and their settings, statuses and figures, the shared sort, the chosen account kept by
// its id, confirming with good and bad dates, and the export.
class tst_RecSelectDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { Global::gridSortState = Global::GridSortState::atStart(); }
    void opensAsRemembered_data();
    void opensAsRemembered();
    void filters_data() { variants(); }
    void filters();
    void statuses_data() { variants(); }
    void statuses();
    void reviewFiguresEqualTheReconciliations();
    void statusLooksBackFromTheDate();
    void enlargedSizeIsRemembered_data() { variants(); }
    void enlargedSizeIsRemembered();
    void sorting_data() { variants(); }
    void sorting();
    void sortIsSharedBetweenVariants();
    void chosenAccountIsKeptById_data() { variants(); }
    void chosenAccountIsKeptById();
    void confirming_data();
    void confirming();
    void accountPastTheRange_data() { variants(); }
    void accountPastTheRange();
    void noAccounts_data() { variants(); }
    void noAccounts();
    void exporting_data() { variants(); }
    void exporting();
    void readsTheActiveConnection_data() { variants(); }
    void readsTheActiveConnection();

private:
    static void variants();
};

namespace {

std::unique_ptr<RecSelectDialogBase> make(bool review)
{
    if (review)
        return std::make_unique<RecSelectDialog>();
    return std::make_unique<RecSelectDialogSimple>();
}

QTableView* grid(const QDialog& d)
{
    return d.findChild<QTableView*>("grd");
}

// The visible cells of a column, top to bottom.
QStringList column(const QDialog& d, const QString& caption)
{
    const QAbstractItemModel* m = grid(d)->model();
    for (int c = 0; c < m->columnCount(); ++c) {
        if (m->headerData(c, Qt::Horizontal).toString() != caption)
            continue;
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, c).data().toString();
        return out;
    }
    return {QStringLiteral("no column ") + caption};
}

QString cellOf(const QDialog& d, const QString& number, const QString& caption)
{
    const int row = column(d, "Number").indexOf(number);
    return row < 0 ? QStringLiteral("no row") : column(d, caption).value(row);
}

int headerOf(const QDialog& d, const QString& caption)
{
    const QAbstractItemModel* m = grid(d)->model();
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == caption)
            return c;
    return -1;
}

void clickHeader(const QDialog& d, const QString& caption)
{
    emit grid(d)->horizontalHeader()->sectionClicked(headerOf(d, caption));
}

void choose(const QDialog& d, const char* group, int index)
{
    d.findChild<QRadioButton*>(QStringLiteral("%1_%2").arg(group).arg(index))->click();
}

QString currentNumber(const QDialog& d)
{
    const QModelIndex i = grid(d)->currentIndex();
    return i.isValid() ? grid(d)->model()->index(i.row(), 1).data().toString() : QString();
}

void setDate(const QDialog& d, const QString& date)
{
    auto* box = d.findChild<DateBox*>("dtpRecDate");
    box->setText(date);
    emit box->editingFinished();
}

void setSetting(const QString& name, const QVariant& value)
{
    modRegistry::setSetting("HKCU", RecSelectDialogBase::settingsKey(), name, value.typeId() == QMetaType::QString ? "S" : "D",
                            value);
}

} // namespace

void tst_RecSelectDialog::variants()
{
    QTest::addColumn<bool>("review");
    QTest::newRow("review") << true;
    QTest::newRow("prepare") << false;
}

void tst_RecSelectDialog::opensAsRemembered_data()
{
    QTest::addColumn<bool>("review");
    QTest::addColumn<QVariant>("active");  // invalid: no setting
    QTest::addColumn<QVariant>("keyControl");
    QTest::addColumn<int>("activeChecked");
    QTest::addColumn<int>("keyChecked");
    for (const bool review : {true, false}) {
        const QByteArray v = review ? "review, " : "prepare, ";
        QTest::newRow(v + "none") << review << QVariant() << QVariant() << 0 << 0;
        QTest::newRow(v + "stored") << review << QVariant(2) << QVariant(1) << 2 << 1;
        QTest::newRow(v + "out of range") << review << QVariant(5) << QVariant(-1) << 0 << 0;
        QTest::newRow(v + "not a number") << review << QVariant("abc") << QVariant("") << 0 << 0;
    }
}

void tst_RecSelectDialog::opensAsRemembered()
{
    QFETCH(bool, review);
    QFETCH(QVariant, active);
    QFETCH(QVariant, keyControl);
    QFETCH(int, activeChecked);
    QFETCH(int, keyChecked);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    if (active.isValid())
        setSetting("optAcctType", active);
    if (keyControl.isValid())
        setSetting("optKeyControl", keyControl);
    auto d = make(review);
    d->show();
    QCOMPARE(d->windowTitle(), review ? QStringLiteral("Reconciliation Review Table") : QStringLiteral("Prepare Reconciliation"));
    QCOMPARE(d->findChild<CompoundDialogTitlePanel*>("m_title")->title(), QStringLiteral("Pick an Account to Reconcile"));
    QCOMPARE(d->findChild<DateBox*>("dtpRecDate")->text(), QStringLiteral("10/31/2026"));
    QVERIFY(d->findChild<QRadioButton*>(QStringLiteral("optAcctType_%1").arg(activeChecked))->isChecked());
    QVERIFY(d->findChild<QRadioButton*>(QStringLiteral("optKeyControl_%1").arg(keyChecked))->isChecked());
    QStringList visible;
    for (int c = 0; c < grid(*d)->model()->columnCount(); ++c)
        if (!grid(*d)->isColumnHidden(c))
            visible << grid(*d)->model()->headerData(c, Qt::Horizontal).toString();
    const QStringList reviewColumns{"Number", "Name", "Balance", "Status", "Req Adj", "Unres", "Unident Diff"};
    const QStringList prepareColumns{"Number", "Name", "Balance", "Status"};
    QCOMPARE(visible, review ? reviewColumns : prepareColumns);
    // Closing the dialog writes the choice back, for either variant to find.
    choose(*d, "optAcctType", 1);
    choose(*d, "optKeyControl", 2);
    d.reset();
    QVariant stored;
    modRegistry::getSetting("HKCU", RecSelectDialogBase::settingsKey(), "optAcctType", "D", -1, stored);
    QCOMPARE(stored.toInt(), 1);
    modRegistry::getSetting("HKCU", RecSelectDialogBase::settingsKey(), "optKeyControl", "D", -1, stored);
    QCOMPARE(stored.toInt(), 2);
}

void tst_RecSelectDialog::filters()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    auto d = make(review);
    d->show();
    const auto expected = [&](const QString& where) {
        QStringList out;
        QSqlQuery q = Db::exec(f.db, "SELECT glacctnbr FROM GLAccount WHERE " + where + " ORDER BY glacctnbr");
        while (q.next())
            out << q.value(0).toString();
        return out;
    };
    QCOMPARE(column(*d, "Number"), expected("active = 'Yes' AND keycontrol = 'Yes'"));
    d->setApproved(true);
    choose(*d, "optKeyControl", 1);
    QVERIFY(!d->isApproved()); // a filter click clears the approval
    QCOMPARE(column(*d, "Number"), expected("active = 'Yes' AND keycontrol = 'No'"));
    choose(*d, "optAcctType", 2);
    choose(*d, "optKeyControl", 2);
    QCOMPARE(column(*d, "Number"), (QStringList{"1050", "2410", "9990"}));
    choose(*d, "optAcctType", 1);
    QCOMPARE(column(*d, "Number"), expected("1 = 1"));
}

void tst_RecSelectDialog::statuses()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    // 1010: reviewed and prepared; 1020: only approved; 1100: no row at the date but signed earlier.
    const auto set = [&](const QString& number, const QString& assignments) {
        f.value("UPDATE GLAccountBalance SET " + assignments +
                    " WHERE Date = '2026-10-31' AND glAcctID = (SELECT glAcctID FROM GLAccount WHERE glacctnbr = ?)",
                {number});
    };
    set("1010", "preparedBy = 'P', approvedBy = NULL, reviewedBy = 'R'");
    set("1020", "preparedBy = NULL, approvedBy = 'A', reviewedBy = NULL");
    f.value("DELETE FROM GLAccountBalance WHERE Date = '2026-10-31' AND glAcctID = (SELECT glAcctID FROM GLAccount "
            "WHERE glacctnbr = '1100')");
    f.value("UPDATE GLAccountBalance SET preparedBy = NULL, approvedBy = NULL, reviewedBy = NULL WHERE Date = "
            "'2026-11-30' AND glAcctID = (SELECT glAcctID FROM GLAccount WHERE glacctnbr = '1100')");
    const QString lastPrepared =
        Persistence::dateOf(f.value("SELECT MAX(Date) FROM GLAccountBalance WHERE preparedBy IS NOT NULL AND glAcctID "
                                    "= (SELECT glAcctID FROM GLAccount WHERE glacctnbr = '1100')"));
    QVERIFY(!lastPrepared.isEmpty());
    auto d = make(review);
    d->show();
    QCOMPARE(cellOf(*d, "1010", "Status"), QStringLiteral("Reviewed"));
    QCOMPARE(cellOf(*d, "1020", "Status"), QStringLiteral("Approved"));
    QCOMPARE(cellOf(*d, "1100", "Balance"), QString());
    // Only the review table looks back at an unsigned account's history.
    QCOMPARE(cellOf(*d, "1100", "Status"), review ? lastPrepared : QString());
    QCOMPARE(cellOf(*d, "1010", "Balance"),
             ARCurrency::display(f.value("SELECT amount FROM GLAccountBalance WHERE Date = '2026-10-31' AND glAcctID = 1")
                                     .toLongLong()));
}

void tst_RecSelectDialog::statusLooksBackFromTheDate()
{
    ModelFixture f(true);
    setSetting("optAcctType", 1);
    setSetting("optKeyControl", 2);
    Global::setCurrentRecDate("11/30/2025"); // before the first month end: nothing prepared yet
    RecSelectDialog d;
    d.show();
    QCOMPARE(cellOf(d, "1010", "Status"), QString());
    setDate(d, "01/15/2026");
    QCOMPARE(cellOf(d, "1010", "Status"), QStringLiteral("12/31/2025"));
    // The whole date fits its column.
    const int status = headerOf(d, "Status");
    QVERIFY(grid(d)->columnWidth(status) >
            grid(d)->fontMetrics().horizontalAdvance(QStringLiteral("12/31/2025")));
}

void tst_RecSelectDialog::enlargedSizeIsRemembered()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    auto d = make(review);
    d->show();
    const QSize first = d->size();
    const int nameWidth = grid(*d)->columnWidth(headerOf(*d, "Name"));
    d->resize(first + QSize(120, 90));
    QApplication::processEvents();
    QVERIFY(grid(*d)->columnWidth(headerOf(*d, "Name")) > nameWidth); // the names take the room
    const QSize enlarged = d->size();
    d.reset();
    QVariant width;
    modRegistry::getSetting("HKCU", RecSelectDialogBase::settingsKey(),
                            (review ? "RecSelectDialog" : "RecSelectDialogSimple") + QString("Width"), "D", 0,
                            width);
    QCOMPARE(width.toInt(), enlarged.width());
    d = make(review);
    d->show();
    // As large as it was left, as far as the screen allows.
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    QCOMPARE(d->size(), first.expandedTo(enlarged.boundedTo(screen)));
    QVERIFY(d->height() > first.height() || screen.height() <= first.height());
}

void tst_RecSelectDialog::reviewFiguresEqualTheReconciliations()
{
    ModelFixture f(true);
    setSetting("optAcctType", 1);
    setSetting("optKeyControl", 2);
    for (const QString date : {"12/31/2025", "06/30/2026", "10/31/2026"}) {
        Global::setCurrentRecDate(date);
        RecSelectDialog d;
        d.show();
        const QStringList numbers = column(d, "Number");
        QCOMPARE(numbers.size(), f.rows("GLAccount"));
        for (const QString& number : numbers) {
            auto account = std::make_shared<GLAccount>();
            account->Load(f.value("SELECT glAcctID FROM GLAccount WHERE glacctnbr = ?", {number}).toString());
            if (!ReconciliationFactory::hasKind(account->getRecType().getCode())) {
                // An account whose kind has no reconciliation: empty figures, the rest of the grid shown.
                QCOMPARE(cellOf(d, number, "Req Adj"), QString());
                QCOMPARE(cellOf(d, number, "Unident Diff"), QString());
                continue;
            }
            const auto rec = ReconciliationFactory::create(account, date);
            QCOMPARE(cellOf(d, number, "Req Adj"), ARCurrency::display(rec->getRequiredAdjustments().units()));
            QCOMPARE(cellOf(d, number, "Unres"), ARCurrency::display(rec->getUnResolved().units()));
            QCOMPARE(cellOf(d, number, "Unident Diff"), ARCurrency::display(rec->getUnidentifiedDifference().units()));
        }
        QVERIFY(numbers.contains("9990"));
    }
}

void tst_RecSelectDialog::sorting()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    setSetting("optAcctType", 1);
    setSetting("optKeyControl", 2);
    // Numbers sort as text: "100" before "20".
    f.value("INSERT INTO GLAccount (glacctnbr, name, accountTypeCode, recTypeCode, keycontrol, active) VALUES "
            "('20', 'twenty', 'A', 'L', 'Yes', 'Yes'), ('100', 'one hundred', 'A', 'L', 'Yes', 'Yes')");
    auto d = make(review);
    d->show();
    QCOMPARE(column(*d, "Number").mid(0, 2), (QStringList{"100", "1010"}));
    QVERIFY(column(*d, "Number").indexOf("20") > column(*d, "Number").indexOf("1590"));
    // The first click sorts descending, the next ascending; each column keeps its own direction.
    clickHeader(*d, "Name");
    QStringList names = column(*d, "Name");
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) > 0; });
    QCOMPARE(names, expected);
    QCOMPARE(Global::gridSortState.column, 2);
    QCOMPARE(Global::gridSortState.descending, 1);
    QCOMPARE(Global::gridSortState.kind, 9);
    clickHeader(*d, "Name");
    std::reverse(expected.begin(), expected.end());
    QCOMPARE(column(*d, "Name"), expected);
    // Status: equal statuses always in ascending name order.
    clickHeader(*d, "Status");
    const QStringList statuses = column(*d, "Status");
    names = column(*d, "Name");
    for (int i = 1; i < statuses.size(); ++i) {
        QVERIFY(QString::compare(statuses[i - 1], statuses[i], Qt::CaseInsensitive) >= 0);
        if (statuses[i - 1] == statuses[i])
            QVERIFY(QString::compare(names[i - 1], names[i], Qt::CaseInsensitive) <= 0);
    }
    // Balance as numbers; reopening brings the last sort back.
    clickHeader(*d, "Balance");
    clickHeader(*d, "Balance");
    QCOMPARE(Global::gridSortState.kind, 3);
    d.reset();
    d = make(review);
    d->show();
    const QStringList balances = column(*d, "Balance");
    QCOMPARE(balances.first(), QString()); // no balance row: empty, first in ascending order
    for (int i = 2; i < balances.size(); ++i) // after the empty ones, in ascending amounts
        if (!balances[i - 1].isEmpty())
            QVERIFY(*ARCurrency::parseUnits(balances[i - 1]) <= *ARCurrency::parseUnits(balances[i]));
}

void tst_RecSelectDialog::sortIsSharedBetweenVariants()
{
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    auto review = make(true);
    review->show();
    clickHeader(*review, "Name"); // descending, in both dialogs
    auto simple = make(false);
    simple->show();
    QCOMPARE(column(*simple, "Name"), column(*review, "Name"));
    // A sort on a column the prepare dialog lacks: number order there, the shared state untouched.
    clickHeader(*review, "Unres");
    const auto state = Global::gridSortState;
    simple.reset();
    simple = make(false);
    simple->show();
    QStringList numbers = column(*simple, "Number");
    QStringList sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(numbers, sorted);
    QVERIFY(Global::gridSortState == state);
    // Its hidden figure columns do not sort.
    emit grid(*simple)->horizontalHeader()->sectionClicked(5);
    QVERIFY(Global::gridSortState == state);
}

void tst_RecSelectDialog::chosenAccountIsKeptById()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    setSetting("optAcctType", 1);
    setSetting("optKeyControl", 2);
    auto d = make(review);
    d->show();
    QCOMPARE(currentNumber(*d), QStringLiteral("1010")); // the first row
    // A sort shows the list from its top: the first row current, no row highlighted.
    grid(*d)->selectRow(column(*d, "Number").indexOf("2100"));
    clickHeader(*d, "Name");
    QCOMPARE(grid(*d)->currentIndex().row(), 0);
    QVERIFY(grid(*d)->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(grid(*d)->verticalScrollBar()->value(), 0);
    grid(*d)->selectRow(column(*d, "Number").indexOf("2100"));
    setDate(*d, "09/30/2026");
    QCOMPARE(currentNumber(*d), QStringLiteral("2100"));
    QCOMPARE(d->getSelectedGLAccount()->getNumber(), QStringLiteral("2100"));
    // An account picked in the administration grids is made current once, by its id.
    Global::selectedGLAcctID = f.value("SELECT glAcctID FROM GLAccount WHERE glacctnbr = '1300'").toLongLong();
    d->LoadGLAccountDBGridView();
    QCOMPARE(currentNumber(*d), QStringLiteral("1300"));
    QCOMPARE(Global::selectedGLAcctID, 0);
    // One the filters leave out: the first row is current.
    Global::selectedGLAcctID = f.value("SELECT glAcctID FROM GLAccount WHERE glacctnbr = '9990'").toLongLong();
    choose(*d, "optAcctType", 0);
    QCOMPARE(grid(*d)->currentIndex().row(), 0);
    QCOMPARE(Global::selectedGLAcctID, 0);
}

void tst_RecSelectDialog::confirming_data()
{
    QTest::addColumn<bool>("review");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("date"); // "" when refused
    for (const bool review : {true, false})
        for (const bool dbl : {false, true}) {
            const QByteArray v = QByteArray(review ? "review" : "prepare") + (dbl ? ", double-click, " : ", OK, ");
            QTest::newRow(v + "valid") << review << dbl << "9/30/26" << "09/30/2026";
            QTest::newRow(v + "13th month") << review << dbl << "13/45/2023" << "";
            QTest::newRow(v + "no 30th of February") << review << dbl << "02/30/2024" << "";
            QTest::newRow(v + "letters") << review << dbl << "abc" << "";
        }
}

void tst_RecSelectDialog::confirming()
{
    QFETCH(bool, review);
    QFETCH(bool, doubleClick);
    QFETCH(QString, typed);
    QFETCH(QString, date);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    auto d = make(review);
    d->show();
    d->findChild<DateBox*>("dtpRecDate")->setText(typed);
    if (doubleClick) {
        QTableView* g = grid(*d);
        g->selectRow(1);
        emit g->doubleClicked(g->model()->index(1, 1));
    } else {
        d->findChild<QPushButton*>("OKButton")->click();
    }
    QCOMPARE(d->isApproved(), !date.isEmpty());
    if (date.isEmpty())
        return;
    QCOMPARE(d->getSelectedDate(), date);
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(d->getSelectedGLAccount()->getNumber(), currentNumber(*d));
}

// Two open items on 1150 each fit the money type, their total does not: every account still loads.
void tst_RecSelectDialog::accountPastTheRange()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    setSetting("optAcctType", 1);
    setSetting("optKeyControl", 2);
    for (int i = 0; i < 2; ++i)
        Db::exec(f.db, "INSERT INTO ReconcilingItem (glAcctID, openDate, amount, typeCode, ReqTiming) "
                       "VALUES (8, '2026-11-01', ?, 'L', 'R')",
                 {std::numeric_limits<qint64>::max() / 3 * 2});
    Global::setCurrentRecDate("11/30/2026");
    auto d = make(review);
    d->show();
    QCOMPARE(f.seams.prompter.texts(), QStringList());
    QCOMPARE(column(*d, "Number").size(), f.rows("GLAccount"));
    if (!review)
        return;
    const QString tooLarge = ARCurrencySum::tooLargeText();
    for (const QString caption : {"Req Adj", "Unident Diff"}) {
        QCOMPARE(cellOf(*d, "1150", caption), tooLarge);
        QVERIFY(grid(*d)->columnWidth(headerOf(*d, caption)) > grid(*d)->fontMetrics().horizontalAdvance(tooLarge));
    }
    QCOMPARE(cellOf(*d, "1150", "Unres"), QStringLiteral("0.00"));
    QCOMPARE(column(*d, "Unident Diff").count(tooLarge), 1);
}

void tst_RecSelectDialog::noAccounts()
{
    QFETCH(bool, review);
    ModelFixture f(false);
    Global::setCurrentRecDate("10/31/2026");
    auto d = make(review);
    d->show();
    QCOMPARE(grid(*d)->model()->rowCount(), 0);
    d->findChild<QPushButton*>("OKButton")->click();
    QVERIFY(!d->isApproved());
    QCOMPARE(f.seams.prompter.lastTitle(), QStringLiteral("No GL Accounts"));
    QCOMPARE(f.seams.prompter.lastText(),
             QStringLiteral("Please set up your GL Accounts in the 'Application Setup' section of the application."));
}

void tst_RecSelectDialog::exporting()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    f.value("UPDATE GLAccount SET name = ? WHERE glacctnbr = '1010'", {QStringLiteral("Tab\there\nand \"quoted\" Caf\u00e9")});
    auto d = make(review);
    d->show();
    auto* button = d->findChild<QPushButton*>("cmdExportToExcel");
    // Cancelled: nothing written, nothing said.
    f.seams.chooser.answers = {""};
    button->click();
    QVERIFY(f.seams.prompter.messages.isEmpty());
    // A name without a dot gets ".xls"; one line per row in grid order, TAB between fields.
    f.seams.chooser.answers = {f.seams.path("grid")};
    button->click();
    QCOMPARE(f.seams.prompter.lastText(), QStringLiteral("Export Completed"));
    QCOMPARE(f.seams.prompter.lastTitle(), QStringLiteral("Export Reconciliations Grid"));
    QFile file(f.seams.path("grid.xls"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), grid(*d)->model()->rowCount() + 2); // headings, rows, the empty end
    QVERIFY(lines[0].startsWith("Number\tName\tBalance\tStatus"));
    const QList<QByteArray> first = lines[1].chopped(1).split('\t');
    QCOMPARE(first.value(0), QByteArray("1010"));
    QCOMPARE(QString::fromUtf8(first.value(1)), QStringLiteral("Tab here and \"quoted\" Caf\u00e9"));
    QCOMPARE(first.size(), review ? 7 : 4);
    file.close();
    // An existing file: asked first, No leaves it untouched.
    f.seams.prompter.answers = {Prompter::No};
    f.seams.chooser.answers = {f.seams.path("grid.xls")};
    TestDb::textFile(f.seams.folder(), "grid.xls", "mine");
    button->click();
    QVERIFY(f.seams.prompter.lastText().contains("already exists.  Do you want to overwrite it?"));
    QCOMPARE(QFileInfo(f.seams.path("grid.xls")).size(), qint64(4));
    // A file another program has open: the in-use message, nothing written.
    TestDb::textFile(f.seams.folder(), ".~lock.open.xls#", "x");
    TestDb::textFile(f.seams.folder(), "open.xls", "theirs");
    f.seams.prompter.answers = {Prompter::Yes};
    f.seams.chooser.answers = {f.seams.path("open.xls")};
    button->click();
    QCOMPARE(f.seams.prompter.lastText(),
             QStringLiteral("File is already in use by another process. Please close the file and try again."));
    QCOMPARE(f.seams.prompter.messages.last().icon, Prompter::Icon::Critical);
    // A place that cannot be written: said so, never "Export Completed".
    f.seams.chooser.answers = {f.seams.path("no/such/folder/grid.xls")};
    button->click();
    QVERIFY(f.seams.prompter.lastText() != QStringLiteral("Export Completed"));
    QVERIFY(f.seams.prompter.lastText().contains("grid.xls"));
}

void tst_RecSelectDialog::readsTheActiveConnection()
{
    QFETCH(bool, review);
    ModelFixture f(true);
    Global::setCurrentRecDate("10/31/2026");
    // Another instance logged into another file has rewritten the remembered path.
    modRegistry::setSetting("HKCU", "Software\\Corvantis\\Database", "Path", "S", TestDb::emptyMain(f.seams.folder(), "other.db"));
    auto d = make(review);
    d->show();
    QVERIFY(grid(*d)->model()->rowCount() > 0);
    // A load that fails says so and leaves no rows of the earlier date on screen.
    f.value("ALTER TABLE GLAccountBalance RENAME TO Gone");
    setDate(*d, "09/30/2026");
    QCOMPARE(f.seams.prompter.messages.size(), 1);
    QCOMPARE(grid(*d)->model()->rowCount(), 0);
}

QTEST_MAIN(tst_RecSelectDialog)
#include "tst_recselectdialog.moc"
