#pragma once

class QSqlDatabase;

// What the logged-in user may still store. The session keeps the role and sign-off right read at
// login for what it shows; each store reads the user's row again inside its own transaction and
// holds it until the store ends, so that a user whom an administrator deleted or changed meanwhile
// stores nothing under the rights he had at login. The row is shared, not taken: the same user's
// stores at other desks or in other windows go on together, while an administrator's change or
// deletion of him waits for them (and they for it).
namespace SessionRights {

enum class Right {
    StillAUser,  // his row is there: every store of the session needs this much
    ManageUsers, // the Administrator role
    SignOff      // the sign-off right the session works with (Global::permission)
};

// Makes every writing transaction of the session on its main database check, before its first
// write, that the logged-in user is still a user (Db::guardWrites): no store can leave it out.
void guardStores(const QSqlDatabase& db);

// Inside the caller's transaction: raises AppError, in the words shown to the user, when the
// logged-in user's row is gone (DeletedMeanwhile) or no longer gives the right (ChangedMeanwhile);
// the caller then writes nothing. A store that needs a right on top of being a user asks for it
// here before it writes. A process with nobody logged in (the database tools) has no session to
// check.
void require(const QSqlDatabase& db, Right right);

} // namespace SessionRights
