#pragma once

#include <QString>
#include <QVariant>

// The order of stored values as the file's NOCASE collation gives it, in one place: the
// engine's results, their refreshes and the ledger's balances all compare names this way.
namespace engine {

// Latin capitals folded to small letters, every other character as it is: the fold of NOCASE.
inline char16_t foldLatin(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
}

// A name as NOCASE sees it, for keys of a hash: two names equal under NOCASE give equal keys.
inline QString foldedName(const QString& name)
{
    QString key = name;
    for (QChar& c : key)
        c = QChar(foldLatin(c.unicode()));
    return key;
}

inline bool isNumber(const QVariant& value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double;
}

// Texts compared unit by unit under the fold.
inline int compareNoCase(const QString& a, const QString& b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = foldLatin(a[i].unicode()), y = foldLatin(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Null first, then numbers, then texts (letter case ignored, as the file's names are).
inline int compareValues(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    const bool numberA = isNumber(a), numberB = isNumber(b);
    if (numberA && numberB) {
        if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
            return a.toLongLong() < b.toLongLong() ? -1 : a.toLongLong() > b.toLongLong() ? 1 : 0;
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (numberA != numberB)
        return numberA ? -1 : 1;
    return compareNoCase(a.toString(), b.toString());
}

// A UTF-16 unit placed where its code point sorts: the surrogates of the supplementary planes
// above U+E000..U+FFFF, as UTF-8's bytes order them.
inline char16_t inCodePointOrder(char16_t unit)
{
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return char16_t(unit + 0x2000);
    if (unit >= 0xE000)
        return char16_t(unit - 0x800);
    return unit;
}

// Two stored values in the order SQLite gives them under NOCASE: Null, then numbers, then
// texts by their UTF-8 bytes with Latin letters folded to lower case.
inline int compareStored(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    const bool numberA = isNumber(a), numberB = isNumber(b);
    if (numberA || numberB) {
        if (numberA != numberB)
            return numberA ? -1 : 1;
        return compareValues(a, b);
    }
    const QString x = a.toString(), y = b.toString();
    const qsizetype n = qMin(x.size(), y.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t p = x[i].unicode(), q = y[i].unicode();
        if (p == q)
            continue;
        const char16_t fp = foldLatin(p), fq = foldLatin(q);
        if (fp != fq)
            return inCodePointOrder(fp) < inCodePointOrder(fq) ? -1 : 1;
    }
    return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
}

} // namespace engine
