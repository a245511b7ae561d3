#include "testworkbook.h"

#include <QFile>
#include <QtEndian>
#include <bit>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-output-stdio.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

constexpr auto kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
constexpr auto kRelationship = "<Relationship Id=\"%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                               "2006/relationships/%2\" Target=\"%3\"/>";

// BIFF8 records: little-endian fields after a type and a length.
struct Bytes : QByteArray
{
    template <typename T> Bytes& put(T value)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        append(bytes, sizeof(T));
        return *this;
    }
    Bytes& record(quint16 type, const QByteArray& data)
    {
        put(type).put(quint16(data.size())).append(data);
        return *this;
    }
};

} // namespace

bool TestWorkbook::writeXlsx(const QString& path) const
{
    QString sheetList, rels = QString::fromLatin1(kRelationship).arg("rIdStyles", "styles", "styles.xml");
    QList<std::pair<QString, QString>> parts;
    const auto number = [](double value) { return QString::number(value, 'g', 17); };
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        const QString n = QString::number(s + 1);
        sheetList += QStringLiteral("<sheet name=\"Sheet%1\" sheetId=\"%1\"%2 r:id=\"rId%1\"/>")
                         .arg(n, sheets[s].veryHidden ? " state=\"veryHidden\""
                                 : sheets[s].hidden   ? " state=\"hidden\""
                                                      : "");
        rels += QString::fromLatin1(kRelationship).arg("rId" + n, "worksheet", "worksheets/sheet" + n + ".xml");
        QString data;
        for (qsizetype r = 0; r < sheets[s].rows.size(); ++r) {
            const Row& row = sheets[s].rows[r];
            data += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\" s=\"%3\"><v>%4</v></c></row>")
                        .arg(QString::number(r + 1), number(row.account), QString::number(row.format),
                             number(row.amount));
        }
        parts.append({"xl/worksheets/sheet" + n + ".xml",
                      QStringLiteral("<worksheet %1><sheetData>%2</sheetData></worksheet>").arg(kMain, data)});
    }
    parts.append({"xl/workbook.xml",
                  QStringLiteral("<workbook %1 xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                 "relationships\"><workbookPr date1904=\"%2\"/><bookViews><workbookView "
                                 "activeTab=\"%3\"/></bookViews><sheets>%4</sheets></workbook>")
                      .arg(kMain, QString::number(date1904), QString::number(activeTab), sheetList)});
    parts.append({"xl/_rels/workbook.xml.rels",
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                      rels + "</Relationships>"});
    // The style formats show dates: only the cell formats (General, date, custom, time, locale date) count.
    parts.append({"xl/styles.xml",
                  QStringLiteral("<styleSheet %1><numFmts><numFmt numFmtId=\"%2\" formatCode=\"%3\"/></numFmts>"
                                 "<cellStyleXfs><xf numFmtId=\"14\"/><xf numFmtId=\"14\"/><xf numFmtId=\"14\"/>"
                                 "</cellStyleXfs><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"
                                 "<xf numFmtId=\"%2\"/><xf numFmtId=\"20\"/><xf numFmtId=\"31\"/></cellXfs>"
                                 "</styleSheet>")
                      .arg(kMain, QString::number(customFormatId), customFormat.toHtmlEscaped())});

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto& [name, text] : std::as_const(parts)) {
        QuaZipFile file(&zip);
        const QByteArray content = text.toUtf8();
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) || file.write(content) != content.size())
            return false;
    }
    zip.close();
    return zip.getZipError() == 0;
}

bool TestWorkbook::writeXls(const QString& path) const
{
    // Only the fields the reader looks at. The first cell format is a style's, showing dates; the
    // cells use General, date, custom, time and locale date, and name their format by its place.
    Bytes globals;
    globals.record(0x0809, Bytes().put(quint16(0x0600)).put(quint16(0x0005)));
    globals.record(0x003D, Bytes().put(quint64(0)).put(quint16(0)).put(quint16(activeTab)));
    globals.record(0x0022, Bytes().put(quint16(date1904)));
    globals.record(0x041E, Bytes().put(quint16(customFormatId)).put(quint16(customFormat.size())).put(quint8(0)) +
                               customFormat.toLatin1());
    for (const int numberFormat : {14, 0, 14, customFormatId, 20, 31})
        globals.record(0x00E0, Bytes().put(quint16(0)).put(quint16(numberFormat)));
    // A BOUNDSHEET record takes 4 + 9 bytes: the first sheet starts after them and the EOF.
    const quint32 offset = quint32(globals.size() + 13 * sheets.size() + 4);
    Bytes sheetStreams;
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        globals.record(0x0085, Bytes().put(offset + quint32(sheetStreams.size())).put(quint8(sheets[s].veryHidden ? 2 : sheets[s].hidden)) +
                                   QByteArray("\0\x01\0S", 4));
        sheetStreams.record(0x0809, Bytes().put(quint16(0x0600)).put(quint16(0x0010)));
        for (qsizetype r = 0; r < sheets[s].rows.size(); ++r) {
            const Row& row = sheets[s].rows[r];
            for (const quint16 c : {0, 1})
                sheetStreams.record(0x0203, Bytes().put(quint16(r)).put(c).put(quint16(c ? row.format + 1 : 1))
                                                .put(std::bit_cast<quint64>(c ? row.amount : row.account)));
        }
        sheetStreams.record(0x000A, {});
    }
    globals.record(0x000A, {});
    const QByteArray stream = globals + sheetStreams;

    GsfOutput* file = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!file)
        return false;
    GsfOutfile* compound = gsf_outfile_msole_new(file);
    GsfOutput* workbook = gsf_outfile_new_child(compound, "Workbook", FALSE);
    const bool written =
        gsf_output_write(workbook, size_t(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
    // Closing the compound file closes the file under it.
    const bool closed = gsf_output_close(workbook) && gsf_output_close(GSF_OUTPUT(compound));
    g_object_unref(workbook);
    g_object_unref(compound);
    g_object_unref(file);
    return written && closed;
}
