// The period-end balances editor over a ledger of 10,000 accounts x 24 month-ends: opening it for
// one date, OK with every balance changed, and importing a 100,000-row CSV and a 10,000-row
// workbook, each against a plain baseline done in the same run.
#include "balancesimport.h"
#include "benchsupport.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "global.h"
#include "periodendbalancesdialog.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTableView>
#include <QXmlStreamReader>
#include <quazip.h>
#include <unistd.h>
#include <quazipfile.h>

namespace {

const QString kDate = QStringLiteral("11/30/2024");

void writeEntry(QuaZip& zip, const QString& name, const QByteArray& bytes)
{
    QuaZipFile file(&zip);
    file.open(QIODevice::WriteOnly, QuaZipNewInfo(name));
    file.write(bytes);
    file.close();
}

// A workbook of one sheet: column A the account number (text), column B the amount (number).
void writeWorkbook(const QString& path, const QStringList& numbers)
{
    QuaZip zip(path);
    zip.open(QuaZip::mdCreate);
    writeEntry(zip, QStringLiteral("xl/workbook.xml"),
               "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
               "<sheet name=\"Balances\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    writeEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"),
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
    QByteArray sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int i = 0; i < numbers.size(); ++i) {
        const QByteArray r = QByteArray::number(i + 1);
        sheet += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"inlineStr\"><is><t>" + numbers[i].toUtf8() +
                 "</t></is></c><c r=\"B" + r + "\"><v>" + QByteArray::number(1000 + i) + ".25</v></c></row>";
    }
    writeEntry(zip, QStringLiteral("xl/worksheets/sheet1.xml"), sheet + "</sheetData></worksheet>");
    zip.close();
}

int measure(Bench::Engine engine)
{
    const auto name = [engine](const char* bench) { return Bench::named(QString::fromLatin1(bench), engine); };
    const Bench::Ledger ledger(10000, engine);
    QSqlDatabase db = Global::getConnection();
    QSqlDatabase base = ledger.baseline();

    // (1) Opening the editor for one date against the raw join of the same rows.
    qint64 before = Db::statementCount();
    qint64 rows = 0;
    const double open = Bench::timeIt([&] {
        PeriodEndBalancesDialog editor;
        editor.initialize(kDate);
        rows = editor.findChild<QTableView*>()->model()->rowCount();
    });
    const qint64 openQueries = (Db::statementCount() - before) / 3;
    const double openBase = Bench::timeIt([&] {
        Bench::readAll(base, QStringLiteral("SELECT a.*, b.* FROM GLAccount a LEFT JOIN GLAccountBalance b ON "
                                          "b.glAcctID = a.glAcctID AND b.Date = ? ORDER BY a.glacctnbr"),
                       {QStringLiteral("2024-11-30")});
    });
    if (rows != 10000)
        return Bench::fail(name("balances-editor-open") + QStringLiteral(": wrong rows"));
    Bench::print(name("balances-editor-open"), open, openBase, rows, openQueries);

    // (2) OK with every balance changed (amount and audit row each) against the same work done
    // raw: an UPDATE of each changed amount and the audit INSERT ... SELECT of its row, with
    // statements prepared untimed, in one transaction, nothing else timed.
    double store = 0;
    qint64 storeQueries = 0;
    for (int run = 0; run < 3; ++run) {
        GLAccountBalanceList list;
        list.Load(kDate);
        for (qint64 i = 1; i <= list.count(); ++i)
            list.getGLAccountBalanceAt(i).getAmount().add(ARCurrency::fromUnits(100 + run));
        const auto audited = [&] {
            return Db::scalar(db, QStringLiteral("SELECT count(*) FROM GLAccountBalanceAudit WHERE Activity = 'UPDATE'"))
                .toLongLong();
        };
        const qint64 auditedBefore = audited();
        before = Db::statementCount();
        const double t = Bench::timeIt([&] { list.applyAmountEdit(); }, 1);
        storeQueries = Db::statementCount() - before;
        if (audited() - auditedBefore != list.count())
            return Bench::fail(name("balances-editor-ok") + QStringLiteral(": not every balance was stored"));
        store = run == 0 ? t : std::min(store, t);
    }
    QStringList columns;
    {
        const QSqlRecord record = Db::exec(db, QStringLiteral("SELECT * FROM GLAccountBalance WHERE 1 = 0")).record();
        for (int c = 0; c < record.count(); ++c)
            columns << record.fieldName(c);
    }
    QList<std::pair<qint64, qint64>> stored; // account id, amount in units
    {
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT glAcctID, amount FROM GLAccountBalance WHERE Date = ?"),
                               {QStringLiteral("2024-11-30")});
        while (q.next())
            stored.append({q.value(0).toLongLong(), q.value(1).toLongLong()});
    }
    int baseRun = 0;
    QSqlQuery update(base), audit(base);
    update.prepare(QStringLiteral("UPDATE GLAccountBalance SET amount = ? WHERE glAcctID = ? AND Date = ?"));
    audit.prepare(QStringLiteral("INSERT INTO GLAccountBalanceAudit (%1, Activity, ActivityDate, ActivityUser) "
                                 "SELECT %1, ?, ?, ? FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?")
                      .arg(columns.join(QStringLiteral(", "))));
    qint64 changedRows = 0;
    const double storeBase = Bench::timeIt([&] {
        ++baseRun;
        changedRows = 0;
        base.transaction();
        for (const auto& [id, units] : std::as_const(stored)) {
            update.bindValue(0, units + 1000 * baseRun);
            update.bindValue(1, id);
            update.bindValue(2, QStringLiteral("2024-11-30"));
            update.exec();
            changedRows += update.numRowsAffected();
            audit.bindValue(0, QStringLiteral("UPDATE"));
            audit.bindValue(1, QStringLiteral("2024-12-01 10:00:00"));
            audit.bindValue(2, QStringLiteral("bench"));
            audit.bindValue(3, id);
            audit.bindValue(4, QStringLiteral("2024-11-30"));
            audit.exec();
        }
        base.commit();
    });
    if (changedRows != 10000)
        return Bench::fail(name("balances-editor-ok") + QStringLiteral(": not every balance was stored"));
    Bench::print(name("balances-editor-ok"), store, storeBase, 10000, storeQueries);

    // (3) Import: 100,000 CSV rows (every account ten times) against reading and splitting the
    // same file with a plain loop plus the account look-up.
    QStringList numbers;
    {
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT glacctnbr FROM GLAccount ORDER BY glacctnbr"));
        while (q.next())
            numbers << q.value(0).toString();
    }
    const QString csv = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QStringLiteral("/bench-balances.csv");
    {
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        for (int i = 0; i < 100000; ++i)
            f.write(numbers[i % numbers.size()].toUtf8() + ',' + QByteArray::number(i) + ".37\r\n");
        // On disk, as a file exported from the ledger some time ago is: the import's own copy is
        // synced, and must not pay for writing this one out.
        f.flush();
        ::fsync(f.handle());
    }
    // Both sides build their account look-up inside every timed run: ours imports into a fresh
    // copy of the loaded list (copied untimed, before the list has built its index).
    const GLAccountBalanceList loaded = [] {
        GLAccountBalanceList list;
        list.Load(kDate);
        return list;
    }();
    GLAccountBalanceList target;
    const auto freshTarget = [&] { target = loaded; };
    qint64 imported = 0;
    before = Db::statementCount();
    const double csvOurs = Bench::timeIt(freshTarget, [&] { imported = BalancesImport::run(csv, target).imported; });
    const qint64 csvQueries = (Db::statementCount() - before) / 3;
    const double csvBase = Bench::timeIt([&] {
        QHash<QString, qsizetype> known;
        for (qsizetype i = 0; i < numbers.size(); ++i)
            known.insert(numbers[i], i);
        QFile f(csv);
        f.open(QIODevice::ReadOnly);
        const QByteArray all = f.readAll();
        qint64 found = 0;
        for (const QByteArray& line : all.split('\n')) {
            const qsizetype comma = line.indexOf(',');
            if (comma > 0 && known.contains(QString::fromUtf8(line.left(comma))))
                found += line.mid(comma + 1).trimmed().toDouble() != 0;
        }
        if (found == 0)
            qFatal("baseline read nothing");
    });
    if (imported != 100000)
        return Bench::fail(name("balances-import-csv") + QStringLiteral(": wrong count"));
    Bench::print(name("balances-import-csv"), csvOurs, csvBase, imported, csvQueries);
    std::printf("%s: %.0f rows/s\n", qPrintable(name("balances-import-csv")), imported / (csvOurs / 1000.0));

    const QString xlsx = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QStringLiteral("/bench-balances.xlsx");
    writeWorkbook(xlsx, numbers);
    const double xlsxOurs = Bench::timeIt(freshTarget, [&] { imported = BalancesImport::run(xlsx, target).imported; });
    // The baseline unzips the sheet and walks it with a plain reader loop, pairing column A's
    // text with column B's number, and looks each account up.
    const double xlsxBase = Bench::timeIt([&] {
        QHash<QString, qsizetype> known;
        for (qsizetype i = 0; i < numbers.size(); ++i)
            known.insert(numbers[i], i);
        QuaZip zip(xlsx);
        zip.open(QuaZip::mdUnzip);
        zip.setCurrentFile(QStringLiteral("xl/worksheets/sheet1.xml"));
        QuaZipFile sheet(&zip);
        sheet.open(QIODevice::ReadOnly);
        QXmlStreamReader xml(sheet.readAll());
        qint64 found = 0;
        QString account;
        QString column;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("c"))
                column = xml.attributes().value(QLatin1String("r")).left(1).toString();
            else if (xml.name() == QLatin1String("t") && column == QLatin1String("A"))
                account = xml.readElementText();
            else if (xml.name() == QLatin1String("v") && column == QLatin1String("B"))
                found += known.contains(account) && xml.readElementText().toDouble() != 0;
        }
        if (found != numbers.size())
            qFatal("baseline read the wrong rows");
    });
    if (imported != 10000)
        return Bench::fail(name("balances-import-xlsx") + QStringLiteral(": wrong count"));
    Bench::print(name("balances-import-xlsx"), xlsxOurs, xlsxBase, imported);
    std::printf("%s: %.0f rows/s\n", qPrintable(name("balances-import-xlsx")), imported / (xlsxOurs / 1000.0));
    QFile::remove(csv);
    QFile::remove(xlsx);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int failed = 0;
    for (const Bench::Engine engine : Bench::engines())
        failed |= measure(engine);
    return failed;
}
