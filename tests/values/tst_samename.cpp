#include "samename.h"

#include <QTest>

using namespace Qt::StringLiterals;

// How names compare is tested where users and accounts are stored.
class tst_SameName : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedUserName_data();
    void storedUserName();
};

void tst_SameName::storedUserName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Hangul fillers around") << u"\u3164maria\uFFA0"_s << u"maria"_s;
    QTest::newRow("language tags around") << u"\U000E0001maria\U000E007F"_s << u"maria"_s;
    QTest::newRow("letter outside 16 bits kept") << u"\U00010400 "_s << u"\U00010400"_s;
    QTest::newRow("inner characters kept") << u"ma\u3164ria"_s << u"ma\u3164ria"_s;
}

void tst_SameName::storedUserName()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QCOMPARE(SameName::userName(typed), stored);
}

QTEST_APPLESS_MAIN(tst_SameName)
#include "tst_samename.moc"
