// The workbook balances readers: column A (account) and column B (amount) of the first worksheet,
// from row 1 down to the first row whose column A is empty.
#include "balancefilereader.h"
#include "balancefilereader_p.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <freexl.h>
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
// .xls (the binary workbook format)

QString xlsCellText(const void* handle, unsigned int row, unsigned short column)
{
    FreeXL_CellValue cell;
    // A cell outside the sheet's used range is as empty as an empty cell inside it.
    if (freexl_get_cell_value(handle, row, column, &cell) != FREEXL_OK)
        return {};
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return BalanceFileReader::numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(cell.value.text_value);
    default:
        return {};
    }
}

class XlsWorkbook
{
public:
    explicit XlsWorkbook(const QString& path) : m_path(path)
    {
        const FileKind kind = fileKind(path);
        if (kind == FileKind::Zip)
            fail(QStringLiteral("The file %1 is an Excel workbook (.xlsx) with the .xls extension. Rename it "
                                "to end in .xlsx and import it again.")
                     .arg(quotedPath(path)));
        if (freexl_open(QFile::encodeName(path).constData(), &m_handle) == FREEXL_OK)
            return;
        close(); // the library wants its handle closed even after a failed open
        // A compound file that does not parse: encryption garbles what follows the password record.
        if (kind == FileKind::CompoundFile)
            fail(QStringLiteral("The workbook %1 cannot be read: it is damaged or password-protected.")
                     .arg(quotedPath(path)));
        fail(QStringLiteral("The file %1 is not an Excel 97-2003 workbook (.xls) or it is damaged.")
                 .arg(quotedPath(path)));
    }
    ~XlsWorkbook() { close(); }
    XlsWorkbook(const XlsWorkbook&) = delete;
    XlsWorkbook& operator=(const XlsWorkbook&) = delete;

    BalanceRows rows()
    {
        unsigned int info = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
            info == FREEXL_BIFF_OBFUSCATED)
            fail(QStringLiteral("The workbook %1 is password-protected. Remove the password, save it and "
                                "import it again.")
                     .arg(quotedPath(m_path)));
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0 ||
            freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK)
            fail(QStringLiteral("The workbook %1 has no worksheet.").arg(quotedPath(m_path)));

        unsigned int rowCount = 0;
        unsigned short columnCount = 0;
        if (freexl_worksheet_dimensions(m_handle, &rowCount, &columnCount) != FREEXL_OK)
            rowCount = 0;
        WorksheetRows sheet;
        for (unsigned int row = 0; row < rowCount; ++row)
            if (!sheet.take(row + 1, xlsCellText(m_handle, row, 0), xlsCellText(m_handle, row, 1)))
                break;
        return std::move(sheet).rows();
    }

private:
    void close()
    {
        if (m_handle)
            freexl_close(m_handle);
        m_handle = nullptr;
    }

    QString m_path;
    const void* m_handle = nullptr;
};

// ---------------------------------------------------------------------------------------------
// .xlsx (a zip of XML parts)

// Relationship types, by the end of their URI (the start differs between the two OOXML flavours).
constexpr QLatin1String kSheetRelationship("/worksheet");
constexpr QLatin1String kSharedStringsRelationship("/sharedStrings");
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
QString readRichText(QXmlStreamReader& xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("t"))
            text += xml.readElementText();
        else if (name == QLatin1String("r"))
            text += readRichText(xml);
        else
            xml.skipCurrentElement();
    }
    return text;
}

// Column number of a cell reference ("B12" is 2), 0 when it has no letters.
int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        column = column * 26 + (u - u'A' + 1);
    }
    return column;
}

// A zip part as the XML reader's input. A part whose compressed data is damaged fails a read
// while still claiming more data, and the XML reader would wait for that data for ever; this
// stream ends at the first failed read instead, so the reader stops with an error.
class PartStream : public QIODevice
{
public:
    explicit PartStream(QuaZipFile& file) : m_file(file)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_failed || m_file.atEnd(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 read = m_failed ? -1 : m_file.read(data, maxSize);
        m_failed = read < 0;
        return read;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QuaZipFile& m_file;
    bool m_failed = false;
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
        const QString sheetPart = firstWorksheetPart(workbookPart, relationships);
        const QStringList sharedStrings = readSharedStrings(relationships, folderOf(workbookPart));
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

    // The first sheet of the workbook's sheet list that is a worksheet (not a chart sheet).
    QString firstWorksheetPart(const QString& workbookPart, const QHash<QString, Relationship>& relationships)
    {
        QString sheetPart;
        const bool found = readPart(workbookPart, [&](QXmlStreamReader& xml) {
            while (sheetPart.isEmpty() && !xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("sheet"))
                    continue;
                // r:id, whatever prefix the writer bound to the relationships namespace.
                for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                    if (attribute.name() != QLatin1String("id") || attribute.namespaceUri().isEmpty())
                        continue;
                    const auto r = relationships.constFind(attribute.value().toString());
                    if (r != relationships.constEnd() && r->type.endsWith(kSheetRelationship))
                        sheetPart = r->part;
                }
            }
        });
        if (!found)
            failDamaged();
        if (sheetPart.isEmpty())
            fail(QStringLiteral("The workbook %1 has no worksheet.").arg(quotedPath(m_path)));
        return sheetPart;
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
};

} // namespace

BalanceRows BalanceFileReader::readXls(const QString& path)
{
    requireReadableFile(path);
    return XlsWorkbook(path).rows();
}

BalanceRows BalanceFileReader::readXlsx(const QString& path)
{
    requireReadableFile(path);
    return XlsxWorkbook(path).rows();
}
