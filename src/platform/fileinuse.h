#pragma once

#include <QString>

namespace FileInUse {

// Best effort: whether another program has the file open for editing. True when an office
// lock file ".~lock.NAME#" stands beside it, or when another process holds a lock on it. A
// missing file is not in use.
//
// The check opens and closes the file, and closing any descriptor of a file drops the locks this
// process holds on it: never ask about a file this process itself locks (its databases).
bool isFileAlreadyOpen(const QString& path);

} // namespace FileInUse
