#include "modutility.h"

#include "db.h"
#include "documentfiles.h"
#include "documentsdatabase.h"

#include <QRegularExpression>
#include <QUuid>
#include <optional>

namespace modUtility {

QString NewGuidString()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

QString GetFileExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString GetFileNameFromPath(const QString& path)
{
    if (path.size() < 4)
        return path;
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString GetUniqueFileName(const QString& path)
{
    return NewGuidString() + GetFileExtension(path);
}

bool isStoredFileName(const QString& docPath)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}("
                       "\\.[^./\\\\\\x00-\\x1f]*)?$"));
    return docPath.size() <= DocPathLength && pattern.match(docPath).hasMatch();
}

QString storedNameProblem(const QString& path)
{
    const QString extension = GetFileExtension(path);
    const qsizetype room = DocPathLength - NewGuidString().size();
    if (extension.size() > room)
        return QStringLiteral(
                   "The extension of the file name (\"%1\") is too long to be stored: it may have at most "
                   "%2 characters. Please rename the file or choose another one.")
            .arg(extension)
            .arg(room - 1);
    if (!isStoredFileName(NewGuidString() + extension))
        return QStringLiteral(
                   "The extension of the file name (\"%1\") holds a character that cannot be stored. "
                   "Please rename the file or choose another one.")
            .arg(extension);
    return {};
}

bool ExtractDocumentFromDB(const QString& docName, const QString& folder)
{
    const QString target = DocumentFiles::copyPath(folder, docName);
    std::optional<DocumentFiles::Writer> copy;
    const bool stored = DocumentsDatabase::readContent(DocumentsDatabase::connection(), docName,
                                                       [&](const char* data, qint64 n) {
                                                           if (!copy)
                                                               copy.emplace(target);
                                                           copy->write(data, n);
                                                       });
    if (!stored)
        return false;
    // An empty document is an empty file.
    if (!copy)
        copy.emplace(target);
    copy->commit();
    return true;
}

} // namespace modUtility
