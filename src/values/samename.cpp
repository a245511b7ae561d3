#include "samename.h"

#include <QList>

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace SameName {

namespace {

// Characters that take no room: format characters (a zero-width space), those Unicode leaves
// out of sight by default (the Hangul fillers, the grapheme joiner), and the blank braille cell.
bool isInvisible(char32_t c)
{
    return QChar::category(c) == QChar::Other_Format || c == 0x2800 ||
           u_hasBinaryProperty(UChar32(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

bool isBlankOrInvisible(char32_t c)
{
    return QChar::isSpace(c) || isInvisible(c);
}

// Full case folding, which Qt lacks: its own folds one character to one, leaving "ß" as it is.
QString folded(const QString& text)
{
    QString out(text.size() + 8, Qt::Uninitialized);
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t size = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                                           reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()),
                                           U_FOLD_CASE_DEFAULT, &status);
        if (U_SUCCESS(status)) {
            out.truncate(size);
            return out;
        }
        out.resize(size); // too small: the size needed is known now
    }
    return text.toCaseFolded();
}

} // namespace

QString caseless(const QString& text)
{
    // Plain ASCII folds in one step; long lists compare thousands of such numbers.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toCaseFolded();
    QString visible;
    visible.reserve(text.size());
    for (const char32_t c : text.normalized(QString::NormalizationForm_C).toUcs4())
        if (!isInvisible(c))
            visible.append(QStringView(QChar::fromUcs4(c)));
    // Folding may leave a letter and an accent apart that compose ("İ" folds to "i" and a dot).
    return folded(visible).normalized(QString::NormalizationForm_C);
}

QString userKey(const QString& name)
{
    return caseless(name).trimmed();
}

bool sameUser(const QString& a, const QString& b)
{
    return userKey(a) == userKey(b);
}

QString userName(const QString& typed)
{
    // Whole characters: one outside the 16-bit range is two UTF-16 units, trimmed together.
    const QList<uint> chars = typed.toUcs4();
    qsizetype begin = 0;
    qsizetype end = chars.size();
    while (begin < end && isBlankOrInvisible(chars.at(begin)))
        ++begin;
    while (end > begin && isBlankOrInvisible(chars.at(end - 1)))
        --end;
    if (begin == 0 && end == chars.size())
        return typed;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData() + begin), end - begin);
}

bool hasControl(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

QString accountKey(const QString& number)
{
    return caseless(number);
}

bool sameAccount(const QString& a, const QString& b)
{
    return accountKey(a) == accountKey(b);
}

qsizetype length(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C).toUcs4().size();
}

} // namespace SameName
