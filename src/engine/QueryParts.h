#pragma once

#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"

#include <QSet>
#include <QVariant>
#include <sqlite3.h>
#include <vector>

// What the files of Query share: stored values read, bound and compared as the file's NOCASE
// collation orders them, a row read from a statement, the rows' order, and what a closed result
// keeps for its next open.
namespace engine {

namespace queryparts {

inline const QVariant& nullValue()
{
    static const QVariant null;
    return null;
}

inline QVariant columnValue(sqlite3_stmt* stmt, int index, ColumnKind kind);

// Equal texts of one column (dates, categories, accounts) share one string.
class TextPool
{
public:
    QString take(const char* text, int bytes)
    {
        QString value = QString::fromUtf8(text, bytes);
        if (auto it = m_pool.constFind(value); it != m_pool.constEnd())
            return *it;
        if (m_pool.size() < limit)
            m_pool.insert(value);
        return value;
    }

private:
    static constexpr qsizetype limit = 4096;
    QSet<QString> m_pool;
};

inline QVariant columnValue(sqlite3_stmt* stmt, int index, ColumnKind kind, TextPool& pool)
{
    if (sqlite3_column_type(stmt, index) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
        return pool.take(text, sqlite3_column_bytes(stmt, index));
    }
    return columnValue(stmt, index, kind);
}

inline QVariant columnValue(sqlite3_stmt* stmt, int index, ColumnKind kind)
{
    switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
        if (kind == ColumnKind::Float)
            return sqlite3_column_double(stmt, index);
        return qint64(sqlite3_column_int64(stmt, index));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, index);
    case SQLITE_NULL:
        return {};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
        return QString::fromUtf8(text, sqlite3_column_bytes(stmt, index));
    }
    }
}

inline void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value)
{
    if (value.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
        sqlite3_bind_int64(stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(stmt, index, value.toDouble());
        break;
    default: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
}

inline bool isNumber(const QVariant& value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double;
}

// Texts compared as the statements' NOCASE collation does: Latin letters without regard to case.
inline int compareNoCase(const QString& a, const QString& b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
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
        char16_t p = x[i].unicode(), q = y[i].unicode();
        if (p == q)
            continue;
        if (p >= u'A' && p <= u'Z')
            p = char16_t(p + 32);
        if (q >= u'A' && q <= u'Z')
            q = char16_t(q + 32);
        if (p != q)
            return inCodePointOrder(p) < inCodePointOrder(q) ? -1 : 1;
    }
    return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
}

// Reads the visible fields and the rowid of the statement's current row.
template <typename Row, typename Columns>
Row readRow(sqlite3_stmt* stmt, const Columns& columns, std::vector<TextPool>& pools, bool hasRowid)
{
    Row row;
    const int visible = int(columns.size());
    row.values.reserve(size_t(visible));
    for (int i = 0; i < visible; ++i)
        row.values.push_back(columnValue(stmt, i, columns[size_t(i)].kind, pools[size_t(i)]));
    if (hasRowid)
        row.rowid = sqlite3_column_int64(stmt, visible);
    return row;
}

// The ORDER BY keys are the first held columns of a row whose fields are not loaded.
template <typename Row> const QVariant& orderKey(const Row& row, size_t k, int column)
{
    if (row.loaded)
        return row.values[size_t(column)];
    return k == 0 ? row.key : row.values[k - 1];
}

template <typename Row, typename Order> int compareRows(const Row& a, const Row& b, const Order& order)
{
    for (size_t k = 0; k < order.columns.size(); ++k) {
        const int column = order.columns[k];
        const int c = compareStored(orderKey(a, k, column), orderKey(b, k, column));
        if (c != 0)
            return order.descending[k] ? -c : c;
    }
    const int c = a.rowid < b.rowid ? -1 : a.rowid > b.rowid ? 1 : 0;
    return order.rowidDescending ? -c : c;
}

} // namespace queryparts

// A closed result with what is needed to bring it up to date at the next open of its statement.
struct KeptRows
{
    QString translated;
    QString table;
    std::vector<Query::Column> columns;
    std::vector<Query::Row> rows;
    std::shared_ptr<ChangeWatch> watch;
    Query::RowOrder order;
    bool lazy = false;
};

} // namespace engine
