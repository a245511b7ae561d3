#include "otherwriter.h"

#include "db.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

OtherWriter::OtherWriter(const QString& path, const QString& beginStatement, int holdMs)
    : OtherWriter(path, QStringList{beginStatement}, holdMs)
{
}

OtherWriter::OtherWriter(const QString& path, const QStringList& statements, int holdMs, const QString& end)
{
    m_thread = std::thread([this, path, statements, holdMs, end] {
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = Db::plainConnection(path, name);
            if (db.open()) {
                QSqlQuery q(db);
                m_holds = q.exec(statements.value(0));
                m_started = true;
                for (qsizetype i = 1; m_holds && i < statements.size(); ++i)
                    q.exec(statements.at(i));
                if (m_holds) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
                    q.exec(end);
                }
            }
            m_started = true;
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    });
    while (!m_started)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

OtherWriter::~OtherWriter()
{
    m_thread.join();
}

namespace FileLocks {

bool heldByThisProcess(const QString& path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    // "1: POSIX  ADVISORY  READ 1234 08:01:5678 128 128": the pid, then device and inode.
    const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray inode = ':' + QByteArray::number(static_cast<qulonglong>(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "POSIX" && fields[4] == pid && fields[5].endsWith(inode))
            return true;
    }
    return false;
}

QString runOtherProgram(const QString& path, const QString& sql)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {path, sql});
    if (!sqlite.waitForFinished(-1))
        return {};
    return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed();
}

} // namespace FileLocks
