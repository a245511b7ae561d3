#include "apperror.h"
#include "reportrecordset.h"

#include <QTest>

namespace {

// The top level every reconciliation report declares, piece by piece as the builders join them.
QString reconciliationTop()
{
    return QStringLiteral("SHAPE APPEND NEW adVarChar(10) As GLAcctID,"
                          " NEW adLongVarWChar As Comment,"
                          " NEW adVarChar(20) As Amount,"
                          " NEW adVarChar(20) As TargetAmount,"
                          " NEW adVarChar(20) As UnidentifiedDifference,"
                          " NEW adVarChar(50) As PreparedBy,"
                          " NEW adVarChar(30) AS PreparedDate,"
                          " NEW adVarChar(50) As ApprovedBy,"
                          " NEW adVarChar(30) AS ApprovedDate,"
                          " NEW adVarChar(50) As ReviewedBy,"
                          " NEW adVarChar(30) AS ReviewedDate,"
                          " NEW adVarChar(100) As CompanyName,"
                          " NEW adVarChar(100) As Currency,"
                          " NEW adVarChar(100) As GLAcctFullName,"
                          " NEW adLongVarWChar As Description,"
                          " NEW adLongVarWChar As CompanyPolicy,"
                          " NEW adVarChar(30) As AsOfDate, ");
}

// Three levels as a grouped report declares them: the account, its groups by item type, and the
// items of each group.
QString threeLevelShape()
{
    return QStringLiteral("SHAPE APPEND NEW adVarChar(10) AS GLAcctID, NEW adLongVarWChar As Comment,"
                          " NEW adVarChar(50) As ApprovedBy, NEW adVarChar(30) AS ApprovedDate,"
                          " ((SHAPE APPEND NEW adVarChar(10) AS GLAcctID, NEW adChar(1) AS RecItemTypeCode,"
                          " NEW adVarChar(20) As TotalAmount,"
                          " ((SHAPE APPEND NEW adChar(1) AS RecItemTypeCode, NEW adVarChar(20) As Amount)"
                          " AS ReconcilingItems RELATE RecItemTypeCode TO RecItemTypeCode))"
                          " AS ReconcilingItemTypes RELATE GLAcctID TO GLAcctID)");
}

QString twoLevelShape(bool calcBasis)
{
    QString top = reconciliationTop();
    if (calcBasis)
        top.replace(QStringLiteral(" NEW adVarChar(30) AS ReviewedDate,"),
                    QStringLiteral(" NEW adVarChar(30) AS ReviewedDate, NEW adLongVarWChar AS CalcBasis,"));
    return top + QStringLiteral(" ((SHAPE APPEND NEW adVarChar(10) AS GLAcctID,"
                                " NEW adVarChar(20) As Amount,"
                                " NEW adLongVarWChar As Comment,"
                                " NEW adVarChar(30) As OpenDate, NEW adVarChar(3) As ReqTiming)"
                                " AS ReconcilingItems"
                                " RELATE GLAcctID TO GLAcctID) ");
}

// The summary report names its chapter after the closing parenthesis.
QString summaryShape()
{
    return QStringLiteral("SHAPE APPEND NEW adInteger AS ID,"
                          " NEW adVarChar(100) As CompanyName,"
                          " NEW adVarChar(100) As Currency,"
                          " NEW adVarChar(30) As AsOfDate,"
                          " ((SHAPE APPEND NEW adInteger AS ID,"
                          " NEW adVarChar(20) As Number,"
                          " NEW adVarChar(50) As Name,"
                          " NEW adVarChar(20) As DebitAmount,"
                          " NEW adVarChar(20) As CreditAmount,"
                          " NEW adVarChar(20) As Amount,"
                          " NEW adChar(1) As Reconciled,"
                          " NEW adChar(10) As LastReconciled,"
                          " NEW adVarChar(20) As UnreconciledDifference)"
                          " RELATE ID TO ID) "
                          " AS Accounts");
}

QStringList fieldNames(const ReportRecordSet& records)
{
    QStringList names;
    for (const ReportField& f : records.fields())
        names << f.name;
    return names;
}

} // namespace

class tst_ReportRecordSet : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void declarations_data();
    void declarations();
    void badDeclarations_data();
    void badDeclarations();
    void fieldTypes();
    void rowsRelateByEqualValues();
    void integerKeysRelateToText();
    void namesIgnoreCase();
    void addNewRefusesMismatches();
    void declaredWidthsCutNothing();
    void declaredInCode();
};

void tst_ReportRecordSet::declarations_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("topFields");
    QTest::addColumn<QString>("chapter");
    QTest::addColumn<QStringList>("childFields");
    QTest::addColumn<QString>("grandChapter");
    QTest::addColumn<int>("grandFields");

    QTest::newRow("three levels") << threeLevelShape() << 4 << "ReconcilingItemTypes"
                                  << QStringList{"GLAcctID", "RecItemTypeCode", "TotalAmount"}
                                  << "ReconcilingItems" << 2;
    QTest::newRow("subledger and list") << twoLevelShape(false) << 17 << "ReconcilingItems"
                                        << QStringList{"GLAcctID", "Amount", "Comment", "OpenDate", "ReqTiming"}
                                        << "" << 0;
    QTest::newRow("calculated balance") << twoLevelShape(true) << 18 << "ReconcilingItems"
                                        << QStringList{"GLAcctID", "Amount", "Comment", "OpenDate", "ReqTiming"}
                                        << "" << 0;
    QTest::newRow("summary, chapter named after the parenthesis")
        << summaryShape() << 4 << "Accounts"
        << QStringList{"ID", "Number", "Name", "DebitAmount", "CreditAmount", "Amount", "Reconciled",
                       "LastReconciled", "UnreconciledDifference"}
        << "" << 0;
}

void tst_ReportRecordSet::declarations()
{
    QFETCH(QString, shape);
    QFETCH(int, topFields);
    QFETCH(QString, chapter);
    QFETCH(QStringList, childFields);
    QFETCH(QString, grandChapter);
    QFETCH(int, grandFields);

    const auto records = ReportRecordSet::fromShape(shape);
    QCOMPARE(int(records->fields().size()), topFields);
    QCOMPARE(records->chapterNames(), QStringList{chapter});
    const ReportRecordSet& child = records->chapter(chapter);
    QCOMPARE(fieldNames(child), childFields);
    if (grandChapter.isEmpty()) {
        QVERIFY(child.chapterNames().isEmpty());
    } else {
        QCOMPARE(child.chapterNames(), QStringList{grandChapter});
        QCOMPARE(int(child.chapter(grandChapter).fields().size()), grandFields);
    }
    if (topFields == 18)
        QCOMPARE(records->fields()[11].name, QStringLiteral("CalcBasis"));
}

void tst_ReportRecordSet::badDeclarations_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("empty") << "";
    QTest::newRow("no APPEND") << "SHAPE NEW adInteger AS ID";
    QTest::newRow("no field name") << "SHAPE APPEND NEW adInteger AS";
    QTest::newRow("chapter without RELATE") << "SHAPE APPEND NEW adInteger AS ID, ((SHAPE APPEND NEW adInteger AS ID) AS C)";
    QTest::newRow("chapter without a name") << "SHAPE APPEND NEW adInteger AS ID, ((SHAPE APPEND NEW adInteger AS ID) RELATE ID TO ID)";
    QTest::newRow("relating an unknown parent field")
        << "SHAPE APPEND NEW adInteger AS ID, ((SHAPE APPEND NEW adInteger AS ID) AS C RELATE Key TO ID)";
    QTest::newRow("relating an unknown child field")
        << "SHAPE APPEND NEW adInteger AS ID, ((SHAPE APPEND NEW adInteger AS ID) AS C RELATE ID TO Key)";
    QTest::newRow("unclosed chapter") << "SHAPE APPEND NEW adInteger AS ID, ((SHAPE APPEND NEW adInteger AS ID AS C RELATE ID TO ID";
    QTest::newRow("a field twice") << "SHAPE APPEND NEW adInteger AS ID, NEW adVarChar(3) As id";
    QTest::newRow("width that is no number") << "SHAPE APPEND NEW adVarChar(x) AS Name";
    QTest::newRow("text after the end") << "SHAPE APPEND NEW adInteger AS ID) extra";
}

void tst_ReportRecordSet::badDeclarations()
{
    QFETCH(QString, shape);
    QVERIFY_THROWS_EXCEPTION(AppError, ReportRecordSet::fromShape(shape));
}

void tst_ReportRecordSet::fieldTypes()
{
    const auto records = ReportRecordSet::fromShape(threeLevelShape());
    const ReportField& first = records->fields().front();
    QCOMPARE(first.type, QStringLiteral("adVarChar"));
    QCOMPARE(first.size, 10);
    QCOMPARE(records->fields()[1].type, QStringLiteral("adLongVarWChar"));
    QCOMPARE(records->fields()[1].size, 0);
    const ReportRecordSet& items = records->chapter(QStringLiteral("ReconcilingItemTypes"))
                                       .chapter(QStringLiteral("ReconcilingItems"));
    QCOMPARE(items.fields().front().type, QStringLiteral("adChar"));
    QCOMPARE(items.fields().front().size, 1);
}

void tst_ReportRecordSet::rowsRelateByEqualValues()
{
    // As the bank report fills it: all group rows first, then every item, each finding its
    // group by its type code.
    const auto records = ReportRecordSet::fromShape(threeLevelShape());
    records->addNew({"GLAcctID", "Comment"}, {"17", "c"});
    ReportRecordSet& groups = records->chapter(QStringLiteral("ReconcilingItemTypes"));
    groups.addNew({"GLAcctID", "RecItemTypeCode", "TotalAmount"}, {"17", "C", "0.00 "});
    groups.addNew({"GLAcctID", "RecItemTypeCode", "TotalAmount"}, {"17", "O", "5.00 "});
    groups.addNew({"GLAcctID", "RecItemTypeCode", "TotalAmount"}, {"99", "D", "1.00 "});
    ReportRecordSet& items = groups.chapter(QStringLiteral("ReconcilingItems"));
    items.addNew({"RecItemTypeCode", "Amount"}, {"O", "2.00 "});
    items.addNew({"RecItemTypeCode", "Amount"}, {"O", "3.00 "});
    items.addNew({"RecItemTypeCode", "Amount"}, {"X", "9.00 "});

    QCOMPARE(records->childRows(0, QStringLiteral("ReconcilingItemTypes")), (QList<int>{0, 1}));
    QCOMPARE(groups.childRows(0, QStringLiteral("ReconcilingItems")), QList<int>{});
    QCOMPARE(groups.childRows(1, QStringLiteral("ReconcilingItems")), (QList<int>{0, 1}));
    QCOMPARE(items.value(1, QStringLiteral("Amount")).toString(), QStringLiteral("3.00 "));

    // A row added later is found too.
    items.addNew({"RecItemTypeCode", "Amount"}, {"C", "4.00 "});
    QCOMPARE(groups.childRows(0, QStringLiteral("ReconcilingItems")), QList<int>{3});
}

void tst_ReportRecordSet::integerKeysRelateToText()
{
    const auto records = ReportRecordSet::fromShape(summaryShape());
    records->addNew({"ID", "CompanyName"}, {1, "Co"});
    ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
    accounts.addNew({"ID", "Number"}, {QStringLiteral("1"), "1000"});
    accounts.addNew({"ID", "Number"}, {qint64(1), "1010"});
    accounts.addNew({"ID", "Number"}, {2, "2000"});
    QCOMPARE(records->childRows(0, QStringLiteral("accounts")), (QList<int>{0, 1}));
}

void tst_ReportRecordSet::namesIgnoreCase()
{
    const auto records = ReportRecordSet::fromShape(threeLevelShape());
    records->addNew({"glacctid", "APPROVEDDATE"}, {"5", "03/31/2024"});
    QCOMPARE(records->value(0, QStringLiteral("ApprovedDate")).toString(), QStringLiteral("03/31/2024"));
    QVERIFY(records->findChapter(QStringLiteral("ReconcilingItemtypes")));
    QCOMPARE(records->fieldIndex(QStringLiteral("approvedDATE")), 3);
    QVERIFY(records->value(0, QStringLiteral("Comment")).isNull()); // not named: stays null
}

void tst_ReportRecordSet::addNewRefusesMismatches()
{
    const auto records = ReportRecordSet::fromShape(summaryShape());
    QVERIFY_THROWS_EXCEPTION(AppError, records->addNew({"ID", "CompanyName"}, {1}));
    QVERIFY_THROWS_EXCEPTION(AppError, records->addNew({"ID", "Accounts"}, {1, 2})); // a chapter is no field
    QVERIFY_THROWS_EXCEPTION(AppError, records->value(0, QStringLiteral("Nope")));
    QVERIFY_THROWS_EXCEPTION(AppError, records->chapter(QStringLiteral("Nope")));
    QCOMPARE(records->rowCount(), 0);
}

void tst_ReportRecordSet::declaredWidthsCutNothing()
{
    const auto records = ReportRecordSet::fromShape(summaryShape());
    ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
    const QString name(80, QLatin1Char('N'));
    const QString amount = QStringLiteral("(123,456,789,012,345.00)"); // wider than adVarChar(20)
    accounts.addNew({"ID", "Name", "Amount", "Reconciled"}, {1, name, amount, "RR"});
    QCOMPARE(accounts.value(0, QStringLiteral("Name")).toString(), name);
    QCOMPARE(accounts.value(0, QStringLiteral("Amount")).toString(), amount);
    QCOMPARE(accounts.value(0, QStringLiteral("Reconciled")).toString(), QStringLiteral("RR"));
}

void tst_ReportRecordSet::declaredInCode()
{
    ReportRecordSet records;
    records.addField(QStringLiteral("ID"), QStringLiteral("adInteger"));
    ReportRecordSet& accounts = records.addChapter(QStringLiteral("Accounts"), QStringLiteral("ID"), QStringLiteral("ID"));
    accounts.addField(QStringLiteral("ID"), QStringLiteral("adInteger"));
    accounts.addField(QStringLiteral("Name"), QStringLiteral("adVarChar"), 50);
    records.addNew({"ID"}, {1});
    accounts.addNew({"ID", "Name"}, {1, "Cash"});
    QCOMPARE(records.childRows(0, QStringLiteral("Accounts")), QList<int>{0});
    QVERIFY_THROWS_EXCEPTION(AppError, records.addChapter(QStringLiteral("Other"), QStringLiteral("Key"), QStringLiteral("ID")));
    QVERIFY_THROWS_EXCEPTION(AppError, records.addChapter(QStringLiteral("accounts"), QStringLiteral("ID"), QStringLiteral("ID")));
}

QTEST_GUILESS_MAIN(tst_ReportRecordSet)
#include "tst_reportrecordset.moc"
