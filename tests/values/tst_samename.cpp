#include "samename.h"

#include <QTest>

using namespace Qt::StringLiterals;

// When two names are one: characters nobody sees never make a name of their own, nor a name at all.
class tst_SameName : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void invisibleCharacters_data();
    void invisibleCharacters();
    void storedUserName_data();
    void storedUserName();
    void controlCharacters_data();
    void controlCharacters();
};

namespace {

QString ucs4(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

} // namespace

void tst_SameName::invisibleCharacters_data()
{
    // `admin` with the character inside and at its end: the same user, the same account number.
    QTest::addColumn<QString>("invisible");
    QTest::newRow("zero-width space") << ucs4(0x200B);
    QTest::newRow("Hangul filler") << ucs4(0x3164);
    QTest::newRow("Hangul choseong filler") << ucs4(0x115F);
    QTest::newRow("Hangul jungseong filler") << ucs4(0x1160);
    QTest::newRow("halfwidth Hangul filler") << ucs4(0xFFA0);
    QTest::newRow("blank braille cell") << ucs4(0x2800);
    QTest::newRow("grapheme joiner") << ucs4(0x034F);
    QTest::newRow("language tag, outside 16 bits") << ucs4(0xE0001);
}

void tst_SameName::invisibleCharacters()
{
    QFETCH(QString, invisible);
    for (const QString& typed : {u"ad"_s + invisible + u"min"_s, u"admin"_s + invisible}) {
        QVERIFY(SameName::sameUser(typed, u"ADMIN"_s));
        QVERIFY(SameName::sameAccount(typed, u"admin"_s));
    }
    QVERIFY2(SameName::userKey(invisible + invisible).isEmpty(), "no name at all");
    QVERIFY(!SameName::sameAccount(u"ad min"_s, u"admin"_s)); // a blank is seen
}

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

void tst_SameName::controlCharacters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("control");
    QTest::newRow("U+0001 inside") << u"ad\u0001min"_s << true;
    QTest::newRow("tab at the end") << u"1000\t"_s << true;
    QTest::newRow("delete") << u"1000\u007F"_s << true;
    QTest::newRow("C1 control") << u"1000\u0085"_s << true;
    QTest::newRow("letters, blanks and format characters") << u" ad\u200Bmin\u3164"_s << false;
}

void tst_SameName::controlCharacters()
{
    QFETCH(QString, name);
    QFETCH(bool, control);
    QCOMPARE(SameName::hasControl(name), control);
}

QTEST_APPLESS_MAIN(tst_SameName)
#include "tst_samename.moc"
