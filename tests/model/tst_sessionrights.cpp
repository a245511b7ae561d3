#include "apperror.h"
#include "company.h"
#include "documentslocation.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "otherwriter.h"
#include "userstore.h"

#include <QTest>
#include <functional>

// A user logged in on the tutorial ledger while another administrator, on a connection of his
// own, deletes him or changes his rights: each store that needs a right reads his row as it now
// stands, inside its own transaction, and refuses to store what the row no longer allows.
class tst_SessionRights : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storeAfterRightsChanged_data();
    void storeAfterRightsChanged();
};

namespace {

// Made while the user still has his rights (what his window loaded); returns his store.
using Store = std::function<std::function<void()>(ModelFixture&)>;

// The other administrator deletes the user or makes him a plain user with the reviewer's right,
// committed at once, or held uncommitted for a second while this user stores (the store waits for
// it and then reads the user as changed).
std::unique_ptr<OtherWriter> otherAdministrator(bool deleted, qint64 userId, bool meanwhile)
{
    const QString sql = (deleted ? QStringLiteral("DELETE FROM Users WHERE UserId = %1")
                                 : QStringLiteral("UPDATE Users SET Role = 'USER', ChkPreparedBy = 0, "
                                                  "ChkReviewedBy = 1, ChkApprovedBy = 0 WHERE UserId = %1"))
                            .arg(userId);
    return std::make_unique<OtherWriter>(Global::mainDatabasePath,
                                         TestDb::onServer() ? QStringList{"BEGIN; " + sql}
                                                            : QStringList{"BEGIN IMMEDIATE", sql},
                                         meanwhile ? 1000 : 0, "COMMIT");
}

// The account's balance at the month end being worked on.
std::shared_ptr<GLAccountBalance> balanceOf(qint64 accountId)
{
    auto account = std::make_shared<GLAccount>();
    account->Load(QString::number(accountId));
    auto balance = std::make_shared<GLAccountBalance>();
    balance->Load(account, QStringLiteral("11/30/2026"));
    return balance;
}

} // namespace

Q_DECLARE_METATYPE(Store)

void tst_SessionRights::storeAfterRightsChanged_data()
{
    QTest::addColumn<QString>("user"); // who is logged in
    QTest::addColumn<Store>("store");
    QTest::addColumn<QString>("probe");   // what the store changes
    QTest::addColumn<QString>("refusal"); // the message's start when he lacks the right; "": any user may
    QTest::addColumn<bool>("deleted");    // else his rights changed
    QTest::addColumn<bool>("meanwhile");  // the change is under way while this user stores

    // Each store with the user deleted and with his rights changed, before it or while it runs.
    const auto add = [](const char* name, const QString& user, const QString& probe, const QString& refusal,
                        const Store& store) {
        for (const bool meanwhile : {false, true}) {
            const char* when = meanwhile ? "while storing" : "before";
            QTest::addRow("%s, user deleted %s", name, when)
                << user << store << probe
                << QStringLiteral("User %1 was deleted by an administrator after you logged in").arg(user)
                << true << meanwhile;
            QTest::addRow("%s, rights changed %s", name, when)
                << user << store << probe << refusal << false << meanwhile;
        }
    };
    const QString manage = QStringLiteral("You no longer have the right to manage the users");
    add("add an administrator", "admin", "SELECT count(*) FROM Users WHERE UserName = 'auditlead'", manage,
        [](ModelFixture&) {
            const UserAccount user{
                0, "auditlead", "Audit Lead", UserStore::administratorRole(), UserAccount::Right::Review, {}, {}};
            return [user] { UserStore::insert(user, QStringLiteral("pw")); };
        });
    add("change a user's role", "admin", "SELECT Role FROM Users WHERE UserId = 3", manage,
        [](ModelFixture&) {
            UserAccount user = *UserStore::load(3);
            user.role = UserStore::administratorRole();
            return [user] { UserStore::update(user, QString()); };
        });
    add("own password", "preparer", "SELECT Password FROM Users WHERE UserId = 2", "",
        [](ModelFixture&) {
            const UserAccount own = *UserStore::load(2);
            return [own] { UserStore::updatePassword(own, "n3w"); };
        });
    add("company", "admin", "SELECT CompanyName FROM Company", "", [](ModelFixture&) {
        Company::reload();
        auto c = std::make_shared<Company>();
        c->setName(QStringLiteral("Keel Marine Supply"));
        return [c] { c->store(); };
    });
    add("add an account", "admin", "SELECT count(*) FROM GLAccountAudit", "", [](ModelFixture&) {
        auto a = std::make_shared<GLAccount>();
        a->initialize("", "9980", "Suspense", "", "", "A", "L", "", "", "", "", "");
        return [a] { a->store(); };
    });
    add("remove an account", "admin", "SELECT count(*) FROM GLAccount", "", [](ModelFixture&) {
        auto a = std::make_shared<GLAccount>();
        a->Load(QStringLiteral("30"));
        return [a] { a->remove(); };
    });
    add("documents location", "admin", "SELECT DocDBLocation FROM AttachedDocDBLocation", "",
        [](ModelFixture& fx) {
            const QString other = TestDb::documents(fx.seams.folder(), QStringLiteral("docs2.db"));
            return [other] { QVERIFY(DocumentsLocation::choose(other, DocumentsLocation::inUse())); };
        });
    add("sign off as preparer", "preparer", "SELECT count(*) FROM GLAccountBalanceAudit",
        "You no longer have the right to sign off as preparer", [](ModelFixture&) {
            auto balance = balanceOf(10);
            balance->setPreparedBy(Global::reportName);
            balance->setPreparedByDate(QStringLiteral("12/09/2026"));
            return [balance] { balance->store(); };
        });
    // The sign-offs stored as they were loaded need no right.
    QTest::newRow("comment of a signed-off balance, rights changed before")
        << QStringLiteral("preparer") << Store([](ModelFixture&) {
               auto balance = balanceOf(1); // prepared, approved and reviewed
               balance->setComment(QStringLiteral("Checked against the December statement"));
               return [balance] { balance->store(); };
           })
        << QStringLiteral("SELECT comment FROM GLAccountBalance WHERE glAcctID = 1 AND Date = '2026-11-30'")
        << QString() << false << false;
}

void tst_SessionRights::storeAfterRightsChanged()
{
    QFETCH(QString, user);
    QFETCH(Store, store);
    QFETCH(QString, probe);
    QFETCH(QString, refusal);
    QFETCH(bool, deleted);
    QFETCH(bool, meanwhile);
    ModelFixture fx(true);
    QVERIFY(Global::validateLogin(Global::mainDatabasePath, user, user));
    const std::function<void()> mine = store(fx);
    const QVariant before = fx.value(probe);

    std::optional<AppError> refused;
    {
        auto other = otherAdministrator(deleted, user == QStringLiteral("admin") ? 1 : 2, meanwhile);
        QVERIFY(other->holds());
        if (!meanwhile)
            other.reset(); // committed before this user stores
        try {
            mine();
        } catch (const AppError& e) {
            refused = e;
        }
    }
    if (refusal.isEmpty()) {
        QVERIFY2(!refused, qPrintable(refused ? refused->description() : QString()));
        QVERIFY(fx.value(probe) != before);
        return;
    }
    QVERIFY2(refused, "stored under rights the user no longer has");
    QVERIFY2(refused->description().startsWith(refusal), qPrintable(refused->description()));
    // Nothing written: what the store changes is as it was, or as the other's delete left it.
    const QVariant after = fx.value(probe);
    QVERIFY(after == before || (deleted && after.isNull()));
    QVERIFY(Global::isLoggedIn); // what the session shows stays as it was
}

QTEST_MAIN(tst_SessionRights)
#include "tst_sessionrights.moc"
