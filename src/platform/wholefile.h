#pragma once

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: through a save file that replaces the old one only when every
// byte is on disk. The file is written unbuffered, so that a short write (a full disk, a file-size
// limit) is seen at once; a buffered save file can flush a short write at its commit and still
// report the file as written. Returns why the file could not be written, or an empty text.
QString writeWholeFile(const QString& path, const QByteArray& bytes);
