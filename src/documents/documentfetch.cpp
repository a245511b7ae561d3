#include "documentfetch.h"

#include "apperror.h"
#include "documentfiles.h"
#include "global.h"
#include "modutility.h"

#include <QFileInfo>
#include <optional>

namespace DocumentFetch {

QString locate(const QString& docPath, const QString& fileSource)
{
    const QString folder = Global::getAttachedDocFolder();
    const QString copy = DocumentFiles::copyPath(folder, docPath);
    if (QFileInfo(copy).isFile())
        return copy;
    std::optional<AppError> failure;
    try {
        if (modUtility::ExtractDocumentFromDB(docPath, folder))
            return copy;
    } catch (const AppError& e) {
        failure = e;
    }
    if (!fileSource.isEmpty() && DocumentFiles::sourceProblem(fileSource).isEmpty())
        return fileSource;
    if (failure)
        throw *failure;
    return {};
}

} // namespace DocumentFetch
