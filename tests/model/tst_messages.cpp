#include "apperror.h"
#include "datavalidationerror.h"
#include "msgboxutil.h"
#include "recorders.h"

#include <QTest>

class tst_Messages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validationError_data();
    void validationError();
    void wrap_data();
    void wrap();
    void deleteWarning();
    void boxes();
};

void tst_Messages::validationError_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("message");
    QTest::newRow("known source") << "Company:NameMissing" << "NameMissing" << "Please enter a Company Name.";
    QTest::newRow("no sentence: description") << "GLAccountBalance:DateInvalid" << "DateInvalid" << "Validation Error";
    QTest::newRow("no colon") << "Validation Error" << "Unknown" << "Validation Error";
    QTest::newRow("two colons") << "A:B:C" << "B:C" << "Validation Error";
    QTest::newRow("case matters") << "company:NameMissing" << "NameMissing" << "Validation Error";
    QTest::newRow("no full stop")
        << "GLAccount:AccountNumberNotUnique" << "AccountNumberNotUnique"
        << "There is already a General Ledger Account with this Account Number. Please choose a different Account Number";
}

void tst_Messages::validationError()
{
    QFETCH(QString, source);
    QFETCH(QString, type);
    QFETCH(QString, message);
    const DataValidationError e(AppError(AppError::ObjectErrorBase, source, QStringLiteral("Validation Error")));
    QCOMPARE(e.getType(), type);
    QCOMPARE(e.getMessage(), message);
}

void tst_Messages::wrap_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    const QString eighty(80, QLatin1Char('a'));
    QTest::newRow("short is kept") << "Hello world" << "Hello world";
    QTest::newRow("80 characters kept") << eighty << eighty;
    QTest::newRow("blank at 81 breaks") << eighty + " next" << eighty + "\r\nnext";
    QTest::newRow("only blank at 80 kept") << QString(79, 'a') + " " + QString(30, 'b')
                                             << QString(79, 'a') + " " + QString(30, 'b');
    QTest::newRow("no blanks never broken") << QString(200, 'x') << QString(200, 'x');
    QTest::newRow("embedded break restarts count")
        << QString(50, 'a') + "\r\n" + QString(60, 'b') + " c" << QString(50, 'a') + "\r\n" + QString(60, 'b') + " c";
}

void tst_Messages::wrap()
{
    QFETCH(QString, message);
    QFETCH(QString, expected);
    QCOMPARE(MsgBoxUtil::wrap(message), expected);
}

void tst_Messages::deleteWarning()
{
    const QStringList lines = MsgBoxUtil::wrap(MsgBoxUtil::glAccountDeleteWarningText()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].endsWith(QStringLiteral("reconciliation")));
    QCOMPARE(lines[0].size(), 91);
    QVERIFY(lines[1].startsWith(QStringLiteral("information.")));
    QCOMPARE(lines[1].size(), 74);
}

void tst_Messages::boxes()
{
    TestSeams seams;
    seams.prompter.answers = {Prompter::Yes};
    QCOMPARE(MsgBoxUtil::displayGLAccountDeleteWarning(), Prompter::Yes);
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Delete Account"));
    QCOMPARE(seams.prompter.messages.last().buttons, Prompter::Buttons::YesNo);
    QCOMPARE(seams.prompter.messages.last().icon, Prompter::Icon::None);

    const DataValidationError e(AppError(AppError::ObjectErrorBase, "GLAccount:AccountNameMissing", "Validation Error"));
    MsgBoxUtil::displayDataValidationError(e);
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Data Validation Error"));
    QCOMPARE(seams.prompter.lastText(), QStringLiteral("Please enter an Account Name."));

    Prompter::show(QString(), QStringLiteral("no title"));
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
}

QTEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
