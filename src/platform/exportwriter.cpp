#include "exportwriter.h"

#include <QDir>
#include <QSaveFile>

ExportWriter::ExportWriter(QString path) : m_path(std::move(path)) {}

QString ExportWriter::cleanField(QString field)
{
    for (QChar& c : field)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    return field;
}

void ExportWriter::addRow(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u'\t';
        line += cleanField(fields.at(i));
    }
    m_content += line.toUtf8();
    m_content += "\r\n";
    ++m_rows;
}

bool ExportWriter::commit()
{
    m_error.clear();
    QSaveFile file(m_path);
    const auto fail = [&](const QString& reason) {
        m_error = QStringLiteral("The file %1 could not be written: %2")
                      .arg(QDir::toNativeSeparators(m_path), reason);
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(m_content) != m_content.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
