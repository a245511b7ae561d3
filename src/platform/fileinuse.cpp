#include "fileinuse.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool openedByThisProcess(const QString& canonicalPath)
{
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : descriptors.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(descriptors.filePath(fd)).symLinkTarget() == canonicalPath)
            return true;
    return false;
}

} // namespace

namespace FileInUse {

bool isFileAlreadyOpen(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;

    // Office suites leave ".~lock.NAME#" beside a document while they have it open.
    if (QFileInfo::exists(info.dir().filePath(QStringLiteral(".~lock.") + info.fileName() + u'#')))
        return true;

    // A file this process has open (a connected database) is in use, and is not opened again:
    // closing a second descriptor of it would drop every lock the process holds on it.
    if (openedByThisProcess(info.canonicalFilePath()))
        return true;

    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    // Asking for a write lock over the whole file reports any lock, read or write, that another
    // process holds on any part of it.
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

} // namespace FileInUse
