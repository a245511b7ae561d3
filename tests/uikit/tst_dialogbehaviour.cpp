#include "apperror.h"
#include "datavalidationerror.h"
#include "datebox.h"
#include "dialogbehaviour.h"
#include "recorders.h"
#include "waitcursor.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <stdexcept>

// The behaviour every dialog shares, and the date box that rests on it.
class tst_DialogBehaviour : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void waitCursorComesBackAfterAnyError();
    void typedKeys_data();
    void typedKeys();
    void leavingTheBox_data();
    void leavingTheBox();
    void closingIsNoLeaving_data();
    void closingIsNoLeaving();
    void refusalIsShownOnce();
    void mnemonicCommitsTheField();
    void calendarPicksADay();
    void errorsStopAtTheHandler_data();
    void errorsStopAtTheHandler();
    void plainTextLimit();
    void enterMovesOn();
};

namespace {

// A dialog with a date box, a field after it, OK, and a Cancel that does not cause validation.
struct DateDialog
{
    DateDialog()
    {
        box = new DateBox(&dialog);
        box->setObjectName("dtpDate");
        next = new QLineEdit(&dialog);
        ok = new QPushButton("&OK", &dialog);
        cancel = new QPushButton("&Cancel", &dialog);
        DialogBehaviour::setCausesValidation(cancel, false);
        QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
        auto* layout = new QVBoxLayout(&dialog);
        for (QWidget* w : std::initializer_list<QWidget*>{box, next, ok, cancel})
            layout->addWidget(w);
        DialogBehaviour::noAutoDefault(&dialog);
    }
    bool showWithFocusInBox()
    {
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            return false;
        box->setFocus();
        return box->hasFocus();
    }
    QDialog dialog;
    DateBox* box;
    QLineEdit* next;
    QPushButton* ok;
    QPushButton* cancel;
};

} // namespace

void tst_DialogBehaviour::typedKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("digits and separators") << "1/31-2024" << "1/31-2024";
    QTest::newRow("letters and blanks dropped") << "0a1/ 3x1/2024" << "01/31/2024";
    QTest::newRow("dots dropped") << "1.31.2024" << "1312024";
}

void tst_DialogBehaviour::typedKeys()
{
    QFETCH(QString, keys);
    QFETCH(QString, text);
    TestSeams seams;
    DateBox box;
    QTest::keyClicks(&box, keys);
    QCOMPARE(box.text(), text);
    box.clear();
    box.insert(keys); // pasting obeys the same characters (the whole paste is refused)
    QCOMPARE(box.text(), keys == text ? text : QString());
}

void tst_DialogBehaviour::leavingTheBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // the box's text after leaving
    QTest::addColumn<bool>("refused");
    QTest::newRow("six digits") << "022824" << "02/28/2024" << false;
    QTest::newRow("eight digits") << "12312026" << "12/31/2026" << false;
    QTest::newRow("short form") << "2/29/2024" << "02/29/2024" << false;
    QTest::newRow("empty passes quietly") << "" << "" << false;
    QTest::newRow("no 30th of February") << "02/30/2024" << "02/30/2024" << true;
    QTest::newRow("no 13th month") << "13/45/2024" << "13/45/2024" << true;
    QTest::newRow("no leap day in 2023") << "02/29/2023" << "02/29/2023" << true;
    QTest::newRow("separators only") << "//" << "//" << true;
}

void tst_DialogBehaviour::leavingTheBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, refused);
    TestSeams seams;
    DateDialog d;
    QVERIFY(d.showWithFocusInBox());
    QSignalSpy invalid(d.box, &DateBox::invalidDate);
    d.box->setText(typed);

    QTest::keyClick(d.box, Qt::Key_Return); // Enter moves on like Tab
    QCoreApplication::processEvents();
    QCOMPARE(d.box->text(), shown);
    QCOMPARE(invalid.size(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(seams.prompter.texts(), QStringList{DateBox::defaultInvalidMessage()});
        QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
        QVERIFY(d.box->hasFocus()); // back in the box to put it right
    } else {
        QVERIFY(seams.prompter.messages.isEmpty());
        QVERIFY(d.next->hasFocus());
    }
}

void tst_DialogBehaviour::closingIsNoLeaving_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << "esc";
    QTest::newRow("Cancel clicked") << "cancel";
    QTest::newRow("window closed") << "close";
}

void tst_DialogBehaviour::closingIsNoLeaving()
{
    QFETCH(QString, how);
    TestSeams seams;
    DateDialog d;
    QVERIFY(d.showWithFocusInBox());
    d.box->setText("13/45/2024");
    if (how == "esc")
        QTest::keyClick(d.box, Qt::Key_Escape);
    else if (how == "cancel")
        QTest::mouseClick(d.cancel, Qt::LeftButton);
    else
        d.dialog.close();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QVERIFY(!d.dialog.isVisible());
    QVERIFY(seams.prompter.messages.isEmpty());
}

void tst_DialogBehaviour::refusalIsShownOnce()
{
    TestSeams seams;
    DateDialog d;
    QVERIFY(d.showWithFocusInBox());
    d.box->setText("02/30/2024");
    QTest::mouseClick(d.ok, Qt::LeftButton); // a click elsewhere in the dialog is moving on
    QTest::keyClick(d.ok, Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(seams.prompter.messages.size(), 1);
    QVERIFY(d.box->hasFocus());
}

void tst_DialogBehaviour::mnemonicCommitsTheField()
{
    TestSeams seams;
    DateDialog d;
    QVERIFY(d.showWithFocusInBox());
    d.box->setText("013124");
    // A mnemonic presses OK with the focus still in the box: OK commits the field first.
    QVERIFY(DialogBehaviour::commitEditedFields(&d.dialog));
    QCOMPARE(d.box->text(), QStringLiteral("01/31/2024"));
    d.box->setText("99/99/2024");
    QVERIFY(!DialogBehaviour::commitEditedFields(&d.dialog));
    QCOMPARE(seams.prompter.messages.size(), 1);
    QVERIFY(d.box->hasFocus());
    d.next->setFocus(); // a field without a check commits trivially
    QVERIFY(DialogBehaviour::commitEditedFields(&d.dialog));
}

void tst_DialogBehaviour::calendarPicksADay()
{
    TestSeams seams;
    DateDialog d;
    QVERIFY(d.showWithFocusInBox());
    d.box->setText("2/29/2024");
    QTest::keyClick(d.box, Qt::Key_F4);
    auto* calendar = d.box->findChild<QCalendarWidget*>("calendarPopup");
    QVERIFY(calendar);
    QCOMPARE(calendar->selectedDate(), QDate(2024, 2, 29)); // opens on the box's date
    QSignalSpy finished(d.box, &QLineEdit::editingFinished);
    Q_EMIT calendar->clicked(QDate(2024, 1, 31));
    QCOMPARE(d.box->text(), QStringLiteral("01/31/2024"));
    QCOMPARE(finished.size(), 1);
    QVERIFY(seams.prompter.messages.isEmpty()); // the pop-up taking the focus is no leaving
}

void tst_DialogBehaviour::errorsStopAtTheHandler_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("factory error") << 0 << "Corvantis" << "Not expecting a 'N' code in the create() method";
    QTest::newRow("validation error") << 1 << "Data Validation Error" << "Validation Error";
    QTest::newRow("already reported") << 2 << "" << "";
    QTest::newRow("other exception") << 3 << "Corvantis" << "out of range";
}

void tst_DialogBehaviour::errorsStopAtTheHandler()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    TestSeams seams;
    const bool ok = DialogBehaviour::guarded([kind] {
        switch (kind) {
        case 0:
            throw AppError(AppError::ObjectError1001, "RecDialogFactory",
                           "Not expecting a 'N' code in the create() method");
        case 1: throw DataValidationError::raise("Unknown", "X");
        case 2: throw AppError(AppError::DatabaseError, "Database", "shown").markReported();
        default: throw std::out_of_range("out of range");
        }
    });
    QVERIFY(!ok);
    QCOMPARE(seams.prompter.lastTitle(), title);
    QCOMPARE(seams.prompter.lastText(), text);
    QVERIFY(DialogBehaviour::guarded([] {}));
}

void tst_DialogBehaviour::plainTextLimit()
{
    QPlainTextEdit edit;
    DialogBehaviour::limitLength(&edit, 10);
    QTest::keyClicks(&edit, "abcdefghijKL");
    QCOMPARE(edit.toPlainText(), QStringLiteral("abcdefghij"));
    edit.clear();
    edit.insertPlainText("12345");
    edit.moveCursor(QTextCursor::Start);
    edit.insertPlainText("ABCDEFGH"); // a paste cut where it was pasted
    QCOMPARE(edit.toPlainText(), QStringLiteral("ABCDE12345"));

    // A stored text longer than the limit is shown whole and kept whole; an edit may shorten it
    // but never lengthen it.
    const QString stored = QString(14, QLatin1Char('s'));
    {
        const QSignalBlocker block(&edit);
        edit.setPlainText(stored);
    }
    QCOMPARE(edit.toPlainText(), stored);
    edit.moveCursor(QTextCursor::End);
    QTest::keyClicks(&edit, "xy");
    QCOMPARE(edit.toPlainText(), stored);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.toPlainText(), stored.left(13));
    edit.moveCursor(QTextCursor::Start);
    edit.insertPlainText("pasted");
    QCOMPARE(edit.toPlainText(), stored.left(13));
}

void tst_DialogBehaviour::enterMovesOn()
{
    TestSeams seams;
    DateDialog d;
    auto* amount = new QLineEdit(&d.dialog);
    d.dialog.layout()->addWidget(amount);
    QWidget::setTabOrder(d.next, amount);
    DialogBehaviour::enterMovesOn(d.next);
    QVERIFY(d.showWithFocusInBox());
    d.next->setFocus();
    QSignalSpy accepted(&d.dialog, &QDialog::accepted);
    QTest::keyClick(d.next, Qt::Key_Return);
    QVERIFY(amount->hasFocus());
    QVERIFY(accepted.isEmpty());
}

void tst_DialogBehaviour::waitCursorComesBackAfterAnyError()
{
    QVERIFY(!QGuiApplication::overrideCursor());
    try {
        WaitCursor wait;
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("not an AppError");
    } catch (const std::runtime_error&) {
    }
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(tst_DialogBehaviour)
#include "tst_dialogbehaviour.moc"
