#include "datebox.h"
#include "global.h"
#include "recdateselectdialog.h"
#include "recorders.h"
#include "titlepanels.h"

#include <QApplication>
#include <QClipboard>
#include <QLocale>
#include <QPushButton>
#include <QTest>

// The reconciliation-date picker: its three approving buttons and the filter each records, dates
// that are no dates, and a fresh start on every use.
class tst_RecDateSelectDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void looks();
    void buttons_data();
    void buttons();
    void everyUseStartsAfresh();
    void datesIgnoreTheLocale_data();
    void datesIgnoreTheLocale();
    void escWithAnInvalidDateClosesQuietly();
    void typedDateEnterEnterConfirms();
    void pastedDates_data();
    void pastedDates();
};

namespace {

QPushButton* button(const QDialog& d, const char* name)
{
    return d.findChild<QPushButton*>(name);
}

DateBox* dateBox(const QDialog& d)
{
    return d.findChild<DateBox*>("dtpRecDate");
}

} // namespace

void tst_RecDateSelectDialog::looks()
{
    TestSeams seams;
    RecDateSelectDialog d;
    QCOMPARE(d.findChild<SimpleDialogTitlePanel*>("m_title")->title(), QStringLiteral("Pick a Reconciliation Date to Use"));
    QVERIFY(d.findChild<DividerLine*>("DividerLine2"));
    d.setFilterButtonsVisible(false);
    // The command's caption on the OK button, which still approves with the date typed; Enter in
    // the box approves nothing.
    d.setOkCaption("&Review");
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QVERIFY(button(d, "btnActiveAccts")->isHidden());
    QVERIFY(button(d, "btnKeyCtrlAccts")->isHidden());
    dateBox(d)->setText("01/31/2024");
    QTest::keyClick(dateBox(d), Qt::Key_Return);
    QVERIFY2(!d.isApproved(), "Enter must never approve by accident");
    QCOMPARE(button(d, "OKButton")->text(), QStringLiteral("&Review"));
    button(d, "OKButton")->click();
    QVERIFY(d.isApproved());
    QCOMPARE(d.getSelectedDate(), QStringLiteral("01/31/2024"));
}

void tst_RecDateSelectDialog::buttons_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("approved");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("filter");
    QTest::newRow("all accounts") << "1/31/2024" << "OKButton" << true << "01/31/2024" << "All Accounts";
    QTest::newRow("active, six digits") << "022824" << "btnActiveAccts" << true << "02/28/2024" << "Active Accounts";
    QTest::newRow("key control") << "02/29/2024" << "btnKeyCtrlAccts" << true << "02/29/2024" << "Key Control Accounts";
    QTest::newRow("empty stays open") << "" << "OKButton" << false << "" << "";
    QTest::newRow("02/30/2024 stays open") << "02/30/2024" << "OKButton" << false << "" << "";
    QTest::newRow("13/45/2024 stays open") << "13/45/2024" << "btnActiveAccts" << false << "" << "";
    QTest::newRow("02/29/2023 stays open") << "02/29/2023" << "btnKeyCtrlAccts" << false << "" << "";
    QTest::newRow("cancel") << "01/31/2024" << "CancelButton" << false << "" << "";
}

void tst_RecDateSelectDialog::buttons()
{
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(bool, approved);
    QFETCH(QString, date);
    QFETCH(QString, filter);
    TestSeams seams;
    RecDateSelectDialog d;
    QCOMPARE(dateBox(d)->text(), QStringLiteral("02/29/2024")); // today is 03/15/2024
    dateBox(d)->setText(typed);
    ::button(d, button.toLatin1())->click(); // as by its mnemonic: the focus never left the box
    QCOMPARE(d.isApproved(), approved);
    QCOMPARE(d.result(), approved ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (approved)
        QCOMPARE(d.getSelectedDate(), date);
    QCOMPARE(Global::accountFilter, filter);
    QVERIFY(seams.prompter.messages.isEmpty()); // the buttons refuse silently
}

void tst_RecDateSelectDialog::everyUseStartsAfresh()
{
    TestSeams seams;
    RecDateSelectDialog d;
    dateBox(d)->setText("01/31/2024");
    button(d, "btnKeyCtrlAccts")->click();
    QVERIFY(d.isApproved());

    // The next use: an earlier approval never makes Cancel count as one.
    Global::setCurrentRecDate("12/31/2023");
    d.load();
    QVERIFY(!d.isApproved());
    QCOMPARE(dateBox(d)->text(), QStringLiteral("12/31/2023"));
    QCOMPARE(d.getSelectedDate(), QStringLiteral("12/31/2023"));
    button(d, "CancelButton")->click();
    QVERIFY(!d.isApproved());

    // Showing it loads it too.
    dateBox(d)->setText("01/31/2024");
    button(d, "OKButton")->click();
    QVERIFY(d.isApproved());
    d.show();
    QVERIFY(!d.isApproved());
    QCOMPARE(dateBox(d)->text(), QStringLiteral("12/31/2023"));
    d.hide();
}

void tst_RecDateSelectDialog::datesIgnoreTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("day first") << "en_GB";
    QTest::newRow("German") << "de_DE";
    QTest::newRow("year first") << "ja_JP";
}

void tst_RecDateSelectDialog::datesIgnoreTheLocale()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    TestSeams seams;
    RecDateSelectDialog d;
    QCOMPARE(dateBox(d)->text(), QStringLiteral("02/29/2024"));
    dateBox(d)->setText("3/1/24");
    button(d, "OKButton")->click();
    QCOMPARE(d.getSelectedDate(), QStringLiteral("03/01/2024")); // March 1st, not January 3rd
}

void tst_RecDateSelectDialog::escWithAnInvalidDateClosesQuietly()
{
    TestSeams seams;
    RecDateSelectDialog d;
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QVERIFY(dateBox(d)->hasFocus());
    dateBox(d)->setText("13/45/2024");
    QTest::keyClick(dateBox(d), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QVERIFY(!d.isVisible());
    QVERIFY(!d.isApproved());
    QVERIFY(seams.prompter.messages.isEmpty());

    // Moving on inside the dialog is what reports it, and the box keeps what was typed.
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    dateBox(d)->setText("13/45/2024");
    QTest::keyClick(dateBox(d), Qt::Key_Tab);
    QTRY_COMPARE(seams.prompter.texts(),
                 QStringList{"Date entered is invalid, Please enter a valid date in MMDDYYYY format."});
    QCOMPARE(dateBox(d)->text(), QStringLiteral("13/45/2024"));
    QCOMPARE(d.getSelectedDate(), QString());
}

void tst_RecDateSelectDialog::typedDateEnterEnterConfirms()
{
    TestSeams seams;
    RecDateSelectDialog d;
    d.show();
    QApplication::setActiveWindow(&d);
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    dateBox(d)->setFocus();
    dateBox(d)->selectAll();
    QTest::keyClicks(dateBox(d), "01312024");
    QTest::keyClick(dateBox(d), Qt::Key_Return); // moves on to the first button
    QVERIFY(!d.isApproved());
    QCOMPARE(QApplication::focusWidget(), button(d, "OKButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // presses it
    QVERIFY(d.isApproved());
    QCOMPARE(d.getSelectedDate(), QStringLiteral("01/31/2024"));
}

void tst_RecDateSelectDialog::pastedDates_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a copied cell: blanks and a line end around it") << "  01/31/2024\r\n"
                                                                    << "01/31/2024" << false;
    QTest::newRow("a tab before it") << "\t1312024"
                                     << "1312024" << false;
    QTest::newRow("words are no date") << "Jan 31, 2024"
                                       << "12/31/2023" << true;
}

void tst_RecDateSelectDialog::pastedDates()
{
    QFETCH(QString, pasted);
    QFETCH(QString, text);
    QFETCH(bool, refused);
    TestSeams seams;
    Global::setCurrentRecDate("12/31/2023");
    RecDateSelectDialog d;
    d.load();
    QApplication::clipboard()->setText(pasted);
    dateBox(d)->selectAll();
    dateBox(d)->paste();
    QCoreApplication::processEvents();
    QCOMPARE(dateBox(d)->text(), text);
    QCOMPARE(seams.prompter.texts(), refused ? QStringList{DateBox::defaultInvalidMessage()} : QStringList());
}

QTEST_MAIN(tst_RecDateSelectDialog)
#include "tst_recdateselectdialog.moc"
