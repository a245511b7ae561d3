#include "global.h"
#include "recorders.h"
#include "testdb.h"
#include "titlepanels.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QTest>

// The title bands and the tutorial button every dialog places.
class tst_TitlePanels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panels();
    void tutorialButton();
};

namespace {

// A window laid out with the panel at its top, as a dialog places it.
template <typename Panel>
struct Placed
{
    Placed()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(panel = new Panel(&window));
        layout->addWidget(new QLabel("body", &window));
        window.resize(400, 200);
        window.show();
    }
    QLabel* label(const char* name) const { return panel->template findChild<QLabel*>(name); }
    QRect place(const QWidget* w) const { return QRect(w->mapTo(&window, QPoint()), w->size()); }
    QWidget window;
    Panel* panel;
};

} // namespace

void tst_TitlePanels::panels()
{
    Placed<CompoundDialogTitlePanel> compound;
    compound.panel->initialize("<b>x</b> &Save", "As of November 30, 2026");
    QVERIFY(QTest::qWaitForWindowExposed(&compound.window));
    QLabel* title = compound.label("lblTitle");
    QLabel* subTitle = compound.label("lblSubTitle");
    auto* divider = compound.panel->findChild<DividerLine*>("DividerLine1");
    QVERIFY(divider);
    // The title over the subtitle over the divider, the title bolder and larger.
    QVERIFY(compound.place(title).bottom() < compound.place(subTitle).top());
    QVERIFY(compound.place(subTitle).bottom() < compound.place(divider).top());
    QVERIFY(title->font().bold() && !subTitle->font().bold());
    QVERIFY(title->font().pointSizeF() > subTitle->font().pointSizeF());
    // Markup and ampersands are shown as typed: the text is wider than the bold "x" it would be.
    QVERIFY(title->sizeHint().width() > title->fontMetrics().horizontalAdvance("x Save"));
    // Only a title: the subtitle line empties instead of keeping the last one.
    compound.panel->initialize("Only a title");
    QCOMPARE(compound.panel->subTitle(), QString());

    Placed<SimpleDialogTitlePanel> simple;
    simple.panel->initialize("Pick a Reconciliation Date to Use");
    QVERIFY(QTest::qWaitForWindowExposed(&simple.window));
    QVERIFY(simple.place(simple.label("lblTitle")).bottom() <
            simple.place(simple.panel->findChild<DividerLine*>("DividerLine1")).top());
}

void tst_TitlePanels::tutorialButton()
{
    TestSeams seams;
    Global::tutorialPath = seams.path("missing.pdf");
    QDialog window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit(&window);
    layout->addWidget(field);
    auto* tutorial = new TutorialButton(&window);
    layout->addWidget(tutorial);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    // Enter in a dialog's field never opens it (it is no default button); a click does, and says
    // when the document is missing.
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(seams.prompter.messages.isEmpty());
    QVERIFY(window.isVisible());
    tutorial->button()->click();
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Application Error"));
    Global::tutorialPath = TestDb::textFile(seams.folder(), "help.pdf", "%PDF");
    tutorial->button()->click();
    QCOMPARE(seams.opener.opened, QStringList{Global::tutorialPath});
}

QTEST_MAIN(tst_TitlePanels)
#include "tst_titlepanels.moc"
