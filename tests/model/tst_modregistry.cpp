#include "modregistry.h"
#include "recorders.h"

#include <QTest>

using namespace modRegistry;

class tst_modRegistry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingKeepsDefault();
    void textRoundTrip();
    void dwordKeepsAllBits();
    void booleans();
    void unknownLocation();
    void iniFile();
};

namespace {
const QString kKey = QStringLiteral("Software\\Corvantis\\Database");
}

void tst_modRegistry::missingKeepsDefault()
{
    TestSeams seams;
    QVariant v;
    QCOMPARE(getSetting("HKCU", kKey, "Path", "S", "None", v), StatusMissing);
    QCOMPARE(v.toString(), QStringLiteral("None"));
    // The key exists but the value does not.
    QCOMPARE(setSetting("HKCU", kKey, "Other", "S", "x"), StatusOk);
    QCOMPARE(getSetting("HKCU", kKey, "Path", "S", "None", v), StatusMissing);
    QCOMPARE(v.toString(), QStringLiteral("None"));
}

void tst_modRegistry::textRoundTrip()
{
    TestSeams seams;
    QVariant v;
    QCOMPARE(setSetting("hkcu", kKey, "Path", "s", "/data/Books 2024.db"), StatusOk);
    QCOMPARE(getSetting("HKCU", kKey, "Path", "S", "None", v), StatusOk);
    QCOMPARE(v.toString(), QStringLiteral("/data/Books 2024.db"));
    QCOMPARE(setSetting("HKCU", kKey, "Path", "S", ""), StatusOk);
    QCOMPARE(getSetting("HKCU", kKey, "Path", "S", "None", v), StatusOk);
    QCOMPARE(v.toString(), QString());
}

void tst_modRegistry::dwordKeepsAllBits()
{
    TestSeams seams;
    QVariant v;
    for (qint32 n : {1, -1, 100000, std::numeric_limits<qint32>::min()}) {
        QCOMPARE(setSetting("HKCU", "Software\\Corvantis\\RecSelectDialog", "optAcctType", "D", n), StatusOk);
        QCOMPARE(getSetting("HKCU", "Software\\Corvantis\\RecSelectDialog", "optAcctType", "D", 0, v), StatusOk);
        QCOMPARE(v.toInt(), n);
    }
    // All 32 bits set is -1.
    QCOMPARE(setSetting("HKCU", "Software\\Corvantis\\RecSelectDialog", "x", "D", qint64(0xFFFFFFFF)), StatusOk);
    QCOMPARE(getSetting("HKCU", "Software\\Corvantis\\RecSelectDialog", "x", "D", 0, v), StatusOk);
    QCOMPARE(v.toInt(), -1);
    // Beyond 32 bits nothing is written and the caller is told.
    QCOMPARE(setSetting("HKCU", "Software\\Corvantis\\RecSelectDialog", "x", "D", qint64(1) << 40), StatusInvalidData);
    QCOMPARE(getSetting("HKCU", "Software\\Corvantis\\RecSelectDialog", "x", "D", 0, v), StatusOk);
    QCOMPARE(v.toInt(), -1);
}

void tst_modRegistry::booleans()
{
    TestSeams seams;
    QVariant v;
    QCOMPARE(setSetting("HKCU", kKey, "Flag", "B", true), StatusOk);
    QCOMPARE(getSetting("HKCU", kKey, "Flag", "B", false, v), StatusOk);
    QCOMPARE(v.toBool(), true);
}

void tst_modRegistry::unknownLocation()
{
    TestSeams seams;
    QVariant v;
    QCOMPARE(getSetting("HKXX", kKey, "Path", "S", "dflt", v), StatusNoLocation);
    QCOMPARE(v.toString(), QStringLiteral("dflt"));
    QCOMPARE(setSetting("/no/such/file.ini", kKey, "Path", "S", "x"), StatusNoLocation);
}

void tst_modRegistry::iniFile()
{
    TestSeams seams;
    const QString ini = seams.path("app.ini");
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Section]\nName=value\nCount=7\n");
    f.close();
    QVariant v;
    QCOMPARE(getSetting(ini, "Section", "Name", "S", "", v), StatusOk);
    QCOMPARE(v.toString(), QStringLiteral("value"));
    QCOMPARE(getSetting(ini, "Section", "Count", "D", 0, v), StatusOk);
    QCOMPARE(v.toInt(), 7);
    QCOMPARE(setSetting(ini, "Section", "Name", "S", "other"), StatusOk);
    QCOMPARE(getSetting(ini, "Section", "Name", "S", "", v), StatusOk);
    QCOMPARE(v.toString(), QStringLiteral("other"));
    QCOMPARE(setSetting(ini, "Section", "Count", "D", 9), StatusNoLocation);
}

QTEST_GUILESS_MAIN(tst_modRegistry)
#include "tst_modregistry.moc"
