#pragma once

#include "amountbox.h"
#include "glaccount.h"
#include "modelfixture.h"
#include "recdialogfactory.h"
#include "recdialogframe.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>

// What the reconciliation dialogs' tests share: the tutorial ledger with the preparer logged in,
// the dialog of an account as the loop opens it, and the user's typing and clicking.
namespace RecDialogTest {

const QString kDate = QStringLiteral("09/30/2026");
const QString kDbDate = QStringLiteral("2026-09-30");

// The tutorial ledger with its documents database, the preparer logged in, and a home folder of
// the test's own for the documents' folder copies.
struct Fixture : ModelFixture
{
    QByteArray oldHome;
    Fixture() : ModelFixture(true)
    {
        oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(seams.folder()));
        Global::docDBPath =
            value(QStringLiteral("SELECT DocDBLocation FROM AttachedDocDBLocation")).toString();
        Global::isDocDBValid = true;
        Global::permission = QStringLiteral("CAN_PREPARE");
        Global::reportName = QStringLiteral("Pat Rivera");
    }
    ~Fixture() { qputenv("HOME", oldHome); }

    // The account's dialog from the factory, shown and active, as the loop shows it.
    std::unique_ptr<RecDialogFrame> open(qint64 accountId, QString date = kDate) const
    {
        GLAccount account;
        account.Load(QString::number(accountId));
        auto dialog = RecDialogFactory().create(account, date);
        if (dialog) {
            dialog->show();
            dialog->activateWindow();
            QApplication::setActiveWindow(dialog.get());
        }
        return dialog;
    }
    QVariant balanceColumn(qint64 accountId, const QString& column, const QString& date = kDbDate) const
    {
        return value(
            QStringLiteral("SELECT %1 FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?").arg(column),
            {accountId, date});
    }
    qint64 audits(qint64 accountId) const
    {
        return value(QStringLiteral("SELECT count(*) FROM GLAccountBalanceAudit WHERE glAcctID = ?"),
                     {accountId})
            .toLongLong();
    }
    void addItem(qint64 accountId, const QString& type, qint64 amountUnits) const
    {
        Db::exec(db,
                 QStringLiteral(
                     "INSERT INTO ReconcilingItem (glAcctID, typeCode, openDate, amount, comment, ReqTiming) "
                     "VALUES (?, ?, '2026-01-15', ?, 'added by the test', 'T')"),
                 {accountId, type, amountUnits});
    }
};

template <typename W> W* child(QObject* parent, const QString& name)
{
    W* w = parent->findChild<W*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

inline void click(QObject* parent, const char* name)
{
    child<QPushButton>(parent, QLatin1String(name))->click();
}

// Types a text into the target amount box, as the user does after giving it the focus.
inline void typeTarget(RecDialogFrame& d, const QString& text)
{
    AmountBox* box = d.targetAmountBox();
    box->setFocus();
    QCoreApplication::processEvents();
    box->selectAll();
    box->del();
    QTest::keyClicks(box, text);
}

// What the dialog's evidence explains (the items, for the bank its groups too), in units.
inline qint64 explainedUnits(RecDialogFrame& d)
{
    return d.balance().amount().units() - d.balance().targetAmount().units() - d.difference()->units();
}

// The target that makes the dialog's difference `remaining`.
inline QString targetLeaving(RecDialogFrame& d, qint64 remainingUnits)
{
    qint64 units = d.balance().amount().units() - explainedUnits(d) - remainingUnits;
    return ARCurrency::fromUnits(units).toString(false);
}

// For a person to look at: the folder CORVANTIS_SCREENSHOTS names, "" when none is named.
inline QString screenshotFolder()
{
    return QString::fromLocal8Bit(qgetenv("CORVANTIS_SCREENSHOTS"));
}

// The dialog as it shows, saved in the folder under its object name.
inline bool saveScreenshot(QWidget& dialog, const QString& folder)
{
    QTest::qWait(50);
    return dialog.grab().save(QDir(folder).filePath(dialog.objectName() + QStringLiteral(".png")));
}

} // namespace RecDialogTest
