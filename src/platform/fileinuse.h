#pragma once

#include <QString>

namespace FileInUse {

// Best effort: whether another program has the file open for editing. True when an office
// lock file ".~lock.NAME#" stands beside it, when this process has it open (a connected
// database), or when another process holds a lock on it. A missing file is not in use.
//
// Only a file this process does not have open is opened for the lock test: closing any
// descriptor of a file drops the locks this process holds on it.
bool isFileAlreadyOpen(const QString& path);

} // namespace FileInUse
