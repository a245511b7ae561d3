#include "exportwriter.h"

#include "fileinuse.h"
#include "prompter.h"
#include "wholefile.h"

#include <QDir>
#include <QFileInfo>

ExportWriter::ExportWriter(QString path) : m_path(std::move(path)) {}

namespace {

// A character that would break a row (TAB, CR, LF) or cut the text short for a reader that stops
// at a NUL.
bool breaksRow(QChar c)
{
    return c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(u'\0');
}

} // namespace

QString ExportWriter::cleanField(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c == u'\r' && i + 1 < field.size() && field.at(i + 1) == u'\n')
            continue; // the pair gives the one blank of its LF
        out += breaksRow(c) ? QChar(u' ') : c;
    }
    return out;
}

void ExportWriter::addRow(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u'\t';
        const QString& field = fields.at(i);
        const bool clean = std::none_of(field.cbegin(), field.cend(), breaksRow);
        if (field.startsWith(u'"')) {
            // Spreadsheets and CSV readers take a leading quote as the start of a quoted field and
            // would run it on into the next fields and lines: quote it as they expect.
            line += u'"' + cleanField(field).replace(u'"', QStringLiteral("\"\"")) + u'"';
        } else {
            line += clean ? field : cleanField(field);
        }
    }
    m_content += line.toUtf8();
    m_content += "\r\n";
    ++m_rows;
}

bool ExportWriter::commit()
{
    m_error.clear();
    const QString reason = writeWholeFile(m_path, m_content);
    if (reason.isEmpty())
        return true;
    m_error = failureText(m_path, reason);
    return false;
}

QString ExportWriter::failureText(const QString& path, const QString& reason)
{
    // One sentence, ended whatever the reason's own words end with.
    const QString text =
        QStringLiteral("The file %1 could not be written: %2").arg(QDir::toNativeSeparators(path), reason);
    return text.endsWith(u'.') ? text : text + u'.';
}

bool ExportWriter::mayReplace(const QString& path, const QString& inUseTitle)
{
    // A device, a pipe or a folder is never replaced, so there is no overwrite question to ask.
    if (isSpecialFile(path)) {
        Prompter::show(inUseTitle, failureText(path, specialFileReason()), Prompter::Buttons::Ok,
                       Prompter::Icon::Critical);
        return false;
    }
    if (QFileInfo::exists(path) &&
        Prompter::show(Prompter::applicationTitle(),
                       QStringLiteral("File '") + QDir::toNativeSeparators(path) +
                           QStringLiteral("' already exists.  Do you want to overwrite it?"),
                       Prompter::Buttons::YesNo) != Prompter::Yes)
        return false;
    if (FileInUse::isFileAlreadyOpen(path)) {
        Prompter::show(inUseTitle,
                       QStringLiteral("File is already in use by another process. Please close the file and try again."),
                       Prompter::Buttons::Ok, Prompter::Icon::Critical);
        return false;
    }
    return true;
}
