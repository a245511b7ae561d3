#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <functional>

// The files behind attached documents: the file the user picked, the copies in the documents
// folder and the copies saved elsewhere. Nothing here opens a file before knowing it is a regular
// file (opening a FIFO would wait forever), and nothing is written in place: a new file is written
// beside its target and renamed over it, so a failure never leaves a broken or empty file.
namespace DocumentFiles {

// The path as the user means it: "~/" stands for the home folder.
QString expandHome(const QString& path);
// Why the file at path cannot be read as a document (missing, relative, a folder, a device or
// pipe, unreadable, larger than limit bytes when limit >= 0); "" when it can.
QString sourceProblem(const QString& path, qint64 limit = -1);
// The size of the file at path, once sourceProblem finds nothing against it; raises AppError otherwise.
qint64 checkedSize(const QString& path, qint64 limit = -1);
// Reads the file piece by piece (a megabyte at most), handing each piece to take; raises AppError
// when it cannot be read or is no longer `size` bytes long.
void readPieces(const QString& path, qint64 size, const std::function<void(const char*, qint64)>& take);

// A new file written beside its target and renamed over it by commit(); dropped without commit,
// it leaves nothing behind. Every failure raises AppError naming the file.
class Writer
{
public:
    explicit Writer(const QString& path);
    void write(const char* data, qint64 size);
    void commit();

private:
    [[noreturn]] void fail();
    QSaveFile m_file;
};

// Writes the bytes to path; raises AppError when it cannot, leaving an older file at path as it was.
void writeWhole(const QString& path, const QByteArray& bytes);
// Why a copy of from may not be written at to (onto itself, over a database in use, over a device,
// a pipe or a folder); "" when it may.
QString targetProblem(const QString& from, const QString& to);
// Copies the file at from to to, piece by piece; raises AppError for a target targetProblem refuses.
void copyWhole(const QString& from, const QString& to);
// True when both paths name the same existing file (also through links).
bool sameFile(const QString& a, const QString& b);

// The copy of a stored document in folder; raises AppError when the stored name is not one this
// system makes (it is never followed as a path).
QString copyPath(const QString& folder, const QString& docPath);

} // namespace DocumentFiles
