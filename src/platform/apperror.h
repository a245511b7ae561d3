#pragma once

#include <QString>
#include <stdexcept>

// An error as the rest of the system raises and reports it: a number, the place that raised it
// (for validation failures "Class:Code") and a description for the user.
class AppError : public std::exception
{
public:
    // The object error base that validation failures carry as their number.
    static constexpr qint32 ObjectErrorBase = static_cast<qint32>(0x80040000u);
    // Number of errors that are not validation failures (factories, imports).
    static constexpr qint32 ObjectError1001 = ObjectErrorBase + 1001;
    // The runtime's overflow error.
    static constexpr qint32 Overflow = 6;
    // A database statement or connection failed.
    static constexpr qint32 DatabaseError = static_cast<qint32>(0x80004005u);
    // Another user held the database file longer than this program waits for it.
    static constexpr qint32 DatabaseBusy = static_cast<qint32>(0x80004006u);
    // Another user stored a row with the same key meanwhile (a unique key refused the row).
    static constexpr qint32 DatabaseConflict = static_cast<qint32>(0x80004007u);
    // Another user changed the row this user loaded since it was loaded: nothing was stored.
    static constexpr qint32 ChangedMeanwhile = static_cast<qint32>(0x80004008u);
    // Another user deleted the row (or the account it belongs to) since it was loaded: nothing was stored.
    static constexpr qint32 DeletedMeanwhile = static_cast<qint32>(0x80004009u);
    // The database role this desk connects with may not do what was asked (read, write or create):
    // nothing was stored.
    static constexpr qint32 NotPermitted = static_cast<qint32>(0x8000400Au);

    AppError(qint32 number, QString source, QString description);

    qint32 number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    // What the database or library said, shown under the message's details when the
    // description says it in the system's words.
    const QString& details() const { return m_details; }
    AppError& withDetails(const QString& details)
    {
        m_details = details;
        return *this;
    }

    // Set when the error has already been shown to the user (the security-error path),
    // so that the handler at the edge does not show it a second time.
    bool isReported() const { return m_reported; }
    AppError& markReported()
    {
        m_reported = true;
        return *this;
    }

    // What trying the same again may change, said where the error is raised.
    enum class Retry : quint8 {
        Never,  // it would fail the same way
        Later,  // the database was in use, or the server could not be reached or refused the login:
                // the user may try again
        AtOnce, // the unit of work lost to another user's at the same moment and was rolled back:
                // it may run again from the top at once
    };
    Retry retry() const { return m_retry; }
    bool mayTryAgain() const { return m_retry != Retry::Never; }
    AppError& withRetry(Retry retry)
    {
        m_retry = retry;
        return *this;
    }

    const char* what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QString m_details;
    QByteArray m_what;
    bool m_reported = false;
    Retry m_retry = Retry::Never;
};
