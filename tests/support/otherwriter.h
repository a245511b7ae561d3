#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>

// Another user of a database: a connection on a thread of its own that takes a lock with one
// statement ("BEGIN IMMEDIATE" to hold the write lock, "BEGIN EXCLUSIVE" to keep readers of a
// rollback-journal file out too; on a server e.g. "BEGIN; LOCK TABLE t IN EXCLUSIVE MODE"),
// holds it for the given time, then rolls back.
class OtherWriter
{
public:
    OtherWriter(const QString& path, const QString& beginStatement, int holdMs);
    // The same with more statements: the constructor returns once the first has run, the others
    // run after it in turn (each may wait for this user's locks); then the hold, then `end`.
    OtherWriter(const QString& path, const QStringList& statements, int holdMs,
                const QString& end = QStringLiteral("ROLLBACK"));
    ~OtherWriter(); // waits for the lock to be let go
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    // False when the lock could not be taken.
    bool holds() const { return m_holds; }

private:
    std::atomic<bool> m_holds{false};
    // Set by the thread, possibly after the constructor has returned: a member, not a local.
    std::atomic<bool> m_started{false};
    std::thread m_thread;
};

namespace FileLocks {
// True when this process holds a POSIX lock on the file (as /proc/locks lists it).
bool heldByThisProcess(const QString& path);
// Runs the sqlite3 program on the file with one statement, as another program would, and
// returns what it printed (trimmed); raises nothing, "" on failure.
QString runOtherProgram(const QString& path, const QString& sql);
} // namespace FileLocks
