#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

// One user of table Users as the user manager edits it. The stored password is never shown: a new
// password is given apart and stored hashed, and the stored one's hash is kept only to tell
// whether another user set a password since this one was shown.
struct UserAccount
{
    enum class Right { None, Prepare, Approve, Review };

    qint64 id = 0; // 0 for a user not stored yet
    QString userName;
    QString fullName;
    QString role;
    Right right = Right::None;
    // The row's UserName, ChkPreparedBy, ChkReviewedBy, ChkApprovedBy, Role and rptname as loaded:
    // an update writes only while the row still holds them. Empty for a user not loaded.
    QVariantList loaded;
    // The row's Password as loaded: a password is set only while the row still holds it.
    QVariant loadedPassword;
};

struct UserListEntry
{
    qint64 id = 0;
    QString userName;
};

// Table Users: who may log in, with which role and which one sign-off right. Every write binds
// its values, stores passwords hashed with the login's scheme, and keeps at least one
// administrator who can log in, so that somebody can always manage the users.
namespace UserStore {

// A password has no length limit: it is stored hashed, and the login takes it whole.
inline constexpr int MaxNameLength = 15;
inline constexpr int MaxFullNameLength = 50;

// The role the login recognises as an administrator (exactly so).
QString administratorRole();
// The role as the user manager shows it: "ADMIN" and "ADMINISTRATOR" in any letter case read
// "Administrator"; any other role as stored.
QString displayRole(const QString& stored);
// "USER" trimmed, in any letter case: a user who manages only his own account.
bool isUserRole(const QString& role);

// Every user, in the order they were added.
QList<UserListEntry> list();
// The user with that id; nothing when the row is gone.
std::optional<UserAccount> load(qint64 id);
// The roles offered (table SystemType, "ROLE" rows): the administrator role first, the others by
// name.
QStringList roles();

// A user other than exceptId with the same name (SameName::sameUser).
bool nameTaken(const QString& name, qint64 exceptId = 0);

// The lines of the "Please enter the following fields." message for what is missing; empty when
// the user is complete. The password is required for a new user only.
QString missingFields(const UserAccount& user, const QString& password, bool passwordRequired);
QString missingFieldsMessage(const QString& lines);
QString nameTakenMessage(const QString& typedName);

// Stores a new user with the password hashed; returns its id. Raises AppError (a message for the
// user) when the name is taken.
qint64 insert(const UserAccount& user, const QString& password);
// Rewrites the user's name, role, full name and right, and the password when one is given (an
// empty one keeps the stored password). Raises when the row is gone or (for a loaded user) was
// changed by another user since it was loaded (a password given: its password too), the name is
// another user's, or the change would take the administrator role from the logged-in user or the
// last administrator.
void update(const UserAccount& user, const QString& password);
// Rewrites the user's password only, while his row is there and (for a loaded user) still holds
// the password loaded: raises DeletedMeanwhile or ChangedMeanwhile otherwise, storing nothing.
void updatePassword(const UserAccount& user, const QString& password);
// Deletes the user, only while his row still holds what was loaded (a user never loaded goes as
// he is stored). Raises DeletedMeanwhile when the row is gone, ChangedMeanwhile when another
// administrator changed it since it was loaded, and refuses the logged-in user and the last
// administrator.
void remove(const UserAccount& user);

} // namespace UserStore
