#include "testworkbook.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <cstring>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

constexpr int kCustomFormatId = 164; // the first id a workbook gives its own formats

// ---- .xlsx

QByteArray xml(const QString& text)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") + text.toUtf8();
}

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

// ---- .xls (BIFF8 records in a compound file's "Workbook" stream)

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void putDouble(QByteArray& out, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[8];
    qToLittleEndian(bits, bytes);
    out.append(bytes, 8);
}

void record(QByteArray& out, quint16 type, const QByteArray& data)
{
    put16(out, type);
    put16(out, quint16(data.size()));
    out += data;
}

QByteArray bof(quint16 kind)
{
    QByteArray d;
    put16(d, 0x0600); // BIFF8
    put16(d, kind);
    put16(d, 0x0DBB);
    put16(d, 0x07CC);
    put32(d, 0);
    put32(d, 0x0006);
    return d;
}

} // namespace

bool TestWorkbook::writeXlsx(const QString& path) const
{
    QString sheetList, rels;
    QList<std::pair<QString, QByteArray>> parts;
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        const QString n = QString::number(s + 1);
        sheetList += QStringLiteral("<sheet name=\"Sheet%1\" sheetId=\"%1\"%2 r:id=\"rId%1\"/>")
                         .arg(n, sheets[s].hidden ? QStringLiteral(" state=\"hidden\"") : QString());
        rels += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                               "2006/relationships/worksheet\" Target=\"worksheets/sheet%1.xml\"/>")
                    .arg(n);
        QString data;
        for (qsizetype r = 0; r < sheets[s].rows.size(); ++r) {
            const Row& row = sheets[s].rows[r];
            data += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\" s=\"%3\"><v>%4</v></c></row>")
                        .arg(r + 1)
                        .arg(number(row.account))
                        .arg(int(row.format))
                        .arg(number(row.amount));
        }
        parts.append({QStringLiteral("xl/worksheets/sheet%1.xml").arg(n),
                      xml(QStringLiteral("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                                         "main\"><sheetData>%1</sheetData></worksheet>")
                              .arg(data))});
    }
    rels += QStringLiteral("<Relationship Id=\"rIdStyles\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                           "2006/relationships/styles\" Target=\"styles.xml\"/>");
    parts.append({QStringLiteral("xl/workbook.xml"),
                  xml(QStringLiteral("<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                     "<workbookPr date1904=\"%1\"/><bookViews><workbookView activeTab=\"%2\"/>"
                                     "</bookViews><sheets>%3</sheets></workbook>")
                          .arg(date1904 ? 1 : 0)
                          .arg(activeTab)
                          .arg(sheetList))});
    parts.append({QStringLiteral("xl/_rels/workbook.xml.rels"),
                  xml(QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                     "relationships\">%1</Relationships>")
                          .arg(rels))});
    // The style formats come first and show dates: only the cell formats count.
    parts.append({QStringLiteral("xl/styles.xml"),
                  xml(QStringLiteral("<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                     "<numFmts count=\"1\"><numFmt numFmtId=\"%1\" formatCode=\"%2\"/></numFmts>"
                                     "<cellStyleXfs count=\"3\"><xf numFmtId=\"14\"/><xf numFmtId=\"14\"/>"
                                     "<xf numFmtId=\"14\"/></cellStyleXfs><cellXfs count=\"3\"><xf numFmtId=\"0\"/>"
                                     "<xf numFmtId=\"14\" applyNumberFormat=\"1\"/><xf numFmtId=\"%1\" "
                                     "applyNumberFormat=\"1\"/></cellXfs></styleSheet>")
                          .arg(kCustomFormatId)
                          .arg(customFormat.toHtmlEscaped()))});

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto& [name, content] : std::as_const(parts)) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) || file.write(content) != content.size())
            return false;
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

bool TestWorkbook::writeXls(const QString& path) const
{
    // The sheets' streams first, so that the globals can name where each one starts.
    QList<QByteArray> sheetStreams;
    for (const Sheet& sheet : sheets) {
        QByteArray s;
        record(s, 0x0809, bof(0x0010));
        for (qsizetype r = 0; r < sheet.rows.size(); ++r) {
            const Row& row = sheet.rows[r];
            for (quint16 column : {0, 1}) {
                QByteArray cell;
                put16(cell, quint16(r));
                put16(cell, column);
                // The cell format's place among all formats, after the one style format.
                put16(cell, column == 0 ? 1 : quint16(row.format) + 1);
                putDouble(cell, column == 0 ? row.account : row.amount);
                record(s, 0x0203, cell); // NUMBER
            }
        }
        record(s, 0x000A, {});
        sheetStreams.append(s);
    }

    const auto globals = [&](const QList<quint32>& offsets) {
        QByteArray g;
        record(g, 0x0809, bof(0x0005));
        QByteArray window(18, '\0');
        qToLittleEndian(quint16(activeTab), window.data() + 10); // the current tab
        record(g, 0x003D, window);                             // WINDOW1
        QByteArray dateMode;
        put16(dateMode, date1904 ? 1 : 0);
        record(g, 0x0022, dateMode);
        QByteArray format;
        put16(format, kCustomFormatId);
        put16(format, quint16(customFormat.size()));
        format.append('\0'); // one byte a character
        format += customFormat.toLatin1();
        record(g, 0x041E, format);
        // A style format that shows dates, then the three cell formats the cells name by index.
        for (const quint16 numberFormat : {quint16(14), quint16(0), quint16(14), quint16(kCustomFormatId)}) {
            QByteArray xf(20, '\0');
            qToLittleEndian(numberFormat, xf.data() + 2);
            record(g, 0x00E0, xf);
        }
        for (qsizetype s = 0; s < sheets.size(); ++s) {
            QByteArray bound;
            put32(bound, offsets.value(s));
            bound.append(char(sheets[s].hidden ? 1 : 0));
            bound.append('\0'); // a worksheet
            const QByteArray name = "Sheet" + QByteArray::number(s + 1);
            bound.append(char(name.size()));
            bound.append('\0');
            bound += name;
            record(g, 0x0085, bound);
        }
        record(g, 0x000A, {});
        return g;
    };
    QList<quint32> offsets;
    quint32 at = quint32(globals(QList<quint32>(sheets.size(), 0)).size());
    for (const QByteArray& s : std::as_const(sheetStreams)) {
        offsets.append(at);
        at += quint32(s.size());
    }
    QByteArray stream = globals(offsets);
    for (const QByteArray& s : std::as_const(sheetStreams))
        stream += s;

    GError* error = nullptr;
    GsfOutput* output = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
    g_clear_error(&error);
    if (!output)
        return false;
    GsfOutfile* compound = gsf_outfile_msole_new(output);
    GsfOutput* workbook = gsf_outfile_new_child(compound, "Workbook", FALSE);
    const bool written = gsf_output_write(workbook, size_t(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
    // Closing the compound file closes the file under it.
    const bool closed = gsf_output_close(workbook) && gsf_output_close(GSF_OUTPUT(compound));
    g_object_unref(workbook);
    g_object_unref(compound);
    g_object_unref(output);
    return written && closed;
}
