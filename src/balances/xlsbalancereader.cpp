// The .xls balances reader: column A (account) and column B (amount) of the active worksheet of a
// binary (BIFF8) workbook, from row 1 down to the first row whose column A is empty. The compound
// file is opened with libgsf; its "Workbook" stream is read here record by record, every length
// checked against what the stream holds. A formula cell reads as the result its workbook stored.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include "balancefilereader.h"
#include "balancefilereader_p.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QtEndian>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

using namespace BalanceFileReader::detail;

namespace {

// Record types of the workbook stream that the reader uses.
enum Record : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kFilePass = 0x002F,
    kBoundSheet = 0x0085,
    kWindow1 = 0x003D,
    kDateMode = 0x0022,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kLabelSst = 0x00FD,
    kLabel = 0x0204,
    kRString = 0x00D6,
    kBoolErr = 0x0205,
    kFormula = 0x0006,
    kString = 0x0207,
};
constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kWorksheetBof = 0x0010;
// Far beyond any balances workbook; a larger stream is refused before it is read into memory.
constexpr gsf_off_t kMaxStreamSize = gsf_off_t(256) << 20;

struct GObjectUnref
{
    void operator()(void* object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// The description of a read that found the stream not to be what its records claim.
struct Damaged
{
};

// Little-endian numbers from a checked range of bytes.
class Bytes
{
public:
    Bytes() = default;
    Bytes(const char* data, qsizetype size) : m_data(data), m_size(size) {}
    qsizetype size() const { return m_size; }
    const char* data() const { return m_data; }
    void require(qsizetype offset, qsizetype length) const
    {
        if (offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
            throw Damaged{};
    }
    quint8 u8(qsizetype at) const
    {
        require(at, 1);
        return quint8(m_data[at]);
    }
    quint16 u16(qsizetype at) const
    {
        require(at, 2);
        return qFromLittleEndian<quint16>(m_data + at);
    }
    quint32 u32(qsizetype at) const
    {
        require(at, 4);
        return qFromLittleEndian<quint32>(m_data + at);
    }
    double f64(qsizetype at) const
    {
        require(at, 8);
        const quint64 bits = qFromLittleEndian<quint64>(m_data + at);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    Bytes mid(qsizetype at, qsizetype length) const
    {
        require(at, length);
        return {m_data + at, length};
    }

private:
    const char* m_data = nullptr;
    qsizetype m_size = 0;
};

struct RecordAt
{
    quint16 type = 0;
    Bytes data;
    qsizetype next = 0; // offset of the following record
};

RecordAt recordAt(const Bytes& stream, qsizetype offset)
{
    const quint16 type = stream.u16(offset);
    const quint16 length = stream.u16(offset + 2);
    return {type, stream.mid(offset + 4, length), offset + 4 + length};
}

// Characters of a string whose bytes are one per character (compressed) or two.
QString characters(const Bytes& bytes, qsizetype at, qsizetype count, bool twoBytes)
{
    if (!twoBytes) {
        const Bytes chars = bytes.mid(at, count);
        return QString::fromLatin1(chars.data(), count);
    }
    const Bytes chars = bytes.mid(at, count * 2);
    QString text(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(chars.data() + 2 * i));
    return text;
}

// A string within one record: 16-bit character count, option flags, characters.
QString recordString(const Bytes& data, qsizetype at)
{
    const quint16 count = data.u16(at);
    const quint8 flags = data.u8(at + 2);
    qsizetype start = at + 3;
    if (flags & 0x08) // rich text: run count first
        start += 2;
    if (flags & 0x04) // phonetic data: its size first
        start += 4;
    return characters(data, start, count, flags & 0x01);
}

// The shared string table: the SST record and the CONTINUE records after it. A string's
// characters may go on in the next record, which then starts with a new option byte.
class SharedStringReader
{
public:
    explicit SharedStringReader(QList<Bytes> parts) : m_parts(std::move(parts)) {}

    QStringList read()
    {
        skip(4); // total references
        const quint32 unique = u32();
        QStringList strings;
        for (quint32 i = 0; i < unique; ++i) {
            if (atEnd())
                break; // fewer than announced: the rest are not there to be named
            strings.append(nextString());
        }
        return strings;
    }

private:
    bool atEnd()
    {
        while (m_part < m_parts.size() && m_pos >= m_parts[m_part].size()) {
            ++m_part;
            m_pos = 0;
        }
        return m_part >= m_parts.size();
    }
    quint8 u8()
    {
        if (atEnd())
            throw Damaged{};
        return m_parts[m_part].u8(m_pos++);
    }
    quint16 u16() { return quint16(u8() | (u8() << 8)); }
    quint32 u32() { return quint32(u16()) | (quint32(u16()) << 16); }
    void skip(quint64 count)
    {
        while (count > 0) {
            if (atEnd())
                throw Damaged{};
            const qsizetype step = qsizetype(qMin<quint64>(count, quint64(m_parts[m_part].size() - m_pos)));
            m_pos += step;
            count -= quint64(step);
        }
    }

    QString nextString()
    {
        const quint16 count = u16();
        quint8 flags = u8();
        quint16 runs = 0;
        quint32 phonetic = 0;
        if (flags & 0x08)
            runs = u16();
        if (flags & 0x04)
            phonetic = u32();
        QString text;
        text.reserve(count);
        while (text.size() < count) {
            if (atEnd())
                throw Damaged{};
            if (m_pos == 0 && m_part > 0) // characters go on in a CONTINUE record
                flags = m_parts[m_part].u8(m_pos++);
            const bool twoBytes = flags & 0x01;
            const qsizetype room = (m_parts[m_part].size() - m_pos) / (twoBytes ? 2 : 1);
            const qsizetype take = qMin<qsizetype>(room, count - text.size());
            if (take <= 0) // a lone odd byte before the record's end
                throw Damaged{};
            text += characters(m_parts[m_part], m_pos, take, twoBytes);
            m_pos += take * (twoBytes ? 2 : 1);
        }
        skip(quint64(runs) * 4 + phonetic);
        return text;
    }

    QList<Bytes> m_parts;
    qsizetype m_part = 0;
    qsizetype m_pos = 0;
};

// A number as stored in an RK value: a 30-bit integer or the top of a double, maybe times 100.
double rkValue(quint32 rk)
{
    double value;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    default: return QStringLiteral("#N/A");
    }
}

class XlsWorkbook
{
public:
    explicit XlsWorkbook(const QString& path) : m_path(path) {}

    BalanceRows rows()
    {
        const QByteArray stream = workbookStream();
        try {
            return readStream(Bytes(stream.constData(), stream.size()));
        } catch (const Damaged&) {
            failDamaged();
        }
    }

private:
    [[noreturn]] void failDamaged() const
    {
        fail(QStringLiteral("The workbook %1 cannot be read: it is damaged or password-protected.")
                 .arg(quotedPath(m_path)));
    }

    QByteArray workbookStream() const
    {
        // A damaged compound file makes libgsf warn on the terminal; the refusal says it instead.
        static const bool quiet = [] {
            for (const char* domain : {"libgsf", "libgsf:msole"})
                g_log_set_handler(domain,
                                  GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                                  [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
            return true;
        }();
        Q_UNUSED(quiet);
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("The file %1 cannot be opened: %2.").arg(quotedPath(m_path), file.errorString()));
        const QByteArray start = file.read(8);
        file.close();
        if (start.startsWith("PK\x03\x04"))
            fail(QStringLiteral("The file %1 is an Excel workbook (.xlsx) with the .xls extension. Rename it "
                                "to end in .xlsx and import it again.")
                     .arg(quotedPath(m_path)));
        if (start != QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
            fail(QStringLiteral("The file %1 is not an Excel 97-2003 workbook (.xls) or it is damaged.")
                     .arg(quotedPath(m_path)));

        GError* error = nullptr;
        GObjectPtr<GsfInput> input(gsf_input_stdio_new(QFile::encodeName(m_path).constData(), &error));
        g_clear_error(&error);
        GObjectPtr<GsfInfile> compound(input ? gsf_infile_msole_new(input.get(), &error) : nullptr);
        g_clear_error(&error);
        if (!compound)
            failDamaged();
        GObjectPtr<GsfInput> workbook(gsf_infile_child_by_name(compound.get(), "Workbook"));
        if (!workbook) {
            GObjectPtr<GsfInput> older(gsf_infile_child_by_name(compound.get(), "Book"));
            if (older)
                fail(QStringLiteral("The workbook %1 is in the Excel 5.0/95 format. Save it as an Excel 97-2003 "
                                    "workbook (.xls) or an Excel workbook (.xlsx) and import it again.")
                         .arg(quotedPath(m_path)));
            failDamaged();
        }
        const gsf_off_t size = gsf_input_size(workbook.get());
        if (size < 0 || size > kMaxStreamSize)
            failDamaged();
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        if (size > 0 && !gsf_input_read(workbook.get(), size_t(size), reinterpret_cast<guint8*>(bytes.data())))
            failDamaged();
        return bytes;
    }

    BalanceRows readStream(const Bytes& stream)
    {
        RecordAt bof = recordAt(stream, 0);
        if (bof.type != kBof || bof.data.u16(0) != kBiff8)
            fail(QStringLiteral("The workbook %1 is in an older Excel format. Save it as an Excel 97-2003 "
                                "workbook (.xls) or an Excel workbook (.xlsx) and import it again.")
                     .arg(quotedPath(m_path)));

        // The workbook globals: protection, the sheet list, the window's active tab, the date
        // system, the cell formats and the shared strings.
        struct Sheet
        {
            quint32 offset;
            bool visible;
            bool worksheet;
        };
        QList<Sheet> sheets;
        std::optional<quint16> activeTab;
        QHash<quint16, QString> formatCodes;
        QList<quint16> cellFormats; // each cell format's number format, by the cells' format index
        QStringList strings;
        qsizetype offset = bof.next;
        for (;;) {
            const RecordAt record = recordAt(stream, offset);
            offset = record.next;
            if (record.type == kEof)
                break;
            if (record.type == kFilePass)
                fail(QStringLiteral("The workbook %1 is password-protected. Remove the password, save it and "
                                    "import it again.")
                         .arg(quotedPath(m_path)));
            if (record.type == kBoundSheet)
                sheets.append({record.data.u32(0), (record.data.u8(4) & 0x03) == 0, record.data.u8(5) == 0});
            if (record.type == kWindow1 && !activeTab) // the first window is the one the workbook opens in
                activeTab = record.data.u16(10);
            if (record.type == kDateMode)
                m_date1904 = record.data.u16(0) == 1;
            if (record.type == kFormat)
                formatCodes.insert(record.data.u16(0), recordString(record.data, 2));
            if (record.type == kXf)
                cellFormats.append(record.data.u16(2));
            if (record.type == kSst) {
                QList<Bytes> parts{record.data};
                while (offset + 4 <= stream.size() && stream.u16(offset) == kContinue) {
                    const RecordAt more = recordAt(stream, offset);
                    parts.append(more.data);
                    offset = more.next;
                }
                strings = SharedStringReader(parts).read();
            }
        }
        for (const quint16 format : std::as_const(cellFormats)) {
            const auto code = formatCodes.constFind(format);
            m_cellFormats.append(
                numberFormat(format, code == formatCodes.cend() ? std::nullopt : std::optional<QString>(*code)));
        }

        // The active tab when it is a visible worksheet; else the first visible worksheet. A
        // hidden sheet is never read.
        std::optional<quint32> sheetOffset;
        const qsizetype active = activeTab.value_or(0);
        if (active < sheets.size() && sheets.at(active).worksheet && sheets.at(active).visible)
            sheetOffset = sheets.at(active).offset;
        bool hiddenOnly = false;
        for (const Sheet& sheet : std::as_const(sheets)) {
            if (!sheetOffset && sheet.worksheet && sheet.visible)
                sheetOffset = sheet.offset;
            hiddenOnly = hiddenOnly || sheet.worksheet;
        }
        if (!sheetOffset && hiddenOnly)
            failHiddenOnly(m_path);
        if (!sheetOffset)
            fail(QStringLiteral("The workbook %1 has no worksheet.").arg(quotedPath(m_path)));
        return readSheet(stream, qsizetype(*sheetOffset), strings);
    }

    // The text of a number cell: a date or a time when its format shows one, else the number.
    QString numberCell(quint16 format, double value) const
    {
        if (format < m_cellFormats.size() && m_cellFormats.at(format).kind != NumberFormat::Number)
            return serialDateText(value, m_date1904, m_cellFormats.at(format));
        return BalanceFileReader::numberText(value);
    }

    BalanceRows readSheet(const Bytes& stream, qsizetype offset, const QStringList& strings)
    {
        const RecordAt bof = recordAt(stream, offset);
        if (bof.type != kBof || bof.data.u16(2) != kWorksheetBof)
            throw Damaged{};
        // Columns A and B by row; a formula's text result follows it in a STRING record.
        QMap<quint16, std::array<QString, 2>> cells;
        // The cell whose formula result is the text of the next STRING record.
        struct PendingCell { quint16 row = 0; quint16 column = 0; bool waiting = false; } pendingString;
        const auto put = [&](quint16 row, quint16 column, QString text) {
            if (column < 2)
                cells[row][column] = std::move(text);
        };
        const auto sharedString = [&](quint32 index) {
            if (index >= quint32(strings.size()))
                throw Damaged{};
            return strings.at(qsizetype(index));
        };
        offset = bof.next;
        for (;;) {
            const RecordAt record = recordAt(stream, offset);
            offset = record.next;
            const Bytes& d = record.data;
            switch (record.type) {
            case kEof:
                return rowsFrom(cells);
            case kNumber: put(d.u16(0), d.u16(2), numberCell(d.u16(4), d.f64(6))); break;
            case kRk: put(d.u16(0), d.u16(2), numberCell(d.u16(4), rkValue(d.u32(6)))); break;
            case kMulRk: {
                const quint16 row = d.u16(0);
                const quint16 first = d.u16(2);
                const qsizetype count = (d.size() - 6) / 6;
                for (qsizetype i = 0; i < count && first + i < 2; ++i)
                    put(row, quint16(first + i), numberCell(d.u16(4 + 6 * i), rkValue(d.u32(4 + 6 * i + 2))));
                break;
            }
            case kLabelSst: put(d.u16(0), d.u16(2), sharedString(d.u32(6))); break;
            case kLabel:
            case kRString: put(d.u16(0), d.u16(2), recordString(d, 6)); break;
            case kBoolErr:
                put(d.u16(0), d.u16(2),
                    d.u8(7) ? errorText(d.u8(6)) : (d.u8(6) ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
                break;
            case kFormula: {
                const quint16 row = d.u16(0);
                const quint16 column = d.u16(2);
                if (d.u16(12) != 0xFFFF) {
                    put(row, column, numberCell(d.u16(4), d.f64(6)));
                    break;
                }
                switch (d.u8(6)) {
                case 0: pendingString = PendingCell{row, column, true}; break; // the text comes next
                case 1: put(row, column, d.u8(8) ? QStringLiteral("TRUE") : QStringLiteral("FALSE")); break;
                case 2: put(row, column, errorText(d.u8(8))); break;
                default: put(row, column, QString()); break;
                }
                break;
            }
            case kString:
                if (pendingString.waiting)
                    put(pendingString.row, pendingString.column, recordString(d, 0));
                pendingString = {};
                break;
            default:
                break;
            }
        }
    }

    static BalanceRows rowsFrom(const QMap<quint16, std::array<QString, 2>>& cells)
    {
        WorksheetRows sheet;
        for (auto cell = cells.cbegin(); cell != cells.cend(); ++cell)
            if (!sheet.take(qint64(cell.key()) + 1, cell->at(0), cell->at(1)))
                break;
        return std::move(sheet).rows();
    }

    QString m_path;
    bool m_date1904 = false;
    QList<NumberFormat> m_cellFormats; // by the cells' format index
};

} // namespace

BalanceRows BalanceFileReader::readXls(const QString& path)
{
    requireReadableFile(path);
    return XlsWorkbook(path).rows();
}
