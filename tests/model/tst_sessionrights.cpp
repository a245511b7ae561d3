#include "amortizableitem.h"
#include "amortizationlist.h"
#include "apperror.h"
#include "clsattachedfilelist.h"
#include "company.h"
#include "documentslocation.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "modelfixture.h"
#include "modutility.h"
#include "otherwriter.h"
#include "reconcilingitem.h"
#include "userstore.h"

#include <QTest>
#include <functional>

// A user logged in on the tutorial ledger while another administrator, on a connection of his
// own, deletes him or changes his rights: every store reads his row as it now stands, inside its
// own transaction, and refuses to store what the row no longer allows.
class tst_SessionRights : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storeAfterRightsChanged_data();
    void storeAfterRightsChanged();
    void sameUserElsewhereDoesNotWait();
};

namespace {

// Made while the user still has his rights (what his window loaded); returns his store.
using Store = std::function<std::function<void()>(ModelFixture&)>;

// When the other administrator's change commits: before the store begins; while the store begins
// (held for a second, so the store waits for it and then reads the user as changed); or after the
// store's transaction began and read, before it writes. A file's writer cannot come in there: the
// store holds the file, so his change fails as busy, and the store then stores.
enum class When { Before, WhileStoring, AfterReading };

// The other administrator deletes the user or makes him a plain user with the reviewer's right.
std::unique_ptr<OtherWriter> otherAdministrator(bool deleted, qint64 userId, When when)
{
    const QString sql = (deleted ? QStringLiteral("DELETE FROM Users WHERE UserId = %1")
                                 : QStringLiteral("UPDATE Users SET Role = 'USER', ChkPreparedBy = 0, "
                                                  "ChkReviewedBy = 1, ChkApprovedBy = 0 WHERE UserId = %1"))
                            .arg(userId);
    QStringList statements = TestDb::onServer() ? QStringList{"BEGIN; " + sql} : QStringList{"BEGIN IMMEDIATE", sql};
    if (when == When::AfterReading && !TestDb::onServer())
        statements.prepend("PRAGMA busy_timeout = 0"); // the store holds the file: busy at once
    return std::make_unique<OtherWriter>(Global::mainDatabasePath, statements,
                                         when == When::WhileStoring ? 1000 : 0, "COMMIT");
}

// The first reconciling item of the account still open at the month end being worked on.
std::shared_ptr<ReconcilingItem> openItemOf(ModelFixture& fx, qint64 accountId)
{
    auto item = std::make_shared<ReconcilingItem>();
    item->Load(fx.value("SELECT min(RecItemId) FROM ReconcilingItem WHERE glAcctID = ? AND closeDate IS NULL",
                        {accountId})
                   .toString());
    return item;
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
Q_DECLARE_METATYPE(When)

void tst_SessionRights::storeAfterRightsChanged_data()
{
    QTest::addColumn<QString>("user"); // who is logged in
    QTest::addColumn<Store>("store");
    QTest::addColumn<QString>("probe");   // what the store changes
    QTest::addColumn<QString>("refusal"); // the message's start when he lacks the right; "": any user may
    QTest::addColumn<bool>("deleted");    // else his rights changed
    QTest::addColumn<When>("when");

    // Each store with the user deleted and with his rights changed, before it, while it begins and
    // after it began (a change of rights that the store does not need, not then). A store that
    // needs nothing but a user is shown with the user deleted after it began, and on a file (where
    // that deletion cannot come in) before it.
    const auto add = [](const char* name, const QString& user, const QString& probe, const QString& refusal,
                        const Store& store, bool userOnly = false) {
        for (const auto& [when, words] : {std::pair{When::Before, "before"}, {When::WhileStoring, "while storing"},
                                          {When::AfterReading, "after it read"}}) {
            if (userOnly && (when == When::WhileStoring || (when == When::Before && TestDb::onServer())))
                continue;
            QTest::addRow("%s, user deleted %s", name, words)
                << user << store << probe
                << QStringLiteral("User %1 was deleted by an administrator after you logged in").arg(user)
                << true << when;
            if (!userOnly && (when != When::AfterReading || !refusal.isEmpty()))
                QTest::addRow("%s, rights changed %s", name, words)
                    << user << store << probe << refusal << false << when;
        }
    };
    const auto addUserOnly = [&add](const char* name, const QString& probe, const Store& store) {
        add(name, "preparer", probe, "", store, true);
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
    add("comment of a signed-off balance", "preparer",
        "SELECT comment FROM GLAccountBalance WHERE glAcctID = 1 AND Date = '2026-11-30'", "", [](ModelFixture&) {
            auto balance = balanceOf(1); // prepared, approved and reviewed
            balance->setComment(QStringLiteral("Checked against the December statement"));
            return [balance] { balance->store(); };
        });
    addUserOnly("add a reconciling item", "SELECT count(*) FROM ReconcilingItemAudit", [](ModelFixture&) {
        auto item = std::make_shared<ReconcilingItem>();
        item->initialize("", "1", "11/27/2026", "", "Chk 10877 - Harbor Electric", "-412.50", "C", "", "", "T");
        return [item] { item->store(); };
    });
    addUserOnly("change a reconciling item", "SELECT count(*) FROM ReconcilingItemAudit", [](ModelFixture& fx) {
        auto item = openItemOf(fx, 1);
        item->setComment(QStringLiteral("Reissued"));
        return [item] { item->store(); };
    });
    addUserOnly("remove a reconciling item", "SELECT count(*) FROM ReconcilingItem", [](ModelFixture& fx) {
        auto item = openItemOf(fx, 1);
        return [item] { item->remove(); };
    });
    addUserOnly("add a prepaid item and its schedule", "SELECT count(*) FROM AmortizationAudit", [](ModelFixture&) {
        auto account = std::make_shared<GLAccount>();
        account->Load(QStringLiteral("11"));
        auto item = std::make_shared<AmortizableItem>();
        item->initialize("", account, "11/20/2026", "12/01/2026", "11/30/2027", "2400", "Marine cargo 2027", "", "", "");
        return [item] { item->store(); };
    });
    addUserOnly("change a schedule", "SELECT count(*) FROM AmortizationAudit", [](ModelFixture&) {
        auto schedule = std::make_shared<AmortizationList>();
        schedule->Load(QStringLiteral("3"));
        schedule->getAmortizationAt(1).setAmount(QStringLiteral("6000"));
        return [schedule] { schedule->store(); };
    });
    addUserOnly("remove a prepaid item", "SELECT count(*) FROM AmortizableItem", [](ModelFixture&) {
        auto item = std::make_shared<AmortizableItem>();
        item->Load(QStringLiteral("3"));
        return [item] { item->remove(); };
    });
    addUserOnly("the balances list", "SELECT count(*) FROM GLAccountBalanceAudit", [](ModelFixture&) {
        auto list = std::make_shared<GLAccountBalanceList>();
        list->Load(QStringLiteral("11/30/2026"));
        list->getGLAccountBalanceAt(1).setComment(QStringLiteral("Agreed to the trial balance"));
        return [list] { list->applyEdit(); };
    });
    addUserOnly("the editor's amounts", "SELECT count(*) FROM GLAccountBalanceAudit", [](ModelFixture&) {
        auto list = std::make_shared<GLAccountBalanceList>();
        list->Load(QStringLiteral("11/30/2026"));
        list->getGLAccountBalanceAt(2).setAmount(QStringLiteral("18250.75"));
        return [list] { list->applyAmountEdit(); };
    });
    addUserOnly("attach a document", "SELECT count(*) FROM AttachedDocument", [](ModelFixture& fx) {
        Global::docDBPath = DocumentsLocation::inUse();
        const QString source = TestDb::textFile(fx.seams.folder(), "statement.pdf", "%PDF of November");
        auto files = std::make_shared<clsAttachedfileList>();
        files->setAccountId(1, QStringLiteral("1010"));
        files->setItemType(2);
        files->AddFile(modUtility::GetUniqueFileName(source), "Bank statement", source, "11/30/2026");
        return [files] { files->SaveFiles(); };
    });
    addUserOnly("remove a document", "SELECT count(*) FROM AttachedDocument", [](ModelFixture& fx) {
        Global::docDBPath = DocumentsLocation::inUse();
        const QString source = TestDb::textFile(fx.seams.folder(), "receipt.pdf", "%PDF of a receipt");
        auto files = std::make_shared<clsAttachedfileList>();
        files->setAccountId(1, QStringLiteral("1010"));
        files->setItemType(2);
        const QString path = modUtility::GetUniqueFileName(source);
        files->AddFile(path, "Receipt", source, "11/30/2026");
        files->SaveFiles();
        return [files, path] { files->DeleteFile(path); };
    });
}

void tst_SessionRights::storeAfterRightsChanged()
{
    QFETCH(QString, user);
    QFETCH(Store, store);
    QFETCH(QString, probe);
    QFETCH(QString, refusal);
    QFETCH(bool, deleted);
    QFETCH(When, when);
    ModelFixture fx(true);
    QVERIFY(Global::validateLogin(Global::mainDatabasePath, user, user));
    const qint64 userId = user == QStringLiteral("admin") ? 1 : 2;
    const std::function<void()> mine = store(fx);
    const QVariant before = fx.value(probe);
    // The user as the other administrator would change him.
    const QString userRowSql =
        "SELECT Role || ChkPreparedBy || ChkReviewedBy || ChkApprovedBy FROM Users WHERE UserId = ?";
    const QVariant userRow = fx.value(userRowSql, {userId});

    std::optional<AppError> refused;
    {
        // The store's transaction as it stands once it has read what it checks and before it writes.
        std::optional<Db::Transaction> begun;
        if (when == When::AfterReading) {
            begun.emplace(fx.db);
            QCOMPARE(fx.value(probe), before);
        }
        auto other = otherAdministrator(deleted, userId, when);
        QVERIFY(other->holds());
        if (when != When::WhileStoring)
            other.reset(); // committed (or, against a file held by the store, refused) before this user writes
        if (begun && !TestDb::onServer()) {
            QCOMPARE(fx.value(userRowSql, {userId}), userRow);
            refusal.clear(); // the user is as he was all through the store
        }
        try {
            mine();
            if (begun)
                begun->commit();
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
    QVERIFY2(refused->description().contains(refusal), qPrintable(refused->description()));
    // Nothing written: what the store changes is as it was, or as the other's delete left it.
    const QVariant after = fx.value(probe);
    QVERIFY(after == before || (deleted && after.isNull()));
    QVERIFY(Global::isLoggedIn); // what the session shows stays as it was
}

// The same user in the middle of a store at another desk holds his row as this store's check does:
// neither waits for the other (an administrator's change of him waits for both).
void tst_SessionRights::sameUserElsewhereDoesNotWait()
{
    if (!TestDb::onServer())
        QSKIP("a file's writer holds the whole file: stores on it take turns");
    ModelFixture fx(true);
    QVERIFY(Global::validateLogin(Global::mainDatabasePath, "preparer", "preparer"));
    auto balance = balanceOf(10);
    balance->setPreparedBy(Global::reportName);
    balance->setPreparedByDate(QStringLiteral("12/09/2026"));
    OtherWriter desk(Global::mainDatabasePath, QStringList{"BEGIN; SELECT 1 FROM Users WHERE UserId = 2 FOR SHARE"},
                     2000, "COMMIT");
    QVERIFY(desk.holds());
    TestDb::waitBusyOnly(fx.db, 200); // a store that waited for the other desk would fail as busy
    balance->store();
    QCOMPARE(fx.value("SELECT preparedBy FROM GLAccountBalance WHERE glAcctID = 10 AND Date = '2026-11-30'").toString(),
             Global::reportName);
}

QTEST_MAIN(tst_SessionRights)
#include "tst_sessionrights.moc"
