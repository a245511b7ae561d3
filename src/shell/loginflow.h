#pragma once

#include <QString>

// What pressing OK in the login window does, apart from the window itself: the checks of the
// chosen file, the login check, the remembered path and the schema checks of both databases.
class LoginFlow
{
public:
    enum class Outcome {
        Refused,         // a message was shown; the user stays in the window with the fields as typed
        WrongPassword,   // as Refused, and the password is to be selected for typing again
        LoggedIn,        // the session is on the new file; the navigator is to be shown
        ProgramEnded     // the program is ending (a security error or an out-of-date database)
    };

    // shownDocumentsPath is the documents database the login window shows; when the main database
    // names another one, the login says which is used. Empty: no such notice.
    Outcome login(const QString& mainPath, const QString& userName, const QString& password,
                  const QString& shownDocumentsPath = {});

    static QString extensionMessage();
    static QString missingFileMessage();
    static QString outOfDateTitle();
    static QString outOfDateMessage();
    static QString inUseMessage();
    static QString missingDocumentsMessage(const QString& path);
    static QString invalidDocumentsMessage(const QString& path);
    static QString ambiguousNameMessage(const QString& typedName);
    // Said at a login through a server role that may only read, while the user's password is
    // still kept in plain text; the login goes on.
    static QString passwordKeptPlainMessage(const QString& role);
    static QString otherDocumentsMessage(const QString& shownPath, const QString& usedPath);

private:
    static void rememberPath(const QString& mainPath);
    void checkDocumentsDatabase(const QString& shownPath);
};
