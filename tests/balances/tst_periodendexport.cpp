#include "accountselection.h"
#include "arcurrency.h"
#include "company.h"
#include "daterules.h"
#include "exportwriter.h"
#include "modelfixture.h"
#include "periodendexport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTest>

// The period-end export file, field by field against the database: which balance row each
// account's status line comes from and what it says, the items open at the date, the figures the
// review grid shows, and text that a spreadsheet or a script reads back as it was.
class tst_PeriodEndExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tutorialFile_data();
    void tutorialFile();
    void statusLine_data();
    void statusLine();
    void accountsStayApart();
    void openItems();
    void readsBackWithACsvReader();
};

namespace {

const QString kMoment = QStringLiteral("03/15/2024 09:30:05");
constexpr int kItemFields = PeriodEndExport::StatusFieldCount + 12;

// The file's lines split into fields; checks on the way that it is UTF-8 ending every line in CR LF.
QList<QStringList> linesOf(const ExportWriter& w)
{
    const QByteArray& bytes = w.content();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || bytes.count('\n') != bytes.count("\r\n") || bytes.count('\r') != bytes.count("\r\n") ||
        (!bytes.isEmpty() && !bytes.endsWith("\r\n")))
        return {{QStringLiteral("<not UTF-8 lines ending in CR LF>")}};
    QList<QStringList> out;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) // the last piece follows the last CR LF
        out.append(line.split(u'\t'));
    out.removeLast();
    return out;
}

QList<QStringList> exportAt(const QString& asOf, bool headings = false)
{
    ExportWriter w;
    PeriodEndExport::build(w, {asOf, kMoment, headings});
    return linesOf(w);
}

qint64 addAccount(const ModelFixture& f, const QString& number, const QString& recType = QStringLiteral("L"),
                  const QString& name = QStringLiteral("Cash"))
{
    Db::exec(f.db,
             QStringLiteral("INSERT INTO GLAccount (glacctnbr, name, accountTypeCode, recTypeCode, active, keycontrol, "
                            "ERPNumber) VALUES (?, ?, 'A', ?, 'Yes', 'No', 'C1000')"),
             {number, name, recType});
    return f.value(QStringLiteral("SELECT MAX(glAcctID) FROM GLAccount")).toLongLong();
}

// "yyyy-mm-dd|amount|preparedBy|approvedBy|reviewedBy": "~" or a missing part is NULL, nothing
// between the bars the empty text. A stored preparer (even the empty text) has its dates.
void addBalance(const ModelFixture& f, qint64 account, const QString& spec)
{
    const QStringList p = spec.split(u'|');
    const auto part = [&](int i) {
        if (i >= p.size() || p.at(i) == u"~")
            return QVariant();
        return QVariant(p.at(i).isEmpty() ? QStringLiteral("") : p.at(i)); // the empty text, not NULL
    };
    const bool signed_ = !part(2).isNull();
    Db::exec(f.db,
             QStringLiteral("INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount, preparedBy, approvedBy, "
                            "reviewedBy, PreparedByDate, ApprovedByDate, ReviewedByDate) VALUES (?, ?, ?, 0, ?, ?, ?, ?, ?, ?)"),
             {account, p.at(0), *ARCurrency::parseUnits(p.at(1)), part(2), part(3), part(4),
              signed_ ? QVariant(QStringLiteral("2024-02-05")) : QVariant(),
              part(3).isNull() ? QVariant() : QVariant(QStringLiteral("2024-02-06")),
              part(4).isNull() ? QVariant() : QVariant(QStringLiteral("2024-02-07"))});
}

void addItem(const ModelFixture& f, qint64 account, const QString& open, const QVariant& close, const QVariant& comment,
             qint64 units = 1250000)
{
    Db::exec(f.db,
             QStringLiteral("INSERT INTO ReconcilingItem (glAcctID, openDate, closeDate, comment, amount, typeCode, "
                            "ReqTiming) VALUES (?, ?, ?, ?, ?, 'L', 'R')"),
             {account, open, close, comment, units});
}

} // namespace

void tst_PeriodEndExport::tutorialFile_data()
{
    QTest::addColumn<QString>("asOf");
    QTest::newRow("first month-end") << "12/31/2025";
    QTest::newRow("between month-ends") << "03/15/2026";
    QTest::newRow("last month-end") << "11/30/2026";
    QTest::newRow("before any balance") << "06/30/2020";
}

void tst_PeriodEndExport::tutorialFile()
{
    QFETCH(QString, asOf);
    ModelFixture f(true);
    const QVariant at = DateRules::toDb(asOf);
    const QList<QStringList> lines = exportAt(asOf, true);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), PeriodEndExport::statusHeadings());

    // The grid's figures first: a server connection gives up the rows of a query still being read
    // when it runs another.
    QHash<QString, AccountSelectionRow> grid;
    for (const AccountSelectionRow& r : AccountSelectionQuery::load(asOf, {1, 2}, true))
        grid.insert(r.number, r);
    // One status line per account with a balance, in number order, with the account's own fields.
    QSqlQuery accounts = Db::exec(
        f.db, QStringLiteral("SELECT glAcctID, glacctnbr, name, active, keycontrol, accountTypeCode, ERPNumber, "
                             "EXISTS (SELECT 1 FROM GLAccountBalance b WHERE b.glAcctID = a.glAcctID AND b.Date <= ?) "
                             "FROM GLAccount a WHERE EXISTS (SELECT 1 FROM GLAccountBalance b WHERE b.glAcctID = "
                             "a.glAcctID) ORDER BY glacctnbr"),
        {at});
    const auto plain = [](const std::optional<ARCurrencySum>& figure) {
        return figure ? ARCurrency::plainText(figure->value().units()) : QString();
    };
    int n = 1, compared = 0;
    while (accounts.next()) {
        const QStringList& l = lines.value(n++);
        QCOMPARE(l.size(), PeriodEndExport::StatusFieldCount);
        QCOMPARE(l.mid(0, 3), (QStringList{kMoment, asOf, QString()}));
        QCOMPARE(l.mid(3, 7), (QStringList{accounts.value(1).toString(), accounts.value(2).toString(),
                                           accounts.value(3).toString(), accounts.value(4).toString(),
                                           accounts.value(5).toString(), QStringLiteral("USD"),
                                           accounts.value(6).toString()}));
        if (!accounts.value(7).toBool()) {
            QCOMPARE(l.mid(12, 3), (QStringList{QString(), QString(), QString()}));
            continue;
        }
        // The figures are the review grid's.
        const AccountSelectionRow& row = grid.value(l.at(3));
        QCOMPARE(l.mid(12, 3), (QStringList{plain(row.requiredAdjustments), plain(row.unresolved),
                                            plain(row.unidentifiedDifference)}));
        compared += row.unidentifiedDifference.has_value();
    }
    QVERIFY(compared > 20 || asOf.endsWith(u"2020"));

    // Then the open items, each shifted past the 21 status fields.
    const qint64 items = f.value(QStringLiteral("SELECT COUNT(*) FROM ReconcilingItem i JOIN GLAccount a ON "
                                                "a.glAcctID = i.glAcctID WHERE openDate <= ? AND "
                                                "(closeDate IS NULL OR closeDate > ?)"),
                                 {at, at})
                              .toLongLong();
    QCOMPARE(lines.size(), n + (items ? 1 : 0) + items);
    if (!items)
        return;
    QStringList heading(PeriodEndExport::StatusFieldCount);
    heading += PeriodEndExport::openItemHeadings();
    QCOMPARE(lines.at(n), heading);
    for (const QStringList& l : lines.mid(n + 1)) {
        QCOMPARE(l.size(), kItemFields);
        QCOMPARE(l.mid(0, 22).join(QString()), kMoment); // 21 empty fields first
        QVERIFY(DateRules::fromText(l.at(24)) <= DateRules::fromText(asOf));
        QVERIFY(l.at(25).isEmpty() || DateRules::fromText(l.at(25)) > DateRules::fromText(asOf));
        QVERIFY2(ARCurrency::parseUnits(l.at(27)) && !l.at(27).contains(u','), qPrintable(l.at(27)));
    }
}

void tst_PeriodEndExport::statusLine_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("perEndBal");
    QTest::addColumn<QString>("perEndStat");
    QTest::addColumn<QString>("unidentified");
    QTest::addColumn<QString>("signOffs");
    const QString none = QStringLiteral("|||||");
    // As of 03/31/2024.
    QTest::newRow("one row before the date")
        << QStringList{"2024-01-31|150.5|Pat"} << "0" << "01/31/2024" << "0" << none;
    QTest::newRow("newest before the date prepared")
        << QStringList{"2024-02-29|20|Pat", "2024-01-31|10"} << "20" << "02/29/2024" << "0" << none;
    QTest::newRow("newest before not prepared, an older one is")
        << QStringList{"2024-02-29|20", "2024-01-31|10|Pat", "2023-12-31|9|Lee"} << "" << "01/31/2024" << "0" << none;
    QTest::newRow("nothing before prepared")
        << QStringList{"2024-02-29|20", "2024-01-31|10"} << "" << "" << "0" << none;
    QTest::newRow("only row before, not prepared")
        << QStringList{"2024-04-30|5|Pat", "2024-02-29|20"} << "20" << "" << "0" << none;
    QTest::newRow("empty-text preparer, nothing older")
        << QStringList{"2024-04-30|1", "2024-02-29|20|"} << "20" << "02/29/2024" << "0" << none;
    QTest::newRow("empty-text preparer, walks on to a prepared one")
        << QStringList{"2024-02-29|20|", "2024-01-31|10", "2023-12-31|5|Pat"} << "" << "12/31/2023" << "0" << none;
    QTest::newRow("at the date, reviewed")
        << QStringList{"2024-03-31|12.25|Pat|Alex|Robin", "2024-02-29|3|Pat"} << "12.25" << "Reviewed" << "12.25"
        << "Pat|02/05/2024|Alex|02/06/2024|Robin|02/07/2024";
    QTest::newRow("at the date, approved")
        << QStringList{"2024-03-31|12.25|Pat|Alex"} << "12.25" << "Approved" << "12.25"
        << "Pat|02/05/2024|Alex|02/06/2024||";
    QTest::newRow("at the date, prepared")
        << QStringList{"2024-03-31|-1234.5|Pat"} << "-1234.5" << "Prepared" << "-1234.5" << "Pat|02/05/2024||||";
    QTest::newRow("at the date, empty-text preparer")
        << QStringList{"2024-03-31|-7|"} << "-7" << "03/31/2024" << "-7" << "|02/05/2024||||";
    QTest::newRow("at the date not prepared, an older one is")
        << QStringList{"2024-03-31|-7", "2024-02-29|3", "2024-01-31|2|Pat"} << "-7" << "01/31/2024" << "-7" << none;
    QTest::newRow("at the date not prepared, nothing older")
        << QStringList{"2024-04-30|3|Pat", "2024-03-31|-7"} << "-7" << "" << "-7" << none;
    QTest::newRow("at the date, its only row") << QStringList{"2024-03-31|0.01"} << "0.01" << "" << "0.01" << none;
    QTest::newRow("every row after the date")
        << QStringList{"2024-05-31|9|Pat", "2024-04-30|8|Pat"} << "0" << "" << "" << none;
}

void tst_PeriodEndExport::statusLine()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, perEndBal);
    QFETCH(QString, perEndStat);
    QFETCH(QString, unidentified);
    QFETCH(QString, signOffs);
    ModelFixture f;
    const qint64 id = addAccount(f, QStringLiteral("1010"));
    for (const QString& r : rows)
        addBalance(f, id, r);
    addAccount(f, QStringLiteral("1020")); // no balance: no line

    const QList<QStringList> lines = exportAt(QStringLiteral("03/31/2024"));
    QCOMPARE(lines.size(), 1);
    const QStringList& l = lines.first();
    QCOMPARE(l.size(), PeriodEndExport::StatusFieldCount);
    QCOMPARE(l.at(10), perEndBal);
    QCOMPARE(l.at(11), perEndStat);
    const QString figures = unidentified.isEmpty() ? QString() : QStringLiteral("0");
    QCOMPARE(l.mid(12, 3), (QStringList{figures, figures, unidentified}));
    QCOMPARE(l.mid(15).join(u'|'), signOffs);
}

void tst_PeriodEndExport::accountsStayApart()
{
    ModelFixture f;
    f.bigIds(QStringLiteral("GLAccount"), 5'000'000'000);
    const qint64 first = addAccount(f, QStringLiteral("2000"), QStringLiteral("L"), QStringLiteral("Caf\u00e9\tEast\nWing"));
    const qint64 second = addAccount(f, QStringLiteral("2000"), QStringLiteral("L"), QStringLiteral("West\r\nWing"));
    const qint64 unknown = addAccount(f, QStringLiteral("1000"), QStringLiteral("N"), QStringLiteral("Suspense"));
    QVERIFY(first > 4'294'967'296);
    addBalance(f, first, QStringLiteral("2024-03-31|1|Pat"));
    addBalance(f, second, QStringLiteral("2024-02-29|2|Pat"));
    addBalance(f, second, QStringLiteral("2024-03-31|3"));
    addBalance(f, unknown, QStringLiteral("2024-03-31|4|Pat"));
    addItem(f, unknown, QStringLiteral("2024-03-01"), {}, {});
    Db::exec(f.db, QStringLiteral("INSERT INTO Company (CompanyName, Currency) VALUES ('Other', 'EUR')"));
    Company::reload();

    const QList<QStringList> lines = exportAt(QStringLiteral("03/31/2024"));
    QCOMPARE(lines.size(), 4); // three accounts, one item: a second company doubles nothing
    QCOMPARE(lines.at(0).at(8) + lines.at(3).at(30), QStringLiteral("USDUSD")); // the first company's
    // A reconciliation type without a reconciliation: the line, without figures.
    QCOMPARE(lines.at(0).mid(3, 2), (QStringList{"1000", "Suspense"}));
    QCOMPARE(lines.at(0).mid(10, 5), (QStringList{"4", "Prepared", "", "", ""}));
    // Equal numbers: one line each, in id order, each from its own rows.
    QCOMPARE(lines.at(1).mid(3, 2), (QStringList{"2000", "Caf\u00e9 East Wing"}));
    QCOMPARE(lines.at(1).mid(10, 2), (QStringList{"1", "Prepared"}));
    QCOMPARE(lines.at(2).mid(3, 2), (QStringList{"2000", "West Wing"}));
    QCOMPARE(lines.at(2).mid(10, 2), (QStringList{"3", "02/29/2024"}));
    QCOMPARE(lines.at(3).at(22), QStringLiteral("1000"));

    // No company: the lines all the same, without a currency.
    Db::exec(f.db, QStringLiteral("DELETE FROM Company"));
    Company::reload();
    const QList<QStringList> without = exportAt(QStringLiteral("03/31/2024"));
    QCOMPARE(without.size(), 4);
    QCOMPARE(without.at(0).at(8) + without.at(3).at(30), QString());
}

void tst_PeriodEndExport::openItems()
{
    ModelFixture f;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // the file's forms are fixed
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    const qint64 id = addAccount(f, QStringLiteral("1010"), QStringLiteral("L"), QStringLiteral("Cash"));
    addItem(f, id, QStringLiteral("2024-03-01"), QStringLiteral("2024-03-31"), QStringLiteral("closed at the date"));
    addItem(f, id, QStringLiteral("2024-03-01"), QStringLiteral("2024-04-01"), QStringLiteral("closed the day after"));
    addItem(f, id, QStringLiteral("2024-03-31"), {}, QStringLiteral("two\r\nlines\tand\na\rbreak"), -10000);
    addItem(f, id, QStringLiteral("2024-04-01"), {}, QStringLiteral("opened after"));
    addItem(f, id, QStringLiteral("2024-01-01"), {}, {}, 0);

    const QList<QStringList> lines = exportAt(QStringLiteral("03/31/2024"), true);
    QCOMPARE(lines.size(), 4); // the heading and three items; no status heading without a status line
    QCOMPARE(lines.at(0).mid(21), PeriodEndExport::openItemHeadings());
    QStringList expected;
    for (const QStringList& l : lines.mid(1)) {
        QCOMPARE(l.size(), kItemFields);
        expected << l.mid(21).join(u'|');
    }
    QCOMPARE(expected, (QStringList{
                           kMoment + "|1010|Cash|01/01/2024|||0|R|L|USD|C1000|A",
                           kMoment + "|1010|Cash|03/01/2024|04/01/2024|closed the day after|125|R|L|USD|C1000|A",
                           kMoment + "|1010|Cash|03/31/2024||two lines and a break|-1|R|L|USD|C1000|A",
                       }));
}

void tst_PeriodEndExport::readsBackWithACsvReader()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("no python3 to read the file back");
    ModelFixture f;
    const QStringList names{QStringLiteral("\"Net 30\" terms"), QStringLiteral("Caf\u00e9 \"petty\" \u20ac"),
                            QStringLiteral("\"open quote")};
    for (const QString& name : names) {
        const qint64 id = addAccount(f, QString::number(1000 + names.indexOf(name)), QStringLiteral("L"), name);
        addBalance(f, id, QStringLiteral("2024-03-31|1|Pat"));
        addItem(f, id, QStringLiteral("2024-03-01"), {}, name);
    }
    ExportWriter w(f.seams.path(QStringLiteral("export.xls")));
    PeriodEndExport::build(w, {QStringLiteral("03/31/2024"), kMoment, true});
    QVERIFY(w.commit());

    QProcess p;
    p.start(python, {QStringLiteral("-c"),
                     QStringLiteral("import csv, json, sys\n"
                                    "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                    "    print(json.dumps(list(csv.reader(f, delimiter='\\t'))))\n"),
                     w.path()});
    QVERIFY(p.waitForFinished(30000));
    const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 1 + 3 + 1 + 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows.at(1 + i).toArray().size(), PeriodEndExport::StatusFieldCount);
        QCOMPARE(rows.at(1 + i).toArray().at(4).toString(), names.at(i));
        QCOMPARE(rows.at(5 + i).toArray().size(), kItemFields);
        QCOMPARE(rows.at(5 + i).toArray().at(23).toString(), names.at(i));
        QCOMPARE(rows.at(5 + i).toArray().at(26).toString(), names.at(i));
    }
}

QTEST_GUILESS_MAIN(tst_PeriodEndExport)
#include "tst_periodendexport.moc"
