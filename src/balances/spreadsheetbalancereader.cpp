// The .xlsx balances reader: column A (account) and column B (amount) of the workbook's active
// worksheet, from row 1 down to the first row whose column A is empty.
#include "balancefilereader.h"
#include "balancefilereader_p.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

using namespace BalanceFileReader::detail;

namespace {

// What a workbook file starts with tells its real kind, whatever its extension says.
enum class FileKind { CompoundFile, Zip, Other };

FileKind fileKind(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The file %1 cannot be opened: %2.").arg(quotedPath(path), file.errorString()));
    const QByteArray start = file.read(8);
    // The container of .xls workbooks, and of password-protected .xlsx workbooks.
    if (start == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return FileKind::CompoundFile;
    if (start.startsWith("PK\x03\x04"))
        return FileKind::Zip;
    return FileKind::Other;
}

// ---------------------------------------------------------------------------------------------
// .xlsx (a zip of XML parts)

// Relationship types, by the end of their URI (the start differs between the two OOXML flavours).
constexpr QLatin1String kSheetRelationship("/worksheet");
constexpr QLatin1String kSharedStringsRelationship("/sharedStrings");
constexpr QLatin1String kStylesRelationship("/styles");
constexpr QLatin1String kOfficeDocumentRelationship("/officeDocument");

struct Relationship
{
    QString type;
    QString part; // the target's part name inside the zip, without a leading slash
};

// The folder part of a part name, with its trailing slash ("xl/" for "xl/workbook.xml").
QString folderOf(const QString& part)
{
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// A relationship target is relative to the folder of the part that owns it, or absolute.
QString resolveTarget(const QString& folder, const QString& target)
{
    QString part = target.startsWith(QLatin1Char('/')) ? target.mid(1) : folder + target;
    // Resolve "../" steps.
    QStringList steps;
    for (const QString& step : part.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (step == QLatin1String("..")) {
            if (!steps.isEmpty())
                steps.removeLast();
        } else if (step != QLatin1String("."))
            steps.append(step);
    }
    return steps.join(QLatin1Char('/'));
}

// The value of <t> elements up to the end of the current element (a shared string item or an
// inline string): plain or split into rich-text runs; phonetic guides (<rPh>) are not part of it.
// Walked with a depth count, not by recursion, so runs nested however deep cannot exhaust the stack.
QString readRichText(QXmlStreamReader& xml)
{
    QString text;
    int runDepth = 0; // <r> elements open below the starting element
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (runDepth == 0)
                break;
            --runDepth;
        } else if (token == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            if (name == QLatin1String("t"))
                text += xml.readElementText();
            else if (name == QLatin1String("r"))
                ++runDepth;
            else
                xml.skipCurrentElement();
        }
    }
    return text;
}

// The widest sheet: columns A to XFD.
constexpr int kLastColumn = 16384;

// Column number of a cell reference ("B12" is 2), 0 when it has no letters, -1 when its letters
// name a column beyond the sheet's last.
int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        column = column * 26 + (u - u'A' + 1);
        if (column > kLastColumn)
            return -1;
    }
    return column;
}

// A zip part as the XML reader's input. A part whose compressed data is damaged fails a read, or
// gives nothing, while still claiming more data, and the XML reader would wait for that data for
// ever; this stream ends at the first read that gives nothing, so the reader stops with an error.
//
// The stream also keeps memory bounded by what is kept, not by the part's unzipped size: a run of
// blanks between elements is cut short (the XML reader would hold it whole as one token), a
// run of text or a tag longer than any cell can hold counts as damage, and so does a part that
// unzips beyond what any balances sheet needs.
class PartStream : public QIODevice
{
public:
    // More than a sheet of a million rows of accounts and amounts needs.
    static constexpr qint64 MaxPartSize = qint64(256) << 20;

    explicit PartStream(QuaZipFile& file) : m_file(file)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_failed || m_file.atEnd(); }
    // The part unzipped beyond MaxPartSize; the reading stopped there.
    bool tooLarge() const { return m_tooLarge; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        while (!m_failed) {
            const qint64 read = m_file.read(data, maxSize);
            if (read <= 0) {
                // Nothing more comes, even from a damaged part that still claims more data.
                m_failed = true;
                return read;
            }
            m_total += read;
            if (m_total > MaxPartSize) {
                m_tooLarge = m_failed = true;
                return -1;
            }
            const qint64 kept = compact(data, read);
            if (kept < 0) {
                m_failed = true;
                return -1;
            }
            if (kept > 0)
                return kept;
        }
        return -1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // A cell holds at most 32,767 characters: longer blank runs carry nothing, longer text is damage.
    static constexpr qint64 MaxBlankRun = 1 << 16;
    static constexpr qint64 MaxRun = 1 << 22;

    // Drops the blanks beyond MaxBlankRun of a run between elements; -1 on a run beyond MaxRun.
    qint64 compact(char* data, qint64 size)
    {
        qint64 out = 0;
        for (qint64 i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '<' || c == '>') {
                m_inTag = c == '<';
                m_run = m_blankRun = 0;
            } else if (!m_inTag && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
                if (++m_blankRun > MaxBlankRun)
                    continue;
            } else {
                m_blankRun = 0;
            }
            if (++m_run > MaxRun)
                return -1;
            data[out++] = c;
        }
        return out;
    }

    QuaZipFile& m_file;
    bool m_failed = false;
    bool m_tooLarge = false;
    bool m_inTag = false;
    qint64 m_total = 0;
    qint64 m_run = 0;      // bytes kept since the last '<' or '>'
    qint64 m_blankRun = 0; // blanks in a row between elements
};

class XlsxWorkbook
{
public:
    explicit XlsxWorkbook(const QString& path) : m_path(path), m_zip(path)
    {
        // A password-protected workbook is stored as a compound file that holds the encrypted
        // zip; so is an older-format workbook that was given the .xlsx extension.
        if (fileKind(path) == FileKind::CompoundFile)
            fail(QStringLiteral("The workbook %1 cannot be read: it is password-protected, or it is an Excel "
                                "97-2003 workbook with the .xlsx extension. Remove the password or save it "
                                "as an Excel workbook (.xlsx) and import it again.")
                     .arg(quotedPath(path)));
        if (!m_zip.open(QuaZip::mdUnzip))
            failDamaged();
    }

    BalanceRows rows()
    {
        const QString workbookPart = officeDocumentPart();
        const QHash<QString, Relationship> relationships = readRelationships(workbookPart);
        const QString sheetPart = activeWorksheetPart(workbookPart, relationships);
        const QStringList sharedStrings = readSharedStrings(relationships, folderOf(workbookPart));
        m_cellFormats = readCellFormats(relationships);
        return readSheet(sheetPart, sharedStrings);
    }

private:
    [[noreturn]] void failDamaged() const
    {
        fail(QStringLiteral("The file %1 is not an Excel workbook (.xlsx) or it is damaged.")
                 .arg(quotedPath(m_path)));
    }

    // Opens a part of the zip; false when there is no such part.
    bool openPart(QuaZipFile& file, const QString& part)
    {
        if (!m_zip.setCurrentFile(part, QuaZip::csInsensitive))
            return false;
        if (!file.open(QIODevice::ReadOnly))
            failDamaged();
        return true;
    }

    // Reads a part through, checking that the zip gave it whole and that its XML is well formed.
    template <typename Handler> bool readPart(const QString& part, Handler handle)
    {
        QuaZipFile file(&m_zip);
        if (!openPart(file, part))
            return false;
        PartStream stream(file);
        QXmlStreamReader xml(&stream);
        handle(xml);
        if (stream.tooLarge())
            fail(QStringLiteral("The workbook %1 cannot be imported: its worksheet is larger than %2 MB unpacked, "
                                "far more than a list of account balances needs. Copy the two columns of "
                                "balances into a new workbook and import that.")
                     .arg(quotedPath(m_path))
                     .arg(PartStream::MaxPartSize >> 20));
        if (xml.hasError())
            failDamaged();
        const bool readToEnd = xml.atEnd();
        file.close();
        if (readToEnd && file.getZipError() != UNZ_OK) // checksum of a part read to its end
            failDamaged();
        return true;
    }

    // The workbook part named by the package's relationships ("xl/workbook.xml" as a rule).
    QString officeDocumentPart()
    {
        const auto root = readRelationships(QString());
        for (const Relationship& r : root)
            if (r.type.endsWith(kOfficeDocumentRelationship))
                return r.part;
        return QStringLiteral("xl/workbook.xml");
    }

    // The relationships of a part (of the package itself for an empty name), by id. They are kept
    // in "<folder>/_rels/<name>.rels"; their targets are relative to the part's folder.
    QHash<QString, Relationship> readRelationships(const QString& owner)
    {
        const QString folder = folderOf(owner);
        const QString relsPart =
            folder + QStringLiteral("_rels/") + owner.mid(folder.size()) + QStringLiteral(".rels");
        QHash<QString, Relationship> relationships;
        readPart(relsPart, [&](QXmlStreamReader& xml) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement ||
                    xml.name() != QLatin1String("Relationship"))
                    continue;
                const auto attributes = xml.attributes();
                if (attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                    continue;
                relationships.insert(
                    attributes.value(QLatin1String("Id")).toString(),
                    {attributes.value(QLatin1String("Type")).toString(),
                     resolveTarget(folder, attributes.value(QLatin1String("Target")).toString())});
            }
        });
        return relationships;
    }

    // The worksheet the workbook was left showing: the workbook view's active tab, an index into
    // the sheet list. When that names no visible worksheet (a chart sheet, a hidden sheet, or no
    // sheet at all), the first visible worksheet; a hidden sheet is never read. Also notes the
    // workbook's date system.
    QString activeWorksheetPart(const QString& workbookPart,
                                const QHash<QString, Relationship>& relationships)
    {
        struct Sheet
        {
            QString part; // empty for a sheet that is no worksheet
            bool visible;
        };
        QList<Sheet> sheets;
        qsizetype activeTab = 0;
        bool viewSeen = false;
        const bool found = readPart(workbookPart, [&](QXmlStreamReader& xml) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement)
                    continue;
                const auto attributes = xml.attributes();
                if (xml.name() == QLatin1String("workbookPr")) {
                    const auto date1904 = attributes.value(QLatin1String("date1904"));
                    m_date1904 = date1904 == QLatin1String("1") || date1904 == QLatin1String("true");
                } else if (xml.name() == QLatin1String("workbookView") && !viewSeen) {
                    viewSeen = true; // the first window's view is the one the workbook opens in
                    bool ok = false;
                    const qsizetype tab = attributes.value(QLatin1String("activeTab")).toLongLong(&ok);
                    activeTab = ok ? tab : 0;
                } else if (xml.name() == QLatin1String("sheet")) {
                    Sheet sheet{QString(),
                                attributes.value(QLatin1String("state")).isEmpty() ||
                                    attributes.value(QLatin1String("state")) == QLatin1String("visible")};
                    // r:id, whatever prefix the writer bound to the relationships namespace.
                    for (const QXmlStreamAttribute& attribute : attributes) {
                        if (attribute.name() != QLatin1String("id") || attribute.namespaceUri().isEmpty())
                            continue;
                        const auto r = relationships.constFind(attribute.value().toString());
                        if (r != relationships.constEnd() && r->type.endsWith(kSheetRelationship))
                            sheet.part = r->part;
                    }
                    sheets.append(sheet);
                } else if (xml.name() == QLatin1String("definedNames") ||
                           xml.name() == QLatin1String("calcPr")) {
                    return; // past the views and the sheet list
                }
            }
        });
        if (!found)
            failDamaged();
        if (activeTab >= 0 && activeTab < sheets.size() && !sheets.at(activeTab).part.isEmpty() &&
            sheets.at(activeTab).visible)
            return sheets.at(activeTab).part;
        bool hiddenOnly = false;
        for (const Sheet& sheet : std::as_const(sheets)) {
            if (!sheet.part.isEmpty() && sheet.visible)
                return sheet.part;
            hiddenOnly = hiddenOnly || !sheet.part.isEmpty();
        }
        if (hiddenOnly)
            failHiddenOnly(m_path);
        fail(QStringLiteral("The workbook %1 has no worksheet.").arg(quotedPath(m_path)));
    }

    // For each cell format of the workbook (a cell's "s"), how it shows its number.
    QList<NumberFormat> readCellFormats(const QHash<QString, Relationship>& relationships)
    {
        QString part;
        for (const Relationship& r : relationships)
            if (r.type.endsWith(kStylesRelationship))
                part = r.part;
        QHash<int, QString> formatCodes; // the workbook's own number formats
        QList<NumberFormat> cellFormats;
        if (part.isEmpty())
            return cellFormats;
        readPart(part, [&](QXmlStreamReader& xml) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement)
                    continue;
                if (xml.name() == QLatin1String("numFmts")) {
                    while (xml.readNextStartElement()) {
                        if (xml.name() == QLatin1String("numFmt"))
                            formatCodes.insert(
                                xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                                xml.attributes().value(QLatin1String("formatCode")).toString());
                        xml.skipCurrentElement();
                    }
                } else if (xml.name() == QLatin1String("cellXfs")) {
                    while (xml.readNextStartElement()) {
                        if (xml.name() == QLatin1String("xf")) {
                            const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                            const auto code = formatCodes.constFind(id);
                            cellFormats.append(numberFormat(
                                id, code == formatCodes.cend() ? std::nullopt : std::optional<QString>(*code)));
                        }
                        xml.skipCurrentElement();
                    }
                    return; // the cell formats come after the number formats
                } else if (xml.name() != QLatin1String("styleSheet")) {
                    xml.skipCurrentElement(); // fonts, fills, borders, the style formats
                }
            }
        });
        return cellFormats;
    }

    QStringList readSharedStrings(const QHash<QString, Relationship>& relationships, const QString& folder)
    {
        QString part = folder + QStringLiteral("sharedStrings.xml");
        for (const Relationship& r : relationships)
            if (r.type.endsWith(kSharedStringsRelationship))
                part = r.part;
        QStringList strings;
        readPart(part, [&](QXmlStreamReader& xml) {
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
                    strings.append(readRichText(xml));
            }
        });
        return strings;
    }

    // The text of the cell element the reader stands on, read to its end.
    QString cellText(QXmlStreamReader& xml, const QStringList& sharedStrings)
    {
        const QString type = xml.attributes().value(QLatin1String("t")).toString();
        const qsizetype style = xml.attributes().value(QLatin1String("s")).toLongLong();
        QString value;
        QString inlineText;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("v"))
                value = xml.readElementText();
            else if (xml.name() == QLatin1String("is"))
                inlineText = readRichText(xml);
            else
                xml.skipCurrentElement(); // the formula, extensions
        }
        if (type == QLatin1String("inlineStr"))
            return inlineText;
        if (value.isEmpty())
            return {};
        if (type == QLatin1String("s")) {
            bool ok = false;
            const int index = value.toInt(&ok);
            if (!ok || index < 0 || index >= sharedStrings.size())
                failDamaged();
            return sharedStrings.at(index);
        }
        if (type == QLatin1String("b"))
            return value == QLatin1String("0") ? QStringLiteral("FALSE") : QStringLiteral("TRUE");
        if (type.isEmpty() || type == QLatin1String("n")) {
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (ok && style >= 0 && style < m_cellFormats.size() && m_cellFormats.at(style).kind != NumberFormat::Number)
                return serialDateText(number, m_date1904, m_cellFormats.at(style)); // a date is no amount
            return ok ? BalanceFileReader::numberText(number) : value;
        }
        return value; // "str" (a formula's text), "e" (an error such as #N/A), "d" (a date)
    }

    // Streams the sheet's rows until the first row whose column A is empty and the first row with
    // data below it are known. A row missing from the file is an empty row.
    BalanceRows readSheet(const QString& sheetPart, const QStringList& sharedStrings)
    {
        WorksheetRows sheet;
        const bool found = readPart(sheetPart, [&](QXmlStreamReader& xml) {
            qint64 previousRow = 0;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isEndElement() && xml.name() == QLatin1String("sheetData"))
                    return;
                if (!xml.isStartElement() || xml.name() != QLatin1String("row"))
                    continue;
                const QXmlStreamAttributes rowAttributes = xml.attributes();
                const QStringView r = rowAttributes.value(QLatin1String("r"));
                const qint64 row = r.isEmpty() ? previousRow + 1 : r.toLongLong();
                if (row <= previousRow)
                    return; // rows come in order, each once: a file out of order is read no further
                previousRow = row;

                QString cells[2];
                int previousColumn = 0;
                while (xml.readNextStartElement()) {
                    if (xml.name() != QLatin1String("c")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const QXmlStreamAttributes cellAttributes = xml.attributes();
                    const QStringView reference = cellAttributes.value(QLatin1String("r"));
                    const int column = reference.isEmpty() ? previousColumn + 1 : columnOf(reference);
                    if (column < 0 || column > kLastColumn)
                        failDamaged();
                    previousColumn = column;
                    if (column == 1 || column == 2)
                        cells[column - 1] = cellText(xml, sharedStrings);
                    else
                        xml.skipCurrentElement();
                }
                if (!sheet.take(row, cells[0], std::move(cells[1])))
                    return;
            }
        });
        if (!found)
            failDamaged();
        return std::move(sheet).rows();
    }

    QString m_path;
    QuaZip m_zip;
    bool m_date1904 = false;
    QList<NumberFormat> m_cellFormats;
};

} // namespace

BalanceRows BalanceFileReader::readXlsx(const QString& path)
{
    requireReadableFile(path);
    return XlsxWorkbook(path).rows();
}
