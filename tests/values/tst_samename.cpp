#include "samename.h"

#include <QTest>

// When two typed texts are one user name and one account number.
class tst_SameName : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pairs_data();
    void pairs();
};

void tst_SameName::pairs_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("sameUser");
    QTest::addColumn<bool>("sameAccount");
    const QString combiningAcute = QStringLiteral("\u0301");
    QTest::newRow("other case, every letter") << "ärger" << "ÄRGER" << true << true;
    QTest::newRow("sharp s folds to two letters") << "Straße" << "STRASSE" << true << true;
    QTest::newRow("ligature") << "ﬁle-1" << "FILE-1" << true << true;
    QTest::newRow("accent differs") << "ärger" << "arger" << false << false;
    QTest::newRow("accent composed or typed apart") << "José" << "Jose" + combiningAcute << true << true;
    QTest::newRow("typed apart, other case") << "jose" + combiningAcute + "-3" << "JOSÉ-3" << true << true;
    QTest::newRow("capital I with dot") << "İpek" << "i\u0307pek" << true << true;
    QTest::newRow("dotless i is not i") << "Isık" << "Isik" << false << false;
    QTest::newRow("dotless i is not capital I") << "ısık-2" << "ISIK-2" << false << false;
    QTest::newRow("zero-width space") << "ma\u200Bria" << "maria" << true << true;
    QTest::newRow("blanks around") << "\u00A0maria\u3000" << "MARIA " << true << false;
    QTest::newRow("inner blank") << "ma ria" << "maria" << false << false;
}

void tst_SameName::pairs()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, sameUser);
    QFETCH(bool, sameAccount);
    QCOMPARE(SameName::sameUser(a, b), sameUser);
    QCOMPARE(SameName::sameUser(b, a), sameUser);
    QCOMPARE(SameName::sameAccount(a, b), sameAccount);
}

QTEST_GUILESS_MAIN(tst_SameName)
#include "tst_samename.moc"
