#pragma once

#include <QSqlDatabase>
#include <QString>

namespace Db {
class Transaction;
}

// Where the documents database lives (table AttachedDocDBLocation of the main database) and
// whether a file is one of this version; and the upgrade that gives an older main database the
// attachment tables.
namespace DocumentsLocation {

// The tutorial documents database beside the program.
QString tutorialPath();

// True when the database holds table Document with its column CreateUser. It is opened read-only
// on a connection of its own and closed again: whatever a file holds (another database, a text
// file, nothing at all), it is left byte for byte as it was. What keeps the database from being
// looked at raises AppError in its own words and says nothing of what it is: a file in use, a
// role that may not read the tables, a server that cannot be reached, refuses the connection or
// is starting up.
bool isDocumentsDatabase(const QString& path);
// The same on an open connection to the database named.
bool holdsDocuments(const QSqlDatabase& db, const QString& name);
QString invalidMessage(const QString& path);
// A role without the rights to read the documents database, named.
QString mayNotReadMessage(const QString& role, const QString& name);

// What a look at the documents database in use found.
enum class Verdict { Valid, Missing, NotDocuments };
// Looks at the documents database the main database names now, as this desk opens it, and keeps
// the outcome in Global::docDBPath and Global::isDocDBValid. What keeps it from being looked at
// raises AppError (see isDocumentsDatabase) and leaves it not valid until the next look: each look
// decides anew, so a right granted or a server back meanwhile makes it valid again.
Verdict checkInUse();

// Makes the file the documents database over the one the administrator was shown (`shown`, as
// this desk opens it): tests it, records it in AttachedDocDBLocation (the row added when there is
// none) with its audit row, and only then makes it the one in use; the name already stored is
// said so and not written again. False after showing the message for a file that is not a
// documents database; the one in use stays as it was. A server database's name that cannot be
// used (a password in it) and a failed write raise and change nothing either; so does a location
// another administrator stored since the one shown (ChangedMeanwhile, saying who named which
// database and when), after which the one in use is the one now stored.
bool choose(const QString& path, const QString& shown);

// The path recorded in the main database; "" when there is none.
QString storedLocation();
// A recorded name as this desk opens it: a server database with the role this desk opened the
// main database with, so that each person's own password and rights apply (Db::withRoleOf).
QString forThisDesk(const QString& stored);
// The documents database the main database names now, as this desk opens it.
QString inUse();
// The same, read in the transaction and held until it ends: an administrator who names another
// documents database meanwhile waits for it, so a document's row is never stored beside the name
// of a documents database that does not hold its contents.
QString inUse(const Db::Transaction& tx);

} // namespace DocumentsLocation

// Brings an older main database up to date: table AttachedDocument with every column that the
// login and the attachments need, and table AttachedDocDBLocation with its one row.
namespace DatabaseUpgrade {

// The active main database has both tables, every column of AttachedDocument included.
bool isUpToDate();
QString alreadyUpToDateMessage();

// Creates what is missing, all in one transaction: nothing changes when any step fails (a
// read-only file, a full disk), and the error says why. Afterwards the main database counts as up
// to date and the documents database is the recorded one (the tutorial's when none was).
// False (after the "already up to date" message) when there was nothing to do.
bool run();

} // namespace DatabaseUpgrade
