#include "datebox.h"
#include "modelfixture.h"
#include "periodendbaldialog.h"
#include "titlepanels.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

// The export dialog as a user drives it: the as-of date it takes, the one question before a file
// is replaced, files it must not touch, and runs that each start clean.
class tst_PeriodEndBalDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void looks();
    void asOfDate_data();
    void asOfDate();
    void target_data();
    void target();
    void afterAnErrorTheNextRunStartsClean();
    void nothingToExportWritesAnEmptyFile();
    void twoRunsTwoFiles();
};

namespace {

const QString kCreated = QStringLiteral("Export Created");

QPushButton* button(const QDialog& d, const char* name)
{
    return d.findChild<QPushButton*>(name);
}

DateBox* box(const QDialog& d)
{
    return d.findChild<DateBox*>("txtAsofDate");
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The as-of field of the file's first status line.
QString asOfIn(const QString& path)
{
    return QString::fromUtf8(contentOf(path).split('\n').value(0).split('\t').value(1));
}

} // namespace

void tst_PeriodEndBalDialog::looks()
{
    ModelFixture f(true);
    Global::setCurrentRecDate(QStringLiteral("10/31/2026"));
    PeriodEndBalDialog d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Export Data"));
    QCOMPARE(d.findChild<SimpleDialogTitlePanel*>("m_title")->title(), QStringLiteral("Pick an Export As Of Date"));
    QCOMPARE(box(d)->text(), QStringLiteral("10/31/2026"));
    const QCheckBox* headings = d.findChild<QCheckBox*>("ChkIncludeHeadingRpt");
    QVERIFY(!headings->isChecked());
    for (const QPushButton* b : d.findChildren<QPushButton*>())
        QVERIFY2(!b->autoDefault() && !b->isDefault(), "Enter must never run the export by accident");
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(QApplication::focusWidget(), box(d));
    QTest::keyClick(box(d), Qt::Key_Return); // Enter moves on
    QCOMPARE(QApplication::focusWidget(), headings);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(d.isHidden());
    QCOMPARE(d.result(), int(QDialog::Rejected));
}

void tst_PeriodEndBalDialog::asOfDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("leave");
    QTest::addColumn<QString>("shown"); // before the run
    QTest::addColumn<QString>("exported");
    QTest::newRow("letters are dropped") << "1x1/3o0/2026" << true << "11/30/2026" << "11/30/2026";
    QTest::newRow("eight digits") << "11302026" << true << "11/30/2026" << "11/30/2026";
    // A mnemonic presses the button with the focus still in the box, the box never left.
    QTest::newRow("box never left") << "113026" << false << "113026" << "11/30/2026";
    QTest::newRow("no such day") << "02/30/2024" << true << "02/30/2024" << "";
    QTest::newRow("empty") << "" << true << "" << "";
}

void tst_PeriodEndBalDialog::asOfDate()
{
    QFETCH(QString, typed);
    QFETCH(bool, leave);
    QFETCH(QString, shown);
    QFETCH(QString, exported);
    ModelFixture f(true);
    Global::setCurrentRecDate(QStringLiteral("10/31/2026"));
    PeriodEndBalDialog d;
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    box(d)->selectAll();
    QTest::keyClick(box(d), Qt::Key_Backspace);
    QTest::keyClicks(box(d), typed);
    if (leave)
        QTest::keyClick(box(d), Qt::Key_Tab);
    QCOMPARE(box(d)->text(), shown);
    QVERIFY(f.seams.prompter.messages.isEmpty()); // leaving the box says nothing

    const QString path = f.seams.path("out.xls");
    f.seams.chooser.answers << path;
    button(d, "btnExtract")->click();
    QCOMPARE(f.seams.prompter.lastText(), exported.isEmpty() ? DateBox::defaultInvalidMessage() : kCreated);
    QCOMPARE(asOfIn(path), exported);
    QCOMPARE(f.seams.chooser.filters, exported.isEmpty() ? QStringList() : QStringList{"Excel Export (*.xls)"});
    QVERIFY(button(d, "CancelButton")->isEnabled());
}

void tst_PeriodEndBalDialog::target_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("lastText");
    QTest::newRow("new file, no question") << "new.xls" << false << false << 0 << true << kCreated;
    QTest::newRow("name used as given") << "plain" << false << false << 0 << true << kCreated;
    QTest::newRow("existing, replaced on Yes") << "old.xls" << true << false << int(Prompter::Yes) << true << kCreated;
    QTest::newRow("existing, kept on No")
        << "old.xls" << true << false << int(Prompter::No) << false
        << "File '%1' already exists.  Do you want to overwrite it?";
    QTest::newRow("held by another program")
        << "old.xls" << true << true << int(Prompter::Yes) << false
        << "File is already in use by another process. Please close the file and try again.";
    QTest::newRow("folder is a file") << "notafolder/new.xls" << false << false << 0 << false
                                      << "The file %1 could not be written: ";
    QTest::newRow("save dialog cancelled") << "" << false << false << 0 << false << "";
}

void tst_PeriodEndBalDialog::target()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QFETCH(bool, inUse);
    QFETCH(int, answer);
    QFETCH(bool, written);
    QFETCH(QString, lastText);
    ModelFixture f(true);
    writeFile(f.seams.path("notafolder"), "a file");
    const QString path = name.isEmpty() ? QString() : f.seams.path(name);
    if (existing)
        writeFile(path, "old content\r\n");
    if (inUse)
        writeFile(f.seams.path(".~lock." + name + "#"), "");
    Global::setCurrentRecDate(QStringLiteral("10/31/2026"));
    PeriodEndBalDialog d;
    f.seams.chooser.answers << path;
    if (answer)
        f.seams.prompter.answers << Prompter::Answer(answer);
    button(d, "btnExtract")->click();

    const QString last = f.seams.prompter.lastText();
    if (lastText.isEmpty())
        QVERIFY(last.isEmpty());
    else
        QVERIFY2(last.startsWith(QString(lastText).replace("%1", QDir::toNativeSeparators(path))), qPrintable(last));
    if (written) {
        QVERIFY(contentOf(path).startsWith(QByteArray("03/15/2024 10:30:00\t10/31/2026\t\t1010\t")));
        QCOMPARE(f.seams.prompter.messages.last().icon, Prompter::Icon::Information);
    } else if (existing) {
        QCOMPARE(contentOf(path), QByteArray("old content\r\n"));
    } else if (!path.isEmpty()) {
        QVERIFY(!QFile::exists(path));
    }
    QCOMPARE(f.seams.prompter.messages.size(), int(existing) + (last.isEmpty() ? 0 : 1) - (answer == Prompter::No));
    QVERIFY(button(d, "CancelButton")->isEnabled());
}

void tst_PeriodEndBalDialog::afterAnErrorTheNextRunStartsClean()
{
    ModelFixture f(true);
    Global::setCurrentRecDate(QStringLiteral("10/31/2026"));
    PeriodEndBalDialog d;
    Db::exec(f.db, QStringLiteral("ALTER TABLE ReconcilingItem RENAME TO Hidden"));
    button(d, "btnExtract")->click();
    QCOMPARE(f.seams.prompter.messages.size(), 1); // the database's error, shown
    QCOMPARE(f.seams.chooser.titles.size(), 0);    // nothing asked, nothing written
    QVERIFY(button(d, "CancelButton")->isEnabled());

    Db::exec(f.db, QStringLiteral("ALTER TABLE Hidden RENAME TO ReconcilingItem"));
    const QString path = f.seams.path("out.xls");
    f.seams.chooser.answers << path;
    button(d, "btnExtract")->click();
    QCOMPARE(f.seams.prompter.lastText(), kCreated);
    QVERIFY(contentOf(path).startsWith("03/15/2024 10:30:00\t10/31/2026\t"));
}

void tst_PeriodEndBalDialog::nothingToExportWritesAnEmptyFile()
{
    ModelFixture f; // accounts, no balances, no items
    PeriodEndBalDialog d;
    d.findChild<QCheckBox*>("ChkIncludeHeadingRpt")->setChecked(true);
    const QString path = f.seams.path("empty.xls");
    writeFile(path, "old content\r\n");
    f.seams.chooser.answers << path;
    f.seams.prompter.answers << Prompter::Yes;
    button(d, "btnExtract")->click();
    QCOMPARE(f.seams.prompter.lastText(), kCreated);
    QCOMPARE(contentOf(path), QByteArray());
}

void tst_PeriodEndBalDialog::twoRunsTwoFiles()
{
    ModelFixture f(true);
    const QStringList names{f.seams.path("first.xls"), f.seams.path("second.xls")};
    int shown = 0;
    // As an Export button opens it: a fresh dialog, run through the caller's runner.
    PeriodEndBalDialog::showExport(nullptr, [&](QDialog& d) {
        ++shown;
        d.findChild<QCheckBox*>("ChkIncludeHeadingRpt")->setChecked(true);
        for (const QString& name : names) {
            f.seams.chooser.answers << name;
            button(d, "btnExtract")->click();
        }
        return int(QDialog::Rejected);
    });
    QCOMPARE(shown, 1);
    QCOMPARE(f.seams.prompter.texts(), (QStringList{kCreated, kCreated}));
    for (const QString& name : names) { // each a whole file of its own, its headings once each
        const QByteArray bytes = contentOf(name);
        QVERIFY(bytes.startsWith("ExtractDate\tAsOfDate\t"));
        QCOMPARE(bytes.count("ExtractDate\tAsOfDate\t"), 1);
        QCOMPARE(bytes.count(QByteArray(21, '\t') + "ExtractDate\tGlAcctNbr\t"), 1);
    }
}

QTEST_MAIN(tst_PeriodEndBalDialog)
#include "tst_periodendbaldialog.moc"
