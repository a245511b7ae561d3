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

qint64 idOf(const QString& user)
{
    return user == QStringLiteral("admin") ? 1 : 2;
}

// The other administrator's change of the user, committed at once, or held uncommitted for a
// second while this user stores (the store waits for it and then reads the user as changed).
std::unique_ptr<OtherWriter> otherAdministrator(const QString& change, qint64 userId, bool meanwhile)
{
    const QString sql =
        change == QStringLiteral("deleted")
            ? QStringLiteral("DELETE FROM Users WHERE UserId = %1").arg(userId)
            : QStringLiteral("UPDATE Users SET Role = 'USER', ChkPreparedBy = 0, ChkReviewedBy = 1, "
                             "ChkApprovedBy = 0 WHERE UserId = %1")
                  .arg(userId);
    const QStringList statements = TestDb::onServer() ? QStringList{QStringLiteral("BEGIN; ") + sql}
                                                      : QStringList{QStringLiteral("BEGIN IMMEDIATE"), sql};
    return std::make_unique<OtherWriter>(Global::mainDatabasePath, statements, meanwhile ? 1000 : 0,
                                         QStringLiteral("COMMIT"));
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
    QTest::addColumn<QString>("refusal"); // the message's start when the user lacks the right
    QTest::addColumn<bool>("anyUserMay"); // a user who is no administrator may store it too
    QTest::addColumn<QString>("change");  // "deleted", or "rights": a plain user with the reviewer's right
    QTest::addColumn<bool>("meanwhile");  // the change is under way while this user stores

    const Store addUser = [](ModelFixture&) {
        UserAccount user;
        user.userName = QStringLiteral("auditlead");
        user.fullName = QStringLiteral("Audit Lead");
        user.role = UserStore::administratorRole();
        user.right = UserAccount::Right::Review;
        return [user] { UserStore::insert(user, QStringLiteral("pw")); };
    };
    const Store changeUser = [](ModelFixture&) {
        UserAccount user = *UserStore::load(3);
        user.role = UserStore::administratorRole();
        return [user] { UserStore::update(user, QString()); };
    };
    const Store ownPassword = [](ModelFixture&) {
        return [] { UserStore::updatePassword(2, QStringLiteral("n3w")); };
    };
    const Store company = [](ModelFixture&) {
        Company::reload();
        auto c = std::make_shared<Company>();
        c->setName(QStringLiteral("Keel Marine Supply"));
        return [c] { c->store(); };
    };
    const Store addAccount = [](ModelFixture&) {
        auto a = std::make_shared<GLAccount>();
        a->initialize(QString(), QStringLiteral("9980"), QStringLiteral("Suspense"), QString(), QString(),
                      QStringLiteral("A"), QStringLiteral("L"), QString(), QString(), QString(), QString(),
                      QString());
        return [a] { a->store(); };
    };
    const Store removeAccount = [](ModelFixture&) {
        auto a = std::make_shared<GLAccount>();
        a->Load(QStringLiteral("30"));
        return [a] { a->remove(); };
    };
    const Store documentsLocation = [](ModelFixture& fx) {
        const QString other = TestDb::documents(fx.seams.folder(), QStringLiteral("docs2.db"));
        return [other] { QVERIFY(DocumentsLocation::choose(other)); };
    };
    const Store signOff = [](ModelFixture&) {
        auto balance = balanceOf(10);
        balance->setPreparedBy(Global::reportName);
        balance->setPreparedByDate(QStringLiteral("12/09/2026"));
        return [balance] { balance->store(); };
    };
    const Store commentBesideSignOffs = [](ModelFixture&) {
        auto balance = balanceOf(1); // prepared, approved and reviewed
        balance->setComment(QStringLiteral("Checked against the December statement"));
        return [balance] { balance->store(); };
    };

    const QString manage = QStringLiteral("You no longer have the right to manage the users");
    struct Case
    {
        const char* name;
        QString user;
        Store store;
        QString probe;
        QString refusal;
        bool anyUserMay;
    };
    const QList<Case> cases = {
        {"add an administrator", "admin", addUser, "SELECT count(*) FROM Users WHERE UserName = 'auditlead'",
         manage, false},
        {"change a user's role", "admin", changeUser, "SELECT Role FROM Users WHERE UserId = 3", manage,
         false},
        {"own password", "preparer", ownPassword, "SELECT Password FROM Users WHERE UserId = 2", {}, true},
        {"company", "admin", company, "SELECT CompanyName FROM Company", {}, true},
        {"add an account", "admin", addAccount, "SELECT count(*) FROM GLAccountAudit", {}, true},
        {"remove an account", "admin", removeAccount, "SELECT count(*) FROM GLAccount", {}, true},
        {"documents location",
         "admin",
         documentsLocation,
         "SELECT DocDBLocation FROM AttachedDocDBLocation",
         {},
         true},
        {"sign off as preparer", "preparer", signOff, "SELECT count(*) FROM GLAccountBalanceAudit",
         "You no longer have the right to sign off as preparer", false},
    };
    for (const Case& c : cases) {
        for (const bool meanwhile : {false, true}) {
            const char* when = meanwhile ? "while storing" : "before";
            QTest::addRow("%s, user deleted %s", c.name, when)
                << c.user << c.store << c.probe
                << QStringLiteral("User %1 was deleted by an administrator after you logged in").arg(c.user)
                << false << QStringLiteral("deleted") << meanwhile;
            QTest::addRow("%s, rights changed %s", c.name, when)
                << c.user << c.store << c.probe << c.refusal << c.anyUserMay << QStringLiteral("rights")
                << meanwhile;
        }
    }
    // The sign-offs stored as they were loaded need no right.
    QTest::newRow("comment of a signed-off balance, rights changed before")
        << QStringLiteral("preparer") << commentBesideSignOffs
        << QStringLiteral("SELECT comment FROM GLAccountBalance WHERE glAcctID = 1 AND Date = '2026-11-30'")
        << QString() << true << QStringLiteral("rights") << false;
}

void tst_SessionRights::storeAfterRightsChanged()
{
    QFETCH(QString, user);
    QFETCH(Store, store);
    QFETCH(QString, probe);
    QFETCH(QString, refusal);
    QFETCH(bool, anyUserMay);
    QFETCH(QString, change);
    QFETCH(bool, meanwhile);
    ModelFixture fx(true);
    QVERIFY(Global::validateLogin(Global::mainDatabasePath, user, user));
    const std::function<void()> mine = store(fx);
    const QVariant before = fx.value(probe);

    std::optional<AppError> refused;
    {
        auto other = otherAdministrator(change, idOf(user), meanwhile);
        QVERIFY(other->holds());
        if (!meanwhile)
            other.reset(); // committed before this user stores
        try {
            mine();
        } catch (const AppError& e) {
            refused = e;
        }
    }
    if (anyUserMay) {
        QVERIFY2(!refused, qPrintable(refused ? refused->description() : QString()));
        QVERIFY(fx.value(probe) != before);
        return;
    }
    QVERIFY2(refused, "stored under rights the user no longer has");
    QVERIFY2(refused->description().startsWith(refusal), qPrintable(refused->description()));
    // Nothing written: what the store changes is as it was, or as the other's delete left it.
    const QVariant after = fx.value(probe);
    QVERIFY(after == before || (change == QStringLiteral("deleted") && after.isNull()));
    QVERIFY(Global::isLoggedIn); // what the session shows stays as it was
}

QTEST_MAIN(tst_SessionRights)
#include "tst_sessionrights.moc"
