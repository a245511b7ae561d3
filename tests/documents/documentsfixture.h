#pragma once

#include "modelfixture.h"

#include <QDir>
#include <QFile>

// A main database and a documents database, a logged-in user, and a home folder of the test's own
// (the documents folder lies under it), with readers of what a save left behind.
struct DocumentsFixture : ModelFixture
{
    QString docsPath;

    DocumentsFixture()
    {
        docsPath = TestDb::documents(seams.folder());
        useDocuments(docsPath);
    }

    // The documents database the main database names, as after an administrator named it.
    void useDocuments(const QString& path) const
    {
        TestDb::setDocumentsLocation(Global::mainDatabasePath, path);
        Global::docDBPath = path;
        Global::isDocDBValid = true;
    }

    QSqlDatabase docs() const { return Global::getDocDBConnection(docsPath); }
    qint64 documentRows() const
    {
        return Db::scalar(docs(), QStringLiteral("SELECT count(*) FROM Document")).toLongLong();
    }
    QByteArray content(const QString& docPath) const
    {
        return Db::scalar(docs(), QStringLiteral("SELECT Content FROM Document WHERE FileName = ?"),
                          {docPath})
            .toByteArray();
    }
    QString folder() const
    {
        return QDir::homePath() + QStringLiteral("/.qttest/share/Corvantis/AttachedDoc");
    }
    QString copyOf(const QString& docPath) const { return folder() + QLatin1Char('/') + docPath; }
    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A file of n bytes of every value, zeros included.
    QString file(const QString& name, qsizetype n = 3000) const
    {
        QByteArray bytes(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            bytes[i] = char((i * 7 + i / 256) & 0xff);
        return TestDb::textFile(seams.folder(), name, bytes);
    }
};
