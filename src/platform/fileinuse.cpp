#include "fileinuse.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace FileInUse {

bool isFileAlreadyOpen(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;

    // Office suites leave ".~lock.NAME#" beside a document while they have it open.
    if (QFileInfo::exists(info.dir().filePath(QStringLiteral(".~lock.") + info.fileName() + u'#')))
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
