#pragma once

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: the bytes go to a new file beside it, which replaces the old
// one only when every byte is on disk; the old file's permissions carry over and a link keeps
// pointing where it did. Only a regular file is ever replaced: a device, a pipe, a socket or a
// folder at the path is refused and left as it is. Returns why the file could not be written,
// in the system's own words for the call that failed, or an empty text.
QString writeWholeFile(const QString& path, const QByteArray& bytes);

// True when something other than a regular file stands at the path (a link is followed): a
// device, a pipe, a socket or a folder, which no whole-file write replaces.
bool isSpecialFile(const QString& path);
// The reason given for such a path.
QString specialFileReason();
