#include "apperror.h"
#include "balancefilereader.h"
#include "testdb.h"
#include "testworkbook.h"
#include "timelimit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <cmath>

Q_DECLARE_METATYPE(BalanceRows)
Q_DECLARE_METATYPE(TestWorkbook)

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(CORVANTIS_FIXTURES "/") + name;
}

BalanceRows readAny(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return BalanceFileReader::readCsv(path);
    if (suffix == QLatin1String("xls"))
        return BalanceFileReader::readXls(path);
    return BalanceFileReader::readXlsx(path);
}

// Rows written as {"account", "amount", "account", "amount", ...}.
BalanceRows rows(std::initializer_list<const char*> texts)
{
    BalanceRows result;
    for (auto it = texts.begin(); it != texts.end(); it += 2)
        result.append({QString::fromUtf8(*it), QString::fromUtf8(*(it + 1))});
    return result;
}

// The rows every test workbook starts with: accounts as numbers and texts, a word, an empty
// amount cell and a text with blanks.
BalanceRows commonWorkbookRows()
{
    return rows(
        {"1000", "1234.56", "1010-00", "-20", "1020", "0.1", "1030", "abc", "1040", "", "1050", "  7.5 "});
}

QString describe(const BalanceRows& list)
{
    QStringList lines;
    for (const BalanceRow& r : list)
        lines << QStringLiteral("[%1|%2%3]")
                     .arg(r.accountNumber, r.amount, r.further.isEmpty() ? QString() : u'|' + r.further);
    return lines.join(QLatin1Char(' '));
}

// A minimal workbook whose first sheet holds `count` rows: account 1..count, amount count/100.
void writeLargeWorkbook(const QString& path, int count)
{
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    const auto add = [&](const QString& name, const QByteArray& content) {
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        QCOMPARE(file.write(content), content.size());
        file.close();
        QCOMPARE(file.getZipError(), 0);
    };
    add(QStringLiteral("xl/workbook.xml"),
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"Big\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    add(QStringLiteral("xl/_rels/workbook.xml.rels"),
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/></Relationships>");
    QByteArray sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                       "<sheetData>";
    for (int r = 1; r <= count; ++r)
        sheet += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%1</v></c><c r=\"B%1\"><v>%2</v></c></row>")
                     .arg(r)
                     .arg(r / 100.0, 0, 'f', 2)
                     .toLatin1();
    sheet += "</sheetData></worksheet>";
    add(QStringLiteral("xl/worksheets/sheet1.xml"), sheet);
    zip.close();
    QCOMPARE(zip.getZipError(), 0);
}

} // namespace

class tst_BalanceFileReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void csv_data();
    void csv();
    void workbooks_data();
    void workbooks();
    void activeSheetAndDateCells_data();
    void activeSheetAndDateCells();
    void workbookStopsAtFirstEmptyRow_data();
    void workbookStopsAtFirstEmptyRow();
    void failures_data();
    void failures();
    void largeCsvIsReadWhole();
    void xlsxReadsPastRow32767();
    void xlsxHugeSheetIsRefusedInBoundedMemory();
    void numberText_data();
    void numberText();

private:
    QTemporaryDir m_dir;
};

void tst_BalanceFileReader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFileInfo::exists(fixture(QStringLiteral("balances.xlsx"))), CORVANTIS_FIXTURES);
}

void tst_BalanceFileReader::csv_data()
{
    QTest::addColumn<QString>("file"); // a fixture, or empty to read `content`
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<BalanceRows>("expected");

    QTest::newRow("BOM, CR LF, quotes, blanks, blank line, UTF-8")
        << QStringLiteral("balances.csv") << QByteArray()
        << BalanceRows{{"1000", "1234.56"}, {"1010-00", "1,234.56", "note"},
                       {"1020", "-20"},     {"1030", "abc", "Smith \"Jr\", Inc."},
                       {"1040", "12\"5"},   {"1060-\u00c4", "3"},
                       {"1050", "0.1"}};
    QTest::newRow("Windows-1252 bytes") << QStringLiteral("cp1252.csv") << QByteArray()
                                        << BalanceRows{{"1000", "12.50", "Caf\u00e9"}, {"1010\u2013A", "7"}};
    QTest::newRow("a heading line is data")
        << QStringLiteral("heading.csv") << QByteArray() << rows({"Account", "Amount", "1000", "1234.56"});
    QTest::newRow("LF, no final line end")
        << QString() << QByteArray("1,2\n3,4") << rows({"1", "2", "3", "4"});
    QTest::newRow("lone CR line ends") << QString() << QByteArray("1,2\r3,4\r") << rows({"1", "2", "3", "4"});
    QTest::newRow("blank and whitespace lines skipped")
        << QString() << QByteArray("\r\n  \r\n1,2\r\n\t\r\n\r\n3,4\r\n\r\n") << rows({"1", "2", "3", "4"});
    QTest::newRow("quoted blanks kept, outer blanks trimmed")
        << QString() << QByteArray("\" 1 \" , \" 2\" \n") << rows({" 1 ", " 2"});
    QTest::newRow("line break inside quotes is data")
        << QString() << QByteArray("\"10\r\n20\",5\r\n30,6\r\n") << rows({"10\r\n20", "5", "30", "6"});
    QTest::newRow("empty file") << QString() << QByteArray() << BalanceRows();
    QTest::newRow("further fields with text are kept for the import's check")
        << QStringLiteral("split-thousands.csv") << QByteArray()
        << BalanceRows{{"1010", "100.00"}, {"1310", "1", "234.56"}, {"1030", "$1", "000.00"}};
    QTest::newRow("empty further fields are dropped")
        << QString() << QByteArray("1,2,,\r\n3,4, ,\"\"x\r\n") << BalanceRows{{"1", "2"}, {"3", "4", ",x"}};
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 with byte-order mark")
        << QString() << QByteArray(utf16.encode(QStringLiteral("1000,5\r\n1010,-1\r\n")))
        << rows({"1000", "5", "1010", "-1"});
}

void tst_BalanceFileReader::csv()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(BalanceRows, expected);
    const QString path =
        file.isEmpty() ? TestDb::textFile(m_dir.path(), QStringLiteral("in.csv"), content) : fixture(file);
    const BalanceRows actual = BalanceFileReader::readCsv(path);
    QCOMPARE(describe(actual), describe(expected));
    QCOMPARE(actual, expected);
}

void tst_BalanceFileReader::workbooks_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<BalanceRows>("expected");

    // Each workbook has a blank row after these rows and a second sheet: neither is read.
    QTest::newRow("xls") << QStringLiteral("balances.xls") << commonWorkbookRows();
    // Saved by a spreadsheet program: formula cells read as the results the workbook stored.
    QTest::newRow("xls, formulas, from a spreadsheet program")
        << QStringLiteral("faults/formulas.xls")
        << rows({"1010", "1234.56", "1020", "200.50", "1030", "1435.06", "1100", "-5000", "1110", "0.3", "1150",
                 "1234.565"});
    QTest::newRow("xlsx, shared strings, formulas, boolean")
        << QStringLiteral("balances.xlsx")
        << BalanceRows(commonWorkbookRows() +
                       rows({"1060-10", "6", "1070", "TRUE", "1080", "n/a", "1090", "#DIV/0!"}));
    QTest::newRow("xlsx, inline strings, absolute targets")
        << QStringLiteral("balances-openpyxl.xlsx") << commonWorkbookRows();
    QTest::newRow("xlsx, hand-made: runs, cells without reference, skipped row")
        << QStringLiteral("inline-strings.xlsx")
        << rows({"2000", "1.5", "2010", "text result", "2020", "", "2030", "#N/A", "2040", "FALSE", "2050",
                 "-0.5"});
    QTest::newRow("xlsx, A1 empty") << QStringLiteral("empty-a1.xlsx") << BalanceRows();
}

void tst_BalanceFileReader::workbooks()
{
    QFETCH(QString, file);
    QFETCH(BalanceRows, expected);
    const BalanceRows actual = readAny(fixture(file));
    QCOMPARE(describe(actual), describe(expected));
    QCOMPARE(actual, expected);
}

void tst_BalanceFileReader::activeSheetAndDateCells_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<TestWorkbook>("workbook");
    QTest::addColumn<BalanceRows>("expected");

    using W = TestWorkbook;
    const W::Sheet hiddenFirst{{{1010, 999999}}, true};
    W dateTime{{{{{1010, 46387.75, W::Custom}}}}};
    W notADate{{{{{1010, 5.5, W::Custom}}}}};
    notADate.customFormat = QStringLiteral("#,##0.00 \"Dr\";[Red]-#,##0.00_)");
    W elapsed{{{{{1010, 1.5, W::Custom}}}}};
    elapsed.customFormat = QStringLiteral("[h]:mm");
    W from1904{{{{{1010, 44925, W::BuiltInDate}}}}};
    from1904.date1904 = true;
    // A workbook that defines its own formats below 164, as some spreadsheet programs write them.
    W ownDate{{{{{1010, 46387, W::Custom}}}}};
    ownDate.customFormatId = 100;
    ownDate.customFormat = QStringLiteral("m/d/yyyy");
    W ownTime{{{{{1010, 0.5208333333333334, W::Custom}}}}};
    ownTime.customFormatId = 100;
    ownTime.customFormat = QStringLiteral("h:mm");
    W ownNumber{{{{{1010, 14, W::Custom}}}}}; // a built-in date id the workbook redefines as a number
    ownNumber.customFormatId = 14;
    ownNumber.customFormat = QStringLiteral("#,##0.00");
    W twelveHours{{{{{1010, 46387.75, W::Custom}}}}};
    twelveHours.customFormat = QStringLiteral("h:mm:ss AM/PM");
    const QList<std::tuple<const char*, W, BalanceRows>> cases{
        {"hidden first sheet, the second active", W{{hiddenFirst, {{{1010, 1234.56}}}}, 1},
         rows({"1010", "1234.56"})},
        {"the third sheet active", W{{{{{1, 1}}}, {{{2, 2}}}, {{{3, 3}}}}, 2}, rows({"3", "3"})},
        {"active tab past the sheets: the first visible one", W{{hiddenFirst, {{{1020, 2}}}}, 5},
         rows({"1020", "2"})},
        {"a date in a built-in format", W{{{{{1010, 46387, W::BuiltInDate}, {1020, 7}}}}},
         rows({"1010", "12/31/2026", "1020", "7"})},
        {"date and time in a format of the workbook", dateTime, rows({"1010", "12/31/2026 18:00:00"})},
        {"an elapsed time", elapsed, rows({"1010", "36:00"})},
        {"a date in a format the workbook defines below 164", ownDate, rows({"1010", "12/31/2026"})},
        {"a time in a format the workbook defines below 164", ownTime, rows({"1010", "12:30"})},
        {"a built-in date id the workbook defines as a number", ownNumber, rows({"1010", "14"})},
        {"a time of day in a format of the workbook", twelveHours, rows({"1010", "6:00:00 PM"})},
        {"a time in a built-in format", W{{{{{1010, 0.5208333333333334, W::BuiltInTime}}}}}, rows({"1010", "12:30"})},
        {"a date in a built-in format of an East Asian locale", W{{{{{1010, 46387, W::LocaleDate}}}}},
         rows({"1010", "12/31/2026"})},
        {"a hidden tab named active: the first visible one", W{{hiddenFirst, {{{1020, 3}}}}, 0},
         rows({"1020", "3"})},
        {"a very hidden tab named active", W{{{{{1030, 4}}}, {{{1010, 999999}}, false, true}, {{{1020, 5}}}}, 1},
         rows({"1030", "4"})},
        {"a date of the 1904 system", from1904, rows({"1010", "12/31/2026"})},
        {"a format with quoted letters and a colour is no date", notADate, rows({"1010", "5.5"})},
    };
    for (const char* kind : {"xls", "xlsx"})
        for (const auto& [name, workbook, expected] : cases)
            QTest::addRow("%s: %s", kind, name) << QString::fromLatin1(kind) << workbook << expected;
}

void tst_BalanceFileReader::activeSheetAndDateCells()
{
    QFETCH(QString, kind);
    QFETCH(TestWorkbook, workbook);
    QFETCH(BalanceRows, expected);
    const QString path = m_dir.filePath(QStringLiteral("made.") + kind);
    QVERIFY(kind == QLatin1String("xls") ? workbook.writeXls(path) : workbook.writeXlsx(path));
    const BalanceRows actual = readAny(path);
    QCOMPARE(describe(actual), describe(expected));
}

void tst_BalanceFileReader::workbookStopsAtFirstEmptyRow_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qsizetype>("count");
    QTest::addColumn<qint64>("stoppedAtRow");
    QTest::addColumn<qint64>("dataBelowRow");
    QTest::newRow("xlsx: row 8 below the empty row 7")
        << QStringLiteral("blank-row-midway.xlsx") << qsizetype(6) << qint64(7) << qint64(8);
    QTest::newRow("xls: row 8 below the empty row 7")
        << QStringLiteral("balances.xls") << qsizetype(6) << qint64(7) << qint64(8);
    QTest::newRow("xlsx: a row left out ends the list")
        << QStringLiteral("inline-strings.xlsx") << qsizetype(6) << qint64(7) << qint64(8);
    QTest::newRow("xlsx: A1 empty") << QStringLiteral("empty-a1.xlsx") << qsizetype(0) << qint64(1)
                                    << qint64(2);
}

void tst_BalanceFileReader::workbookStopsAtFirstEmptyRow()
{
    QFETCH(QString, file);
    QFETCH(qsizetype, count);
    QFETCH(qint64, stoppedAtRow);
    QFETCH(qint64, dataBelowRow);
    const BalanceRows actual = readAny(fixture(file));
    QCOMPARE(actual.size(), count);
    QCOMPARE(actual.stoppedAtRow, stoppedAtRow);
    QCOMPARE(actual.dataBelowRow, dataBelowRow);
}

void tst_BalanceFileReader::failures_data()
{
    QTest::addColumn<QString>("file"); // a fixture, or empty to read `content` as in.csv
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("words"); // what the description must say
    QTest::addColumn<bool>("namesFile");

    const auto csvCase = [](const char* name, const char* content, QStringList words) {
        QTest::newRow(name) << QString() << QByteArray(content) << words << false;
    };
    csvCase("csv: empty amount", "1000,5\r\n1010,\r\n", {"Line 2", "no amount"});
    csvCase("csv: blank amount", "1000,   \r\n", {"Line 1", "no amount"});
    csvCase("csv: empty account", "1000,5\n,12\n", {"Line 2", "no account number"});
    csvCase("csv: quoted empty account", "\"\",5\n", {"Line 1", "no account number"});
    csvCase("csv: lone comma", "1000,5\n\n,\n", {"Line 3", "no account number"});
    csvCase("csv: one field", "1000,5\n1010\n", {"Line 2", "only one field", "comma"});
    csvCase("csv: unclosed quote", "1000,5\n\"1010,7\n1020,8\n", {"Line 2", "double quote", "never closed"});
    csvCase("csv: lines counted past a quoted line break", "\"a\nb\",1\n2,\n", {"Line 3", "no amount"});
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE})
        QTest::addRow("csv: UTF-16 without byte-order mark (%s)", QStringConverter::nameForEncoding(encoding))
            << QString() << QByteArray(QStringEncoder(encoding).encode(QStringLiteral("1000,5\r\n")))
            << QStringList{"UTF-16", "without a byte-order mark"} << true;
    QTest::newRow("csv: zero bytes of another kind")
        << QString() << QByteArray("1000,5\r\n\0\0\0\x01\x02\0\0\0\r\n", 18)
        << QStringList{"not a CSV text file", "zero bytes"} << true;
    QTest::newRow("csv: semicolons") << QStringLiteral("semicolon.csv") << QByteArray()
                                     << QStringList{"semicolons (;), not with commas"} << false;
    // Split at the comma inside the quoted amounts, the first lines would read as two fields.
    csvCase("csv: semicolons, quoted amounts with a comma",
            "1000;\"1,234.50\"\r\n1010;\"2,000.00\"\r\n1020;\"-3,000.00\"\r\n1030;5\r\n",
            {"semicolons (;), not with commas", "Save it as CSV with a comma"});
    csvCase("csv: tabs", "1000\t\"1,234.50\"\r\n1010\t7\r\n", {"with tabs, not with commas"});
    csvCase("csv: a line of one field with semicolons", "1000,5\r\n1010;7\r\n", {"semicolons (;)"});

    const auto fileCase = [](const char* name, const char* file, QStringList words) {
        QTest::newRow(name) << QString::fromLatin1(file) << QByteArray() << words << true;
    };
    fileCase("csv: missing", "missing.csv", {"does not exist"});
    fileCase("xls: missing", "missing.xls", {"does not exist"});
    fileCase("xlsx: missing", "missing.xlsx", {"does not exist"});
    fileCase("xls: truncated", "truncated.xls", {"damaged or password-protected"});
    fileCase("xls: an xlsx renamed", "xlsx-renamed.xls", {"(.xlsx) with the .xls extension", "Rename"});
    fileCase("xls: a csv renamed", "csv-renamed.xls", {"not an Excel 97-2003 workbook (.xls)", "damaged"});
    fileCase("xls: password", "protected.xls", {"password-protected"});
    fileCase("xls: one byte inserted", "faults/freexl-overread.xls", {"damaged"});
    fileCase("xlsx: a part whose data ends before its size", "faults/ends-early.xlsx", {"damaged"});
    fileCase("xlsx: truncated", "truncated.xlsx", {"not an Excel workbook (.xlsx)", "damaged"});
    fileCase("xlsx: a csv renamed", "csv-renamed.xlsx", {"not an Excel workbook (.xlsx)", "damaged"});
    fileCase("xlsx: damaged compressed data", "damaged-data.xlsx",
             {"not an Excel workbook (.xlsx)", "damaged"});
    fileCase("xlsx: part fails its checksum", "bad-checksum.xlsx",
             {"not an Excel workbook (.xlsx)", "damaged"});
    fileCase("xlsx: compound file (encrypted)", "compound-file.xlsx", {"password-protected"});
    fileCase("xlsx: no worksheet", "no-worksheet.xlsx", {"has no worksheet"});
    fileCase("xlsx: column reference that wraps to B", "faults/colref-wrap.xlsx", {"damaged"});
    fileCase("xlsx: column reference that overflows", "faults/longcolref.xlsx", {"damaged"});
    // 120,000 nested runs are read without recursion; the sheet then names strings it lacks.
    fileCase("xlsx: deeply nested runs", "faults/nest-120000.xlsx", {"damaged"});
}

void tst_BalanceFileReader::failures()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, words);
    QFETCH(bool, namesFile);
    const QString path =
        file.isEmpty() ? TestDb::textFile(m_dir.path(), QStringLiteral("in.csv"), content) : fixture(file);
    try {
        const BalanceRows read = readAny(path);
        QFAIL(qPrintable(QStringLiteral("read without error: ") + describe(read)));
    } catch (const AppError& e) {
        QCOMPARE(e.number(), AppError::ObjectError1001);
        for (const QString& word : words)
            QVERIFY2(e.description().contains(word), qPrintable(e.description()));
        if (namesFile)
            QVERIFY2(e.description().contains(QDir::toNativeSeparators(path)), qPrintable(e.description()));
    }
}

void tst_BalanceFileReader::largeCsvIsReadWhole()
{
    constexpr int count = 100000;
    QByteArray content;
    content.reserve(count * 24);
    for (int i = 1; i <= count; ++i)
        content += QByteArray::number(100000 + i) + ",\"" + QByteArray::number(i) + ".25\",memo\r\n";
    const QString path = TestDb::textFile(m_dir.path(), QStringLiteral("large.csv"), content);

    QElapsedTimer timer;
    timer.start();
    const BalanceRows read = BalanceFileReader::readCsv(path);
    const qint64 elapsed = timer.elapsed();
    qInfo("read %d CSV rows in %lld ms", int(read.size()), elapsed);
    QCOMPARE(read.size(), count);
    QCOMPARE(read.first(),
             (BalanceRow{QStringLiteral("100001"), QStringLiteral("1.25"), QStringLiteral("memo")}));
    QCOMPARE(read.last(),
             (BalanceRow{QStringLiteral("200000"), QStringLiteral("100000.25"), QStringLiteral("memo")}));
    QVERIFY2(elapsed < timeLimitMs(10000), "far too slow: the reader is not linear");
}

void tst_BalanceFileReader::xlsxReadsPastRow32767()
{
    constexpr int count = 40000;
    const QString path = m_dir.filePath(QStringLiteral("large.xlsx"));
    writeLargeWorkbook(path, count);
    if (QTest::currentTestFailed())
        return;
    const BalanceRows read = BalanceFileReader::readXlsx(path);
    QCOMPARE(read.size(), count);
    QCOMPARE(read.at(32767), (BalanceRow{QStringLiteral("32768"), QStringLiteral("327.68")}));
    QCOMPARE(read.last(), (BalanceRow{QStringLiteral("40000"), QStringLiteral("400")}));
}

namespace {
// The process's peak resident memory so far, in kB.
qint64 peakMemoryKb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}
} // namespace

void tst_BalanceFileReader::xlsxHugeSheetIsRefusedInBoundedMemory()
{
    // 880 KB that unzip to 900 million blanks before the first row.
    const qint64 before = peakMemoryKb();
    QElapsedTimer timer;
    timer.start();
    try {
        BalanceFileReader::readXlsx(fixture("faults/ws-900MB.xlsx"));
        QFAIL("a worksheet of 900 MB was read");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains("larger than"), qPrintable(e.description()));
    }
    QVERIFY2(peakMemoryKb() - before < 100 * 1024, qPrintable(QString::number(peakMemoryKb() - before)));
    QVERIFY2(timer.elapsed() < timeLimitMs(20000), qPrintable(QString::number(timer.elapsed())));
}

void tst_BalanceFileReader::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimals") << 1234.56 << "1234.56";
    QTest::newRow("whole") << 12.0 << "12";
    QTest::newRow("negative whole") << -5.0 << "-5";
    QTest::newRow("negative fraction") << -0.5 << "-0.5";
    QTest::newRow("binary drift rounded to 15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("drift in a large amount") << 1234567.89 * 3 << "3703703.67";
    QTest::newRow("no exponent at 10^13") << 1e13 << "10000000000000";
    QTest::newRow("15 digits kept") << 123456789012345.0 << "123456789012345";
    QTest::newRow("digits past 15 rounded") << 1234567890.123456789 << "1234567890.12346";
    QTest::newRow("small fraction") << 0.00001 << "0.00001";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("exponent from 10^15") << 1e15 << "1E+15";
}

void tst_BalanceFileReader::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(BalanceFileReader::numberText(value), text);
}

QTEST_GUILESS_MAIN(tst_BalanceFileReader)
#include "tst_balancefilereader.moc"
