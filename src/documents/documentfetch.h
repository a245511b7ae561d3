#pragma once

#include <QString>

// Where an attached document can be read, for viewing it or saving a copy.
namespace DocumentFetch {

// The copy in the documents folder; else that copy written back from the documents database;
// else the file the user picked. "" when none of them is there. A failure of the folder or the
// database raises AppError, unless the picked file stands in.
QString locate(const QString& docPath, const QString& fileSource);

} // namespace DocumentFetch
