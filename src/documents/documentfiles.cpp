#include "documentfiles.h"

#include "apperror.h"
#include "db.h"
#include "global.h"
#include "modutility.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Source = QStringLiteral("DocumentFiles");

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

AppError fileError(const QString& where, const QString& text)
{
    return AppError(AppError::ObjectError1001, Source + QLatin1Char('.') + where, text);
}

// A file of a database this process has open: a descriptor of ours on any of them, once closed,
// would drop the locks the database holds on it.
bool isConnectedDatabaseFile(const QString& path)
{
    for (const QString& db : {Global::mainDatabasePath, Global::docDBPath}) {
        if (db.isEmpty())
            continue;
        for (const QString& file : Db::filesOf(db))
            if (DocumentFiles::sameFile(path, file))
                return true;
    }
    return false;
}

} // namespace

namespace DocumentFiles {

QString expandHome(const QString& path)
{
    if (path == QStringLiteral("~"))
        return QDir::homePath();
    if (path.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

QString sourceProblem(const QString& path, qint64 limit)
{
    if (QDir::isRelativePath(path))
        return QStringLiteral("Please give the full path of the file to attach, or choose it with Browse.");
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("The file '%1' cannot be found.").arg(shown(path));
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("'%1' is a folder, not a file.").arg(shown(path));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("'%1' is not a regular file.").arg(shown(path));
    if (isConnectedDatabaseFile(path))
        return QStringLiteral("'%1' is a database that Corvantis is using; it cannot be attached or copied.")
            .arg(shown(path));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return QStringLiteral("The file '%1' cannot be read: %2")
            .arg(shown(path), QString::fromLocal8Bit(std::strerror(errno)));
    if (limit >= 0 && st.st_size > limit)
        return QStringLiteral("The file '%1' is too large to be stored in the documents database "
                              "(%2 bytes; at most %3 bytes).")
            .arg(shown(path))
            .arg(st.st_size)
            .arg(limit);
    return {};
}

qint64 checkedSize(const QString& path, qint64 limit)
{
    const QString problem = sourceProblem(path, limit);
    if (!problem.isEmpty())
        throw fileError(QStringLiteral("read"), problem);
    return QFileInfo(path).size();
}

void readPieces(const QString& path, qint64 size, const std::function<void(const char*, qint64)>& take)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fileError(
            QStringLiteral("read"),
            QStringLiteral("The file '%1' cannot be read: %2").arg(shown(path), file.errorString()));
    QByteArray piece(qMin<qint64>(size + 1, 1 << 20), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        const qint64 n = file.read(piece.data(), piece.size());
        if (n < 0)
            throw fileError(
                QStringLiteral("read"),
                QStringLiteral("The file '%1' cannot be read: %2").arg(shown(path), file.errorString()));
        if (n == 0)
            break;
        if (done + n > size)
            break;
        take(piece.constData(), n);
        done += n;
    }
    if (done != size || !file.atEnd())
        throw fileError(
            QStringLiteral("read"),
            QStringLiteral("The file '%1' changed while it was read. Please try again.").arg(shown(path)));
}

Writer::Writer(const QString& path) : m_file(path)
{
    // Unbuffered: a buffered QSaveFile can report a commit as done after a short write (a
    // file-size limit), leaving a cut-off file; unbuffered, every short write is seen at once.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail();
}

void Writer::write(const char* data, qint64 size)
{
    if (m_file.write(data, size) != size)
        fail();
}

void Writer::commit()
{
    if (!m_file.commit())
        fail();
}

void Writer::fail()
{
    throw fileError(QStringLiteral("write"), QStringLiteral("The file '%1' could not be written: %2")
                                                 .arg(shown(m_file.fileName()), m_file.errorString()));
}

void writeWhole(const QString& path, const QByteArray& bytes)
{
    const QString reason = writeWholeFile(path, bytes);
    if (!reason.isEmpty())
        throw fileError(QStringLiteral("write"),
                        QStringLiteral("The file '%1' could not be written: %2").arg(shown(path), reason));
}

void copyWhole(const QString& from, const QString& to)
{
    const qint64 size = checkedSize(from);
    const QString refused = targetProblem(from, to);
    if (!refused.isEmpty())
        throw fileError(QStringLiteral("copyWhole"), refused);
    Writer out(to);
    readPieces(from, size, [&](const char* data, qint64 n) { out.write(data, n); });
    out.commit();
}

QString targetProblem(const QString& from, const QString& to)
{
    if (isConnectedDatabaseFile(to))
        return QStringLiteral("'%1' is a database that Corvantis is using; it cannot be replaced.")
            .arg(shown(to));
    if (sameFile(from, to))
        return QStringLiteral("The document cannot be saved onto itself ('%1'). Please choose another name.")
            .arg(shown(to));
    if (isSpecialFile(to))
        return QStringLiteral("The file '%1' could not be written: %2.").arg(shown(to), specialFileReason());
    return {};
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa
    {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

QString copyPath(const QString& folder, const QString& docPath)
{
    if (!modUtility::isStoredFileName(docPath))
        throw fileError(
            QStringLiteral("copyPath"),
            QStringLiteral("The stored name of this document (\"%1\") is not valid; the document cannot be "
                           "opened or saved.")
                .arg(docPath));
    return folder + QLatin1Char('/') + docPath;
}

} // namespace DocumentFiles
