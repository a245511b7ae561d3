#include "samename.h"

#include <QList>

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace SameName {

namespace {

bool isInvisible(char32_t c)
{
    return QChar::category(c) == QChar::Other_Format;
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
    const auto invisible = [](QChar c) { return c.isSpace() || isInvisible(c.unicode()); };
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && invisible(typed.at(begin)))
        ++begin;
    while (end > begin && invisible(typed.at(end - 1)))
        --end;
    return typed.mid(begin, end - begin);
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
