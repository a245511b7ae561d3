#pragma once

class QSqlDatabase;

// What the logged-in user may still store. The session keeps the role and sign-off right read at
// login for what it shows; a store that needs one reads the user's row again inside its own
// transaction and holds it until the store ends, so that a user whom an administrator deleted or
// changed meanwhile stores nothing under the rights he had at login.
namespace SessionRights {

enum class Right {
    Use,         // a user of this database: the company, the accounts, the documents location
    ManageUsers, // the Administrator role
    SignOff      // the sign-off right the session works with (Global::permission)
};

// Inside the caller's transaction: raises AppError, in the words shown to the user, when the
// logged-in user's row is gone (DeletedMeanwhile) or no longer gives the right (ChangedMeanwhile);
// the caller then writes nothing. A process with nobody logged in (the database tools) has no
// session to check.
void require(const QSqlDatabase& db, Right right);

} // namespace SessionRights
