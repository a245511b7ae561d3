#include "global.h"
#include "recorders.h"
#include "testdb.h"
#include "titlepanels.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

// The title bands and the tutorial button every dialog places.
class tst_TitlePanels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panels();
    void tutorialButton();
};

void tst_TitlePanels::panels()
{
    SimpleDialogTitlePanel simple;
    QCOMPARE(simple.title(), QStringLiteral("Title"));
    simple.initialize("Pick a Reconciliation Date to Use");
    QCOMPARE(simple.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Pick a Reconciliation Date to Use"));
    QVERIFY(simple.findChild<DividerLine*>("DividerLine1"));

    CompoundDialogTitlePanel compound;
    compound.initialize("Balances", "As of November 30, 2026");
    QCOMPARE(compound.subTitle(), QStringLiteral("As of November 30, 2026"));
    compound.initialize("Only a title");
    QCOMPARE(compound.title(), QStringLiteral("Only a title"));
    QCOMPARE(compound.subTitle(), QString());
    compound.initialize("<b>x</b> &Save");
    QCOMPARE(compound.findChild<QLabel*>("lblTitle")->textFormat(), Qt::PlainText); // shown as typed
}

void tst_TitlePanels::tutorialButton()
{
    TestSeams seams;
    Global::tutorialPath = seams.path("missing.pdf");
    TutorialButton button;
    QCOMPARE(button.button()->text(), QStringLiteral("&Tutorial"));
    button.findChild<QPushButton*>("cmdTutorial")->click();
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Application Error"));
    Global::tutorialPath = TestDb::textFile(seams.folder(), "help.pdf", "%PDF");
    button.button()->click();
    QCOMPARE(seams.opener.opened, QStringList{Global::tutorialPath});
}

QTEST_MAIN(tst_TitlePanels)
#include "tst_titlepanels.moc"
