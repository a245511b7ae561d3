#pragma once

#include <QString>

// The naming rules of attached documents: the unique name a document is stored under, and the
// parts of a picked path that the lists show.
namespace modUtility {

// The widths of the attachment columns that a dialog checks before anything is stored.
inline constexpr int DocPathLength = 50;
inline constexpr int DocDescLength = 150;

// A new GUID as its 38-character braced, upper-case text.
QString NewGuidString();
// "." and the text after the last "." of the path's file name; "" when the name has none
// ("/x/my.dir/README" has none).
QString GetFileExtension(const QString& path);
// The file-name part of a path of four or more characters; a shorter path is returned whole.
QString GetFileNameFromPath(const QString& path);
// A new GUID followed by the path's extension: the name the document is stored under.
QString GetUniqueFileName(const QString& path);

// True when a stored name is a braced GUID followed by at most a plain extension (no "/", "\",
// further "."), so that it may become a file name in the documents folder.
bool isStoredFileName(const QString& docPath);
// Why a document picked at path cannot be stored under a name made from it (its extension is too
// long or holds a character a stored name may not); "" when it can.
QString storedNameProblem(const QString& path);

// Writes the contents stored under docName in the active documents database to its copy in
// folder. False when the database holds no contents for it (no row, or a row whose contents were
// never stored); raises AppError when the database or the folder fails, leaving no partial file.
bool ExtractDocumentFromDB(const QString& docName, const QString& folder);

} // namespace modUtility
