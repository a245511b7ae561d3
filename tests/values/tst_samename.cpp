#include "samename.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A typed user name is stored without the blanks and invisible characters around it, each taken
// whole (how names compare is tested where users and accounts are stored).
class tst_SameName : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedUserName_data();
    void storedUserName();
};

namespace {

QString ucs4(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

} // namespace

void tst_SameName::storedUserName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blanks around") << u" maria\u00A0"_s << u"maria"_s;
    QTest::newRow("Hangul fillers around") << u"\u3164maria\uFFA0"_s << u"maria"_s;
    QTest::newRow("language tags around") << ucs4(0xE0001) + u"maria"_s + ucs4(0xE007F) << u"maria"_s;
    QTest::newRow("letter outside 16 bits kept") << ucs4(0x10400) + u" "_s << ucs4(0x10400);
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
