#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int error)
{
    return qt_error_string(error);
}

// The file that a write to the path replaces: the end of a chain of links, or the path itself.
QByteArray finalTarget(const QByteArray& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

// A new, empty file beside the target, named so that no listing mistakes it for the real one;
// -1 with errno set when the folder takes no new file.
int createBeside(const QByteArray& target, mode_t mode, QByteArray& created)
{
    const QFileInfo info(QFile::decodeName(target));
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray name = QFile::encodeName(info.fileName());
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = folder + "/." + name + '.' +
                  QByteArray::number(QRandomGenerator::global()->generate() & 0xffffff, 16) + ".part";
        const int fd = ::open(created.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes every byte to an open descriptor, going on after a short write; returns the system's
// reason for the write that failed, or an empty text.
QString writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return reasonOf(errno);
        }
        if (n == 0) // a regular file takes at least one byte or says why not
            return reasonOf(EIO);
        done += n;
    }
    return {};
}

} // namespace

bool isSpecialFile(const QString& path)
{
    struct stat st = {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

QString specialFileReason()
{
    return QStringLiteral("it is not a regular file but a device, a pipe or a folder, which is not replaced");
}

QString writeWholeFile(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return reasonOf(ENOENT);
    const QByteArray target = finalTarget(QFile::encodeName(path));

    // An existing file must be a regular one that may be written: the probe opens it without
    // truncating it (and without waiting on a pipe swapped in meanwhile), so nothing changes.
    mode_t mode = 0666; // a new file: the process's umask applies
    struct stat st = {};
    bool exists = false;
    if (::stat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return specialFileReason();
        const int probe = ::open(target.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (probe < 0)
            return reasonOf(errno);
        struct stat opened = {};
        const bool regular = ::fstat(probe, &opened) == 0 && S_ISREG(opened.st_mode);
        ::close(probe);
        if (!regular)
            return specialFileReason();
        mode = st.st_mode & 07777;
        exists = true;
    } else if (errno != ENOENT) {
        return reasonOf(errno);
    }

    QByteArray part;
    const int fd = createBeside(target, mode, part);
    if (fd < 0) {
        const int error = errno;
        // A folder that is there but refuses every new name (a system folder such as /proc) says
        // "no such file", which would read as if the file were missing.
        const QString folder = QFileInfo(QFile::decodeName(target)).absolutePath();
        if (error == ENOENT && QFileInfo(folder).isDir())
            return QStringLiteral("the folder %1 does not take new files").arg(QDir::toNativeSeparators(folder));
        return reasonOf(error);
    }
    QString reason = writeAll(fd, bytes);
    if (reason.isEmpty() && exists && ::fchmod(fd, mode) != 0)
        reason = reasonOf(errno);
    if (reason.isEmpty() && ::fsync(fd) != 0)
        reason = reasonOf(errno);
    if (::close(fd) != 0 && reason.isEmpty())
        reason = reasonOf(errno);
    if (reason.isEmpty() && ::rename(part.constData(), target.constData()) != 0)
        reason = reasonOf(errno);
    if (!reason.isEmpty())
        ::unlink(part.constData());
    return reason;
}
