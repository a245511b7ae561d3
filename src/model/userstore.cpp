#include "userstore.h"

#include "apperror.h"
#include "db.h"
#include "global.h"
#include "passwordhash.h"
#include "persistence.h"
#include "samename.h"
#include "sessionrights.h"

#include <QSqlQuery>

namespace {

const QString kSource = QStringLiteral("UserStore");

AppError refusal(const QString& text)
{
    return AppError(AppError::DatabaseError, kSource, text);
}

QVariantList rightFlags(UserAccount::Right right)
{
    using R = UserAccount::Right;
    return {right == R::Prepare ? 1 : 0, right == R::Approve ? 1 : 0, right == R::Review ? 1 : 0};
}

bool isAdministrator(const QSqlDatabase& db, qint64 id)
{
    return Db::scalar(db, QStringLiteral("SELECT Role FROM Users WHERE UserId = ?"), {id}).toString() ==
           UserStore::administratorRole();
}

qint64 administratorCount(const QSqlDatabase& db)
{
    return Db::scalar(db, QStringLiteral("SELECT count(*) FROM Users WHERE Role = ?"), {UserStore::administratorRole()})
        .toLongLong();
}

bool isLoggedInUser(qint64 id)
{
    return QString::number(id) == Global::userID;
}

// Holds every user's row until the caller's transaction ends: another administrator's change of
// the users waits meanwhile, so what the checks that follow read (a name free, an administrator
// left) still holds when this one writes.
void holdUsers(const QSqlDatabase& db)
{
    Db::exec(db, QStringLiteral("SELECT UserId FROM Users") + Db::lockingRows(db));
}

// The last administrator stays one: without him nobody could manage the users.
void keepLastAdministrator(const QSqlDatabase& db, qint64 id)
{
    if (isAdministrator(db, id) && administratorCount(db) <= 1)
        throw refusal(QStringLiteral("This user is the last administrator and must remain one: nobody could manage "
                                     "the users without an administrator."));
}

void checkNameFree(const UserAccount& user)
{
    if (SameName::hasControl(user.userName))
        throw refusal(QStringLiteral("Please enter a User Name without control characters."));
    if (UserStore::nameTaken(user.userName, user.id))
        throw refusal(UserStore::nameTakenMessage(user.userName));
}

// The user's row as the manager shows it: the columns a user's load reads, in its order; the same
// with the password, which a store of a new password guards as well; and the password alone, which
// is all a user's own window stores. The table keeps no audit twin, so a refusal cannot say who
// changed the user.
const QStringList kShownColumns = {QStringLiteral("UserName"),      QStringLiteral("ChkPreparedBy"),
                                   QStringLiteral("ChkReviewedBy"), QStringLiteral("ChkApprovedBy"),
                                   QStringLiteral("Role"),          QStringLiteral("rptname")};
const Persistence::StoredTable kShown(Persistence::StoredTable::NoAudit{}, QStringLiteral("Users"), kShownColumns,
                                      QStringLiteral("UserId = ?"));
const Persistence::StoredTable kShownWithPassword(Persistence::StoredTable::NoAudit{}, QStringLiteral("Users"),
                                                  kShownColumns + QStringList{QStringLiteral("Password")},
                                                  QStringLiteral("UserId = ?"));
const Persistence::StoredTable kPassword(Persistence::StoredTable::NoAudit{}, QStringLiteral("Users"),
                                         {QStringLiteral("Password")}, QStringLiteral("UserId = ?"));

Persistence::Conflict conflictOf(const UserAccount& user)
{
    const QString name = user.loaded.isEmpty() ? user.userName : Db::textOf(user.loaded.constFirst());
    return {QStringLiteral("User %1").arg(name), QStringLiteral("the user")};
}

// Writes the user's row in the columns of `table`, only while it still holds what was loaded in
// them (a user never loaded: as he is stored); raises DeletedMeanwhile or ChangedMeanwhile,
// writing nothing, otherwise.
void storeUser(const QSqlDatabase& db, const Persistence::StoredTable& table, const UserAccount& user,
               const QVariantList& values, const QVariantList& loaded)
{
    Persistence::Row row(table, values);
    row.keyValues = {user.id};
    if (!user.loaded.isEmpty()) {
        row.loaded = loaded;
        row.conflict = conflictOf(user);
    }
    Persistence::storeRow(db, false, row);
}

} // namespace

namespace UserStore {

QString administratorRole()
{
    return QStringLiteral("Administrator");
}

QString displayRole(const QString& stored)
{
    const QString upper = stored.toUpper();
    return upper == QStringLiteral("ADMIN") || upper == QStringLiteral("ADMINISTRATOR") ? administratorRole() : stored;
}

bool isUserRole(const QString& role)
{
    return role.trimmed().toUpper() == QStringLiteral("USER");
}

QList<UserListEntry> list()
{
    QList<UserListEntry> users;
    QSqlQuery q = Db::exec(Global::getConnection(), QStringLiteral("SELECT UserId, UserName FROM Users ORDER BY UserId"));
    while (q.next())
        users.append({q.value(0).toLongLong(), Db::textOf(q.value(1))});
    return users;
}

std::optional<UserAccount> load(qint64 id)
{
    QSqlQuery q = Db::exec(Global::getConnection(),
                           QStringLiteral("SELECT UserName, ChkPreparedBy, ChkReviewedBy, ChkApprovedBy, Role, rptname, "
                                          "Password FROM Users WHERE UserId = ?"),
                           {id});
    if (!q.next())
        return std::nullopt;
    UserAccount user;
    user.id = id;
    for (int column = 0; column < 6; ++column)
        user.loaded << q.value(column);
    user.loadedPassword = q.value(6);
    user.userName = Db::textOf(q.value(0));
    user.role = Db::textOf(q.value(4));
    user.fullName = Db::textOf(q.value(5));
    // With several flags set, the last of prepare, review, approve is the one shown.
    if (q.value(1).toInt() == 1)
        user.right = UserAccount::Right::Prepare;
    if (q.value(2).toInt() == 1)
        user.right = UserAccount::Right::Review;
    if (q.value(3).toInt() == 1)
        user.right = UserAccount::Right::Approve;
    return user;
}

QStringList roles()
{
    QStringList values;
    // The table has no key, and a row's place changes when the table is rewritten: no order of the
    // rows lasts. So the order is a rule of its own: the administrator role first, then the others
    // by name.
    const QSqlDatabase db = Global::getConnection();
    QSqlQuery q = Db::exec(db,
                           QStringLiteral("SELECT Value FROM SystemType WHERE SystemType = ? "
                                          "ORDER BY CASE WHEN Value = ? THEN 0 ELSE 1 END, Value") +
                               Db::exactCollation(db),
                           {QStringLiteral("ROLE"), administratorRole()});
    while (q.next())
        values << Db::textOf(q.value(0));
    return values;
}

bool nameTaken(const QString& name, qint64 exceptId)
{
    QSqlQuery q = Db::exec(Global::getConnection(), QStringLiteral("SELECT UserName FROM Users WHERE UserId <> ?"),
                           {exceptId});
    while (q.next())
        if (!q.value(0).isNull() && SameName::sameUser(q.value(0).toString(), name))
            return true;
    return false;
}

QString missingFields(const UserAccount& user, const QString& password, bool passwordRequired)
{
    const QString line = QStringLiteral("     -  %1\n");
    QString missing;
    if (SameName::userKey(user.userName).isEmpty())
        missing += line.arg(QStringLiteral("UserName"));
    if (passwordRequired && PasswordHash::isBlank(password))
        missing += line.arg(QStringLiteral("Password"));
    if (user.role.trimmed().isEmpty())
        missing += line.arg(QStringLiteral("Role"));
    if (user.right == UserAccount::Right::None)
        missing += line.arg(QStringLiteral("Preparer/Aprrover/Reviewer"));
    if (user.fullName.trimmed().isEmpty())
        missing += line.arg(QStringLiteral("Full Name"));
    return missing;
}

QString missingFieldsMessage(const QString& lines)
{
    return QStringLiteral("Please enter the following fields.\n") + lines;
}

QString nameTakenMessage(const QString& typedName)
{
    return QStringLiteral("User ") + typedName + QStringLiteral(" already exists in the system.");
}

qint64 insert(const UserAccount& user, const QString& password)
{
    // The hash takes a while by design: it is made before the users are held, not while others wait.
    const QString hashed = PasswordHash::hash(password);
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("add users"));
    holdUsers(db);
    SessionRights::require(db, SessionRights::Right::ManageUsers);
    checkNameFree(user);
    // A new row takes no other user's change; two adders of one name are kept apart by holdUsers.
    QVariantList values{SameName::userName(user.userName), hashed};
    values << rightFlags(user.right) << user.role << user.fullName;
    const qint64 id = Db::insertReturningId(tx,
                                            QStringLiteral("INSERT INTO Users (UserName, Password, ChkPreparedBy, "
                                                           "ChkApprovedBy, ChkReviewedBy, Role, rptname) VALUES "
                                                           "(?, ?, ?, ?, ?, ?, ?)"),
                                            values);
    tx.commit();
    return id;
}

void update(const UserAccount& user, const QString& password)
{
    const QString hashed = password.isEmpty() ? QString() : PasswordHash::hash(password);
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("change the users"));
    holdUsers(db);
    SessionRights::require(db, SessionRights::Right::ManageUsers);
    checkNameFree(user);
    if (user.role != administratorRole()) {
        if (isLoggedInUser(user.id) && isAdministrator(db, user.id))
            throw refusal(QStringLiteral("You cannot take the Administrator role from the user you are logged in as."));
        keepLastAdministrator(db, user.id);
    }
    const QString name = SameName::userName(user.userName);
    using R = UserAccount::Right;
    // In the order of the shown columns: prepare, review, approve.
    const QVariantList values{name, user.right == R::Prepare ? 1 : 0, user.right == R::Review ? 1 : 0,
                              user.right == R::Approve ? 1 : 0, user.role, user.fullName};
    // A new password goes only over the one this administrator's window loaded: another's
    // password set since is not undone unseen. Without one the password is not written, and
    // another's change of it stands.
    if (password.isEmpty())
        storeUser(db, kShown, user, values, user.loaded);
    else
        storeUser(db, kShownWithPassword, user, QVariantList(values) << hashed,
                  QVariantList(user.loaded) << user.loadedPassword);
    tx.commit();
    // The logged-in administrator who renamed himself is recorded under the new name from now on.
    if (isLoggedInUser(user.id)) {
        Global::userName = name;
        Global::reportName = user.fullName;
    }
}

void updatePassword(const UserAccount& user, const QString& password)
{
    const QString hashed = PasswordHash::hash(password);
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("change the password"));
    // A user changes his own password; another user's is an administrator's to change.
    SessionRights::require(db, isLoggedInUser(user.id) ? SessionRights::Right::StillAUser : SessionRights::Right::ManageUsers);
    // Only over the password his window loaded: an administrator's reset since is not undone
    // unseen. The rest of the row is not written, so a change of it since stands.
    storeUser(db, kPassword, user, {hashed}, {user.loadedPassword});
    tx.commit();
}

void remove(const UserAccount& user)
{
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("delete users"));
    if (isLoggedInUser(user.id))
        throw refusal(QStringLiteral("You cannot delete the user you are logged in as."));
    holdUsers(db);
    SessionRights::require(db, SessionRights::Right::ManageUsers);
    keepLastAdministrator(db, user.id);
    Persistence::removeRow(tx, Persistence::removalAsLoaded(kShown, user.id, user.loaded, conflictOf(user)));
    tx.commit();
}

} // namespace UserStore
