#include "reportrecordset.h"

#include "reporterror.h"

namespace {

const QString kShapeSource = QStringLiteral("ReportRecordSet.fromShape");

// Reads a SHAPE APPEND declaration. The grammar, keywords without regard to case:
//   shape   := SHAPE APPEND element { "," element } [","]
//   element := NEW type AS name
//            | "(" "(" shape ")" clauses ")" clauses      (a chapter)
//   clauses := { AS name | RELATE field TO field }
//   type    := name [ "(" number ")" ]
class ShapeReader
{
public:
    explicit ShapeReader(const QString& text) : m_text(text) { tokenize(); }

    void readInto(ReportRecordSet& records)
    {
        readShape(records);
        if (m_pos < m_tokens.size())
            fail(QStringLiteral("unexpected \"%1\"").arg(m_tokens[m_pos]));
    }

private:
    void tokenize()
    {
        qsizetype i = 0;
        while (i < m_text.size()) {
            const QChar c = m_text[i];
            if (c.isSpace()) {
                ++i;
            } else if (c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char(',')) {
                m_tokens << QString(c);
                ++i;
            } else if (c == QLatin1Char('[')) { // [Name] quoting
                const qsizetype end = m_text.indexOf(QLatin1Char(']'), i);
                if (end < 0)
                    fail(QStringLiteral("an unclosed \"[\""));
                m_tokens << m_text.mid(i + 1, end - i - 1);
                i = end + 1;
            } else if (c.isLetterOrNumber() || c == QLatin1Char('_')) {
                const qsizetype start = i;
                while (i < m_text.size() && (m_text[i].isLetterOrNumber() || m_text[i] == QLatin1Char('_')))
                    ++i;
                m_tokens << m_text.mid(start, i - start);
            } else {
                fail(QStringLiteral("the character \"%1\"").arg(c));
            }
        }
    }

    [[noreturn]] void fail(const QString& what) const
    {
        throw reportError(kShapeSource,
                          QStringLiteral("The report's record set declaration cannot be read: %1.").arg(what));
    }

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    QString peek() const { return atEnd() ? QString() : m_tokens[m_pos]; }
    bool peekIs(const QString& word) const { return !atEnd() && m_tokens[m_pos].compare(word, Qt::CaseInsensitive) == 0; }
    QString next()
    {
        if (atEnd())
            fail(QStringLiteral("the text ends too early"));
        return m_tokens[m_pos++];
    }
    void expect(const QString& word)
    {
        const QString got = next();
        if (got.compare(word, Qt::CaseInsensitive) != 0)
            fail(QStringLiteral("\"%1\" where \"%2\" belongs").arg(got, word));
    }
    QString name()
    {
        const QString got = next();
        if (got == QLatin1String("(") || got == QLatin1String(")") || got == QLatin1String(","))
            fail(QStringLiteral("\"%1\" where a name belongs").arg(got));
        return got;
    }

    void readShape(ReportRecordSet& records)
    {
        expect(QStringLiteral("SHAPE"));
        expect(QStringLiteral("APPEND"));
        readElement(records);
        while (peek() == QLatin1String(",")) {
            ++m_pos;
            if (atEnd() || peek() == QLatin1String(")"))
                break; // a list may end with a comma
            readElement(records);
        }
    }

    void readElement(ReportRecordSet& records)
    {
        if (peekIs(QStringLiteral("NEW"))) {
            ++m_pos;
            const QString type = name();
            int size = 0;
            if (peek() == QLatin1String("(")) {
                ++m_pos;
                bool ok = false;
                size = next().toInt(&ok);
                if (!ok || size < 0)
                    fail(QStringLiteral("a field width that is no number"));
                expect(QStringLiteral(")"));
            }
            expect(QStringLiteral("AS"));
            const QString field = name();
            if (records.hasField(field))
                fail(QStringLiteral("the field \"%1\" declared twice").arg(field));
            records.addField(field, type, size);
            return;
        }
        expect(QStringLiteral("("));
        expect(QStringLiteral("("));
        auto child = std::make_unique<ReportRecordSet>();
        readShape(*child);
        expect(QStringLiteral(")"));
        QString chapter, parentField, childField;
        readClauses(chapter, parentField, childField);
        expect(QStringLiteral(")"));
        readClauses(chapter, parentField, childField);
        if (chapter.isEmpty())
            fail(QStringLiteral("a chapter without a name"));
        if (parentField.isEmpty())
            fail(QStringLiteral("the chapter \"%1\" without RELATE").arg(chapter));
        if (!records.hasField(parentField))
            fail(QStringLiteral("the chapter \"%1\" relates the unknown field \"%2\"").arg(chapter, parentField));
        if (!child->hasField(childField))
            fail(QStringLiteral("the chapter \"%1\" relates to its unknown field \"%2\"").arg(chapter, childField));
        if (records.findChapter(chapter))
            fail(QStringLiteral("the chapter \"%1\" declared twice").arg(chapter));
        records.addChapter(chapter, parentField, childField, std::move(child));
    }

    void readClauses(QString& chapter, QString& parentField, QString& childField)
    {
        for (;;) {
            if (peekIs(QStringLiteral("AS"))) {
                ++m_pos;
                if (!chapter.isEmpty())
                    fail(QStringLiteral("a chapter named twice"));
                chapter = name();
            } else if (peekIs(QStringLiteral("RELATE"))) {
                ++m_pos;
                if (!parentField.isEmpty())
                    fail(QStringLiteral("a chapter related twice"));
                parentField = name();
                expect(QStringLiteral("TO"));
                childField = name();
            } else {
                return;
            }
        }
    }

    const QString& m_text;
    QStringList m_tokens;
    qsizetype m_pos = 0;
};

} // namespace

std::shared_ptr<ReportRecordSet> ReportRecordSet::fromShape(const QString& command)
{
    auto records = std::make_shared<ReportRecordSet>();
    ShapeReader(command).readInto(*records);
    return records;
}

void ReportRecordSet::addField(const QString& name, const QString& type, int size)
{
    const QString key = name.toLower();
    if (m_fieldIndex.contains(key))
        throw reportError(QStringLiteral("ReportRecordSet.addField"),
                          QStringLiteral("The report field \"%1\" is declared twice.").arg(name));
    m_fieldIndex.insert(key, static_cast<int>(m_fields.size()));
    m_fields.push_back({name, type, size});
    for (QVariantList& row : m_rows)
        row.append(QVariant());
}

ReportRecordSet& ReportRecordSet::addChapter(const QString& name, const QString& parentField,
                                             const QString& childField, std::unique_ptr<ReportRecordSet> records)
{
    const int parent = fieldIndex(parentField);
    if (parent < 0)
        throw reportError(QStringLiteral("ReportRecordSet.addChapter"),
                          QStringLiteral("The chapter \"%1\" relates the unknown field \"%2\".").arg(name, parentField));
    if (chapterEntry(name))
        throw reportError(QStringLiteral("ReportRecordSet.addChapter"),
                          QStringLiteral("The chapter \"%1\" is declared twice.").arg(name));
    if (!records)
        records = std::make_unique<ReportRecordSet>();
    m_chapters.push_back({name, parent, childField, std::move(records)});
    return *m_chapters.back().records;
}

int ReportRecordSet::fieldIndex(const QString& name) const
{
    return m_fieldIndex.value(name.toLower(), -1);
}

void ReportRecordSet::addNew(const QStringList& names, const QVariantList& values)
{
    if (names.size() != values.size())
        throw reportError(QStringLiteral("ReportRecordSet.addNew"),
                          QStringLiteral("A report row was given %1 field names and %2 values.")
                              .arg(names.size())
                              .arg(values.size()));
    QVariantList row(static_cast<qsizetype>(m_fields.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const int f = fieldIndex(names[i]);
        if (f < 0)
            throw reportError(QStringLiteral("ReportRecordSet.addNew"),
                              QStringLiteral("The report has no field \"%1\".").arg(names[i]));
        row[f] = values[i];
    }
    m_rows.push_back(std::move(row));
    m_index.clear();
}

QVariant ReportRecordSet::value(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= static_cast<int>(m_fields.size()))
        return {};
    return m_rows[row][field];
}

QVariant ReportRecordSet::value(int row, const QString& field) const
{
    const int f = fieldIndex(field);
    if (f < 0)
        throw reportError(QStringLiteral("ReportRecordSet.value"),
                          QStringLiteral("The report has no field \"%1\".").arg(field));
    return value(row, f);
}

QStringList ReportRecordSet::chapterNames() const
{
    QStringList names;
    for (const Chapter& c : m_chapters)
        names << c.name;
    return names;
}

const ReportRecordSet::Chapter* ReportRecordSet::chapterEntry(const QString& name) const
{
    for (const Chapter& c : m_chapters)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const ReportRecordSet* ReportRecordSet::findChapter(const QString& name) const
{
    const Chapter* c = chapterEntry(name);
    return c ? c->records.get() : nullptr;
}

const ReportRecordSet& ReportRecordSet::chapter(const QString& name) const
{
    const ReportRecordSet* found = findChapter(name);
    if (!found)
        throw reportError(QStringLiteral("ReportRecordSet.chapter"),
                          QStringLiteral("The report has no chapter \"%1\".").arg(name));
    return *found;
}

ReportRecordSet& ReportRecordSet::chapter(const QString& name)
{
    return const_cast<ReportRecordSet&>(std::as_const(*this).chapter(name));
}

const QHash<QString, QList<int>>& ReportRecordSet::rowsByValue(int field) const
{
    auto it = m_index.find(field);
    if (it == m_index.end()) {
        QHash<QString, QList<int>> byValue;
        for (int r = 0; r < rowCount(); ++r)
            byValue[m_rows[r][field].toString()].append(r);
        it = m_index.insert(field, byValue);
    }
    return *it;
}

QList<int> ReportRecordSet::childRows(int row, const QString& chapter) const
{
    const Chapter* c = chapterEntry(chapter);
    if (!c)
        throw reportError(QStringLiteral("ReportRecordSet.childRows"),
                          QStringLiteral("The report has no chapter \"%1\".").arg(chapter));
    const int childField = c->records->fieldIndex(c->childField);
    if (childField < 0)
        throw reportError(QStringLiteral("ReportRecordSet.childRows"),
                          QStringLiteral("The chapter \"%1\" relates to its unknown field \"%2\".")
                              .arg(c->name, c->childField));
    const QString key = value(row, c->parentField).toString();
    return c->records->rowsByValue(childField).value(key);
}
