#include "Query.h"

#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sqlite3.h>
#include <unordered_map>

namespace engine {

namespace {

using Kind = EngineError::Kind;

const QVariant& nullValue()
{
    static const QVariant null;
    return null;
}

QVariant columnValue(sqlite3_stmt* stmt, int index, ColumnKind kind);

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

QVariant columnValue(sqlite3_stmt* stmt, int index, ColumnKind kind, TextPool& pool)
{
    if (sqlite3_column_type(stmt, index) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
        return pool.take(text, sqlite3_column_bytes(stmt, index));
    }
    return columnValue(stmt, index, kind);
}

QVariant columnValue(sqlite3_stmt* stmt, int index, ColumnKind kind)
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

void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value)
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

bool isNumber(const QVariant& value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double;
}

// Texts compared as the statements' NOCASE collation does: Latin letters without regard to case.
int compareNoCase(const QString& a, const QString& b)
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
int compareValues(const QVariant& a, const QVariant& b)
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

struct Stmt
{
    sqlite3_stmt* p = nullptr;
    ~Stmt() { sqlite3_finalize(p); }
};

// A UTF-16 unit placed where its code point sorts: the surrogates of the supplementary planes
// above U+E000..U+FFFF, as UTF-8's bytes order them.
char16_t inCodePointOrder(char16_t unit)
{
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return char16_t(unit + 0x2000);
    if (unit >= 0xE000)
        return char16_t(unit - 0x800);
    return unit;
}

// Two stored values in the order SQLite gives them under NOCASE: Null, then numbers, then
// texts by their UTF-8 bytes with Latin letters folded to lower case.
int compareStored(const QVariant& a, const QVariant& b)
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

} // namespace

// A closed result with what is needed to bring it up to date at the next open of its statement.
struct Query::Kept
{
    QString translated;
    QString table;
    std::vector<Column> columns;
    std::vector<Row> rows;
    std::shared_ptr<ChangeWatch> watch;
    RowOrder order;
    bool lazy = false;
};

namespace {

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

} // namespace

QString Field::asString() const
{
    return storedToText(m_query->currentValue(m_column), m_query->column(m_column).kind);
}

qint32 Field::asInteger() const
{
    return storedToInt32(m_query->currentValue(m_column), name());
}

qint64 Field::asLargeInt() const
{
    return storedToInt64(m_query->currentValue(m_column), name());
}

double Field::asFloat() const
{
    return storedToFloat(m_query->currentValue(m_column), name());
}

bool Field::isNull() const
{
    return m_query->currentValue(m_column).isNull();
}

QString Field::name() const
{
    return m_query->column(m_column).name;
}

void Query::Finalizer::operator()(sqlite3_stmt* stmt) const
{
    sqlite3_finalize(stmt);
}

Query::Query(QObject* parent) : QObject(parent) {}

Query::~Query()
{
    if (m_connection)
        m_connection->detach(this);
}

void Query::setConnection(Connection* connection)
{
    if (connection == m_connection)
        return;
    if (m_connection) {
        close();
        m_connection->detach(this);
    }
    m_connection = connection;
    if (m_connection)
        m_connection->attach(this);
}

Connection& Query::requireConnection() const
{
    if (!m_connection)
        throw EngineError(Kind::NotOpen, QStringLiteral("查詢沒有連接到資料庫。"));
    return *m_connection;
}

void Query::setSql(const QString& statement)
{
    close();
    m_sql = statement;
}

void Query::open()
{
    close();
    Connection& connection = requireConnection();
    sqlite3* db = connection.handle();
    const Translation t = translateJet(m_sql);
    if (t.kind != Translation::Kind::Select)
        throw EngineError(Kind::Syntax, QStringLiteral("這個陳述式不傳回資料列,無法開啟。(%1)").arg(m_sql));

    const TableInfo* table = t.singleTable ? connection.findTableInfo(t.table) : nullptr;
    if (table && t.top < 0 && m_fieldsOnDemand)
        if (auto kept = std::static_pointer_cast<Kept>(connection.takeResult(m_sql)))
            if (reopenKept(*kept, t, connection))
                return;
    if (table && t.top < 0)
        connection.forgetResults(table->name);
    Stmt stmt;
    const QByteArray sql = t.sql.front().toUtf8();
    int code = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt.p, nullptr);
    if (code != SQLITE_OK)
        connection.raise(code, m_sql);

    m_table = table ? table->name : QString();
    m_singleTable = table != nullptr;
    const int total = sqlite3_column_count(stmt.p);
    const int visible = total - (t.hasRowid ? 1 : 0) - t.tieKeys;
    std::vector<Column> columns(size_t(std::max(visible, 0)));
    for (int i = 0; i < visible; ++i) {
        Column& column = columns[size_t(i)];
        column.name = QString::fromUtf8(sqlite3_column_name(stmt.p, i));
        const char* origin = sqlite3_column_origin_name(stmt.p, i);
        const char* from = sqlite3_column_table_name(stmt.p, i);
        const ColumnInfo* base = nullptr;
        if (table && origin && from && table->name.compare(QString::fromUtf8(from), Qt::CaseInsensitive) == 0)
            base = table->column(QString::fromUtf8(origin));
        if (base) {
            column.kind = base->kind;
            column.textLimit = base->textLimit;
            column.baseName = base->name;
            column.integerKey = base->integerKey;
            column.primaryKey = base->primaryKey;
        } else {
            const char* declared = sqlite3_column_decltype(stmt.p, i);
            column.kind = kindFromDeclaredType(QString::fromUtf8(declared ? declared : ""));
        }
    }

    m_columns = std::move(columns);
    // The order the rows come in, when it is known for any row: then the result can be read
    // lazily, and kept for a refresh.
    std::optional<RowOrder> order;
    try {
        if (RowOrder known; namedOrder(t, known) && certainOrder(t.sql.front(), t, known))
            order = std::move(known);
        if (order && m_fieldsOnDemand && openLazy(t, *order, connection)) {
            enterBrowse();
            return;
        }
    } catch (...) {
        m_columns.clear();
        m_table.clear();
        m_singleTable = false;
        throw;
    }
    std::vector<Row> rows;
    std::vector<TextPool> pools(m_columns.size());
    std::vector<QVariant> lastTies, ties(size_t(t.tieKeys));
    const int tieStart = visible + (t.hasRowid ? 1 : 0);
    while ((code = sqlite3_step(stmt.p)) == SQLITE_ROW) {
        if (t.tieKeys > 0) {
            for (int k = 0; k < t.tieKeys; ++k)
                ties[size_t(k)] = columnValue(stmt.p, tieStart + k, ColumnKind::Unknown);
            // TOP n keeps the rows tied with the n-th one on every ORDER BY key.
            if (int(rows.size()) >= t.top) {
                bool tied = t.top > 0;
                for (int k = 0; tied && k < t.tieKeys; ++k)
                    tied = compareValues(ties[size_t(k)], lastTies[size_t(k)]) == 0;
                if (!tied)
                    break;
            }
            lastTies = ties;
        }
        rows.push_back(readRow<Row>(stmt.p, m_columns, pools, t.hasRowid));
    }
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        m_columns.clear();
        m_table.clear();
        m_singleTable = false;
        connection.raise(code, m_sql);
    }

    m_rows = std::move(rows);
    rowsChanged();
    followChanges(t, order, connection);
    enterBrowse();
}

// The ORDER BY of a single-table select as columns of the result: each key must be a column
// shown under its own name.
bool Query::namedOrder(const Translation& t, RowOrder& order) const
{
    if (!m_singleTable || !t.hasRowid || t.top >= 0 || !t.plainOrder || t.sql.size() != 1)
        return false;
    for (const QString& name : t.orderColumns) {
        int found = -1;
        for (size_t i = 0; i < m_columns.size() && found < 0; ++i)
            if (m_columns[i].baseName.compare(name, Qt::CaseInsensitive) == 0 &&
                m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                found = int(i);
        if (found < 0)
            return false;
        order.columns.push_back(found);
    }
    order.descending = t.orderDescending;
    return true;
}

// Whether a statement gives its rows in an order known for any row: its plan walks the table by
// rowid, or one index whose columns are exactly the ORDER BY's (ties then follow the rowid in the
// walk's direction). The order is completed with the rowid's direction.
bool Query::certainOrder(const QString& statement, const Translation& t, RowOrder& order) const
{
    sqlite3* db = m_connection->handle();
    QStringList plan;
    {
        Stmt explain;
        const QByteArray sql = (QStringLiteral("EXPLAIN QUERY PLAN ") + statement).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &explain.p, nullptr) != SQLITE_OK)
            return false;
        while (sqlite3_step(explain.p) == SQLITE_ROW)
            plan << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(explain.p, 3)));
    }
    if (plan.size() != 1)
        return false;
    const QString scan = QStringLiteral("SCAN TABLE ") + m_table;
    if (plan.front() == scan) {
        // By rowid: either no ORDER BY, or one by the table's own integer key.
        if (order.columns.size() == 1 && m_columns[size_t(order.columns.front())].integerKey) {
            order.rowidDescending = order.descending.front();
            order.columns.clear();
            order.descending.clear();
        } else if (!order.columns.empty()) {
            return false;
        }
        return true;
    }
    QString index;
    for (const QString& by : {QStringLiteral(" USING INDEX "), QStringLiteral(" USING COVERING INDEX ")})
        if (plan.front().startsWith(scan + by))
            index = plan.front().mid(scan.size() + by.size());
    if (index.isEmpty() || order.columns.empty())
        return false;
    Stmt info;
    const QByteArray sql = QStringLiteral("PRAGMA index_xinfo(%1)").arg(quoteName(index)).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &info.p, nullptr) != SQLITE_OK)
        return false;
    size_t k = 0;
    bool reverse = false;
    while (sqlite3_step(info.p) == SQLITE_ROW) {
        if (sqlite3_column_int(info.p, 5) == 0) // the rowid, after the key columns
            continue;
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info.p, 2));
        if (k >= size_t(t.orderColumns.size()) || sqlite3_column_int(info.p, 1) < 0 || !name ||
            t.orderColumns[qsizetype(k)].compare(QString::fromUtf8(name), Qt::CaseInsensitive) != 0)
            return false;
        const bool flipped = bool(sqlite3_column_int(info.p, 3)) != order.descending[k];
        if (k == 0)
            reverse = flipped;
        else if (flipped != reverse)
            return false;
        ++k;
    }
    if (k != size_t(t.orderColumns.size()))
        return false;
    order.rowidDescending = reverse;
    return true;
}

void Query::watch(Connection& connection)
{
    m_watch = connection.watchTable(m_table, std::max<size_t>(256, m_rows.size() / 8));
}

// A result read in full is kept and brought up to date later when its order is certain and
// the rows just read follow it.
void Query::followChanges(const Translation& t, const std::optional<RowOrder>& order, Connection& connection)
{
    m_watch.reset();
    m_translated.clear();
    if (!order)
        return;
    for (size_t i = 1; i < m_rows.size(); ++i)
        if (compareRows(m_rows[i - 1], m_rows[i], *order) >= 0)
            return;
    m_rowOrder = *order;
    m_translated = t.sql.front();
    watch(connection);
}

// A select of one table in a certain order is read as its rowids and ORDER BY keys alone (from
// the index that gives the order, where it holds them), and a row's other fields are read when
// they are first asked for. False, with nothing read, where that cannot be done; the rows are
// then read in full.
bool Query::openLazy(const Translation& t, const RowOrder& order, Connection& connection)
{
    if (t.rowSource.isEmpty())
        return false;
    QString keys = QStringLiteral("SELECT %1.rowid AS [__rowid]").arg(quoteName(m_table));
    for (int column : order.columns)
        keys += QStringLiteral(", ") + quoteName(m_columns[size_t(column)].baseName);
    keys += u' ' + t.rowSource;
    if (t.orderColumns.isEmpty())
        keys += QStringLiteral(" ORDER BY %1.rowid").arg(quoteName(m_table));
    RowOrder keyOrder;
    if (!namedOrder(t, keyOrder) || !certainOrder(keys, t, keyOrder) || keyOrder.columns != order.columns ||
        keyOrder.descending != order.descending || keyOrder.rowidDescending != order.rowidDescending)
        return false;

    sqlite3* db = connection.handle();
    Stmt stmt;
    const QByteArray sql = keys.toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt.p, nullptr) != SQLITE_OK ||
        sqlite3_column_count(stmt.p) != int(order.columns.size()) + 1)
        return false;
    std::vector<Row> rows;
    std::vector<TextPool> pools(order.columns.size());
    int code;
    while ((code = sqlite3_step(stmt.p)) == SQLITE_ROW) {
        Row row;
        row.rowid = sqlite3_column_int64(stmt.p, 0);
        row.loaded = false;
        if (!order.columns.empty()) {
            for (size_t k = 0; k < order.columns.size(); ++k)
                setHeld(row, k,
                        columnValue(stmt.p, int(k) + 1, m_columns[size_t(order.columns[k])].kind, pools[k]));
            if (!rows.empty() && compareRows(rows.back(), row, order) >= 0)
                return false;
        } else if (!rows.empty() && (order.rowidDescending ? rows.back().rowid <= row.rowid
                                                           : rows.back().rowid >= row.rowid)) {
            return false;
        }
        rows.push_back(std::move(row));
    }
    if (code != SQLITE_DONE)
        connection.raise(code, m_sql);
    // A result that fits in the row cache is read whole: reading its rows one by one would
    // cost more than it saves.
    if (rows.size() <= m_cacheRows)
        return false;
    m_translated = t.sql.front();
    if (!prepareFetch(connection)) {
        m_fetch.reset();
        m_translated.clear();
        return false;
    }

    m_rows = std::move(rows);
    rowsChanged();
    m_openedInUnit = !sqlite3_get_autocommit(db) && connection.writtenInUnit();
    m_cachedRows.clear();
    m_rowSourceUnordered = t.rowSourceUnordered;
    m_rowOrder = order;
    watch(connection);
    return true;
}

// The statement that reads one row of a lazy result by its rowid.
bool Query::prepareFetch(Connection& connection)
{
    sqlite3_stmt* fetch = nullptr;
    const QByteArray sql =
        (QStringLiteral("SELECT * FROM (") + m_translated + QStringLiteral(") WHERE [__rowid] = ?1"))
            .toUtf8();
    if (sqlite3_prepare_v2(connection.handle(), sql.constData(), int(sql.size()), &fetch, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(fetch);
        return false;
    }
    m_fetch.reset(fetch);
    return sqlite3_column_count(fetch) == int(m_columns.size()) + 1;
}

// The row at a stored position with all its fields, read now if they were not in memory. The
// rows read this way form a cache that keeps the ones asked for last.
Query::Row& Query::loadedRow(size_t stored) const
{
    Row& row = m_rows[stored];
    if (stored != m_lastAsked) {
        row.touched = ++m_clock;
        m_lastAsked = stored;
    }
    if (!row.loaded) {
        load(row);
        m_cachedRows.push_back(stored);
        if (m_cachedRows.size() > m_cacheRows)
            trimCache();
    }
    return row;
}

void Query::load(Row& row) const
{
    const size_t count = m_columns.size();
    std::vector<QVariant> values;
    values.reserve(count);
    sqlite3_stmt* fetch = m_fetch.get();
    int code = SQLITE_DONE;
    if (fetch) {
        sqlite3_bind_int64(fetch, 1, row.rowid);
        code = sqlite3_step(fetch);
        if (code == SQLITE_ROW)
            for (size_t i = 0; i < count; ++i)
                values.push_back(columnValue(fetch, int(i), m_columns[i].kind));
        sqlite3_reset(fetch);
    }
    if (code != SQLITE_ROW) {
        // Every write to the table keeps the fields of the rows it changes first, so a row can
        // only be missing through a failure to read the file: it shows its held columns alone,
        // and the failure is reported once the paint or walk that asked is over.
        values.assign(count, QVariant());
        const std::vector<int>& held = m_rowOrder.columns;
        for (size_t k = 0; k < held.size(); ++k)
            values[size_t(held[k])] = orderKey(row, k, held[k]);
        row.pinned = true;
        if (!m_reportedUnreadable) {
            m_reportedUnreadable = true;
            const QString detail =
                code == SQLITE_DONE ? QString() : m_connection->errorFor(code, m_sql).message();
            const QString message =
                QStringLiteral("資料表 %1 有資料列讀不出來,這些資料列只顯示排序的欄位。%2")
                    .arg(m_table, detail);
            QMetaObject::invokeMethod(
                const_cast<Query*>(this),
                [this, message] { Q_EMIT const_cast<Query*>(this)->fieldsUnreadable(message); },
                Qt::QueuedConnection);
        }
    }
    row.values = std::move(values);
    row.key = QVariant();
    row.loaded = true;
}

// Drops the fields of the cached rows asked for longest ago, down to half the cache.
void Query::trimCache() const
{
    std::vector<size_t> kept;
    kept.reserve(m_cachedRows.size());
    for (size_t stored : m_cachedRows) {
        Row& row = m_rows[stored];
        if (!row.loaded || row.pinned)
            continue;
        if (quint32(m_clock - row.touched) <= m_cacheRows / 2) {
            kept.push_back(stored);
            continue;
        }
        std::vector<QVariant> fields = std::move(row.values);
        row.values = {};
        row.loaded = false;
        for (size_t k = 0; k < m_rowOrder.columns.size(); ++k)
            setHeld(row, k, fields[size_t(m_rowOrder.columns[k])]);
    }
    m_cachedRows = std::move(kept);
}

void Query::listCachedRows()
{
    m_cachedRows.clear();
    if (!lazy())
        return;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].loaded && !m_rows[i].pinned)
            m_cachedRows.push_back(i);
}

void Query::keepFields(Row& row)
{
    if (!row.loaded)
        load(row);
    row.pinned = true;
}

void Query::keepAllFields()
{
    if (!lazy())
        return;
    for (Row& row : m_rows)
        keepFields(row);
    // Every field is in memory now, as in a result read in full.
    m_cachedRows.clear();
    m_fetch.reset();
}

bool Query::readsFieldsOnDemand(const QString& table) const
{
    return lazy() && m_state != State::Inactive &&
           (table.isEmpty() || table.compare(m_table, Qt::CaseInsensitive) == 0);
}

void Query::keepFieldsOf(const std::vector<qint64>& rowids)
{
    if (!lazy())
        return;
    for (Row& row : m_rows)
        if (!row.pinned && std::binary_search(rowids.begin(), rowids.end(), row.rowid))
            keepFields(row);
}

void Query::keepFieldsBeforeRollback()
{
    if (m_openedInUnit)
        keepAllFields();
}

int Query::rowsInMemory() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row& row) { return row.loaded; }));
}

// Where a column is among the held ones (the ORDER BY keys), or -1.
int Query::heldPlace(int column) const
{
    const auto& held = m_rowOrder.columns;
    const auto it = std::find(held.begin(), held.end(), column);
    return lazy() && it != held.end() ? int(it - held.begin()) : -1;
}

// Sets the held column at this place of a row whose fields are not loaded; the places are
// filled in order.
void Query::setHeld(Row& row, size_t held, QVariant value) const
{
    if (held == 0)
        row.key = std::move(value);
    else
        row.values.push_back(std::move(value));
}

// One column's value of every row, handed over with the row's stored place, for a sort. Rows
// without their fields give it from what they hold, or from one read of the column over the
// statement's rows (joined by rowid); nothing read is kept beyond the sort.
void Query::forEachInColumn(int column, const std::function<void(size_t, const QVariant&)>& take) const
{
    std::vector<bool> given(m_rows.size());
    const int place = heldPlace(column);
    qint64 low = std::numeric_limits<qint64>::max(), high = std::numeric_limits<qint64>::min();
    size_t missing = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (row.loaded || place >= 0) {
            take(i, orderKey(row, size_t(place), column));
            given[i] = true;
        } else {
            low = std::min(low, row.rowid);
            high = std::max(high, row.rowid);
            ++missing;
        }
    }
    const QString& base = m_columns[size_t(column)].baseName;
    if (missing > 0 && !base.isEmpty()) {
        // Where each of those rows is stored, by rowid: a plain array over the rowids' range
        // when they are dense (as a counter numbers them), else a hash.
        const bool dense = quint64(high - low) < quint64(missing) * 4 + 1024;
        std::vector<qint32> byRowid;
        std::unordered_map<qint64, size_t> byHash;
        if (dense)
            byRowid.assign(size_t(high - low) + 1, -1);
        else
            byHash.reserve(missing);
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (!given[i]) {
                if (dense)
                    byRowid[size_t(m_rows[i].rowid - low)] = qint32(i);
                else
                    byHash.emplace(m_rows[i].rowid, i);
            }
        auto storedAt = [&](qint64 rowid) -> qint64 {
            if (dense)
                return rowid < low || rowid > high ? -1 : byRowid[size_t(rowid - low)];
            const auto it = byHash.find(rowid);
            return it == byHash.end() ? -1 : qint64(it->second);
        };
        Connection& connection = requireConnection();
        Stmt stmt;
        const QByteArray sql = QStringLiteral("SELECT %1.rowid, %2 %3")
                                   .arg(quoteName(m_table), quoteName(base), m_rowSourceUnordered)
                                   .toUtf8();
        int code =
            sqlite3_prepare_v2(connection.handle(), sql.constData(), int(sql.size()), &stmt.p, nullptr);
        if (code != SQLITE_OK)
            connection.raise(code, m_sql);
        TextPool pool;
        const ColumnKind kind = m_columns[size_t(column)].kind;
        while ((code = sqlite3_step(stmt.p)) == SQLITE_ROW) {
            const qint64 stored = storedAt(sqlite3_column_int64(stmt.p, 0));
            if (stored >= 0 && !given[size_t(stored)]) {
                take(size_t(stored), columnValue(stmt.p, 1, kind, pool));
                given[size_t(stored)] = true;
            }
        }
        if (code != SQLITE_DONE)
            connection.raise(code, m_sql);
    }
    // A row the read did not give (a column shown from an expression) is read whole.
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (!given[i])
            take(i, loadedRow(i).values[size_t(column)]);
}

// Brings a kept result up to date: the rows written since it was read are dropped and read
// again by rowid, each placed where the statement's order puts it.
bool Query::reopenKept(Kept& kept, const Translation& t, Connection& connection)
{
    if (!kept.watch || kept.watch->lost || kept.translated != t.sql.front())
        return false;
    sqlite3* db = connection.handle();
    m_fetch.reset();
    if (kept.lazy) {
        m_translated = kept.translated;
        m_columns = kept.columns;
        if (!prepareFetch(connection)) {
            m_fetch.reset();
            m_translated.clear();
            m_columns.clear();
            return false;
        }
    }
    std::vector<qint64> written = std::move(kept.watch->rowids);
    kept.watch->rowids.clear();
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());

    std::vector<Row> fresh;
    if (!written.empty()) {
        Stmt fetch;
        const QByteArray sql =
            (QStringLiteral("SELECT * FROM (") + t.sql.front() + QStringLiteral(") WHERE [__rowid] = ?1"))
                .toUtf8();
        int code = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &fetch.p, nullptr);
        if (code != SQLITE_OK)
            return false;
        std::vector<TextPool> pools(kept.columns.size());
        for (qint64 rowid : written) {
            sqlite3_bind_int64(fetch.p, 1, rowid);
            while ((code = sqlite3_step(fetch.p)) == SQLITE_ROW)
                fresh.push_back(readRow<Row>(fetch.p, kept.columns, pools, true));
            if (code != SQLITE_DONE)
                connection.raise(code, m_sql);
            sqlite3_reset(fetch.p);
        }
        std::sort(fresh.begin(), fresh.end(),
                  [&kept](const Row& a, const Row& b) { return compareRows(a, b, kept.order) < 0; });
    }

    std::vector<Row> rows = std::move(kept.rows);
    if (!written.empty())
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [&written](const Row& row) {
                                      return std::binary_search(written.begin(), written.end(), row.rowid);
                                  }),
                   rows.end());
    if (!fresh.empty()) {
        // Merged from the back within the rows' own room (a read leaves some), so that a ledger
        // is not held twice for the sake of a few rows.
        size_t old = rows.size(), added = fresh.size(), out = old + added;
        rows.resize(out);
        while (added > 0) {
            if (old > 0 && compareRows(rows[old - 1], fresh[added - 1], kept.order) > 0)
                rows[--out] = std::move(rows[--old]);
            else
                rows[--out] = std::move(fresh[--added]);
        }
    }

    m_columns = std::move(kept.columns);
    m_rows = std::move(rows);
    rowsChanged();
    m_table = kept.table;
    m_singleTable = true;
    m_rowOrder = std::move(kept.order);
    m_translated = std::move(kept.translated);
    m_watch = std::move(kept.watch);
    m_watch->limit = std::max<size_t>(256, m_rows.size() / 8);
    m_rowSourceUnordered = t.rowSourceUnordered;
    m_openedInUnit = lazy() && !sqlite3_get_autocommit(db) && connection.writtenInUnit();
    listCachedRows();
    enterBrowse();
    return true;
}

// A result just read: on its first row, in the statement's order, unsorted.
void Query::enterBrowse()
{
    m_state = State::Browse;
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    m_sort.clear();
    m_view.clear();
    Q_EMIT opened();
    Q_EMIT currentChanged(m_current);
}

void Query::execSql()
{
    close();
    Connection& connection = requireConnection();
    connection.handle();
    connection.run(translateJet(m_sql), m_sql);
}

void Query::close()
{
    if (m_state == State::Inactive)
        return;
    if (m_watch && !m_watch->lost && m_state == State::Browse && m_connection && m_connection->isOpen()) {
        auto kept = std::make_shared<Kept>();
        kept->translated = std::move(m_translated);
        kept->table = m_table;
        kept->columns = std::move(m_columns);
        kept->rows = std::move(m_rows);
        kept->watch = std::move(m_watch);
        kept->order = std::move(m_rowOrder);
        kept->lazy = lazy();
        m_connection->keepResult(m_sql, m_table, std::move(kept));
    }
    m_fetch.reset();
    m_openedInUnit = false;
    m_reportedUnreadable = false;
    m_cachedRows.clear();
    m_rowSourceUnordered.clear();
    m_watch.reset();
    m_translated.clear();
    m_state = State::Inactive;
    m_columns.clear();
    m_rows.clear();
    m_view.clear();
    rowsChanged();
    m_modified.clear();
    m_current = -1;
    m_eof = true;
    m_sort.clear();
    m_singleTable = false;
    m_table.clear();
    Q_EMIT closed();
}

int Query::fieldIndex(const QString& name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Query::requireField(const QString& name) const
{
    if (m_state == State::Inactive)
        throw EngineError(Kind::NotOpen, QStringLiteral("查詢尚未開啟,無法讀取欄位 %1。").arg(name));
    const int index = fieldIndex(name);
    if (index < 0)
        throw EngineError(Kind::Syntax, QStringLiteral("找不到欄位 %1。").arg(name));
    return index;
}

Field Query::fieldByName(const QString& name) const
{
    return Field(this, requireField(name));
}

const QVariant& Query::currentValue(int column) const
{
    if (m_current < 0 || m_current >= int(m_rows.size()))
        return nullValue();
    return loadedRow(at(m_current)).values.at(size_t(column));
}

const QVariant& Query::value(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullValue();
    return loadedRow(at(row)).values.at(size_t(column));
}

QString Query::text(int row, int column) const
{
    return storedToText(value(row, column), m_columns.at(size_t(column)).kind);
}

void Query::eraseRow(int row)
{
    rowsChanged();
    if (m_view.empty()) {
        m_rows.erase(m_rows.begin() + row);
        listCachedRows();
        return;
    }
    const int stored = m_view[size_t(row)];
    m_rows.erase(m_rows.begin() + stored);
    m_view.erase(m_view.begin() + row);
    for (int& index : m_view)
        if (index > stored)
            --index;
    listCachedRows();
}

void Query::setCurrent(int row)
{
    m_eof = m_rows.empty();
    if (row == m_current)
        return;
    m_current = row;
    Q_EMIT currentChanged(m_current);
}

void Query::checkBrowseMode()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void Query::first()
{
    checkBrowseMode();
    setCurrent(m_rows.empty() ? -1 : 0);
}

void Query::last()
{
    checkBrowseMode();
    setCurrent(int(m_rows.size()) - 1);
}

void Query::next()
{
    checkBrowseMode();
    if (m_current + 1 < int(m_rows.size()))
        setCurrent(m_current + 1);
    else
        m_eof = true;
}

void Query::prior()
{
    checkBrowseMode();
    if (m_current > 0)
        setCurrent(m_current - 1);
}

void Query::moveTo(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    if (row != m_current)
        checkBrowseMode();
    setCurrent(row);
}

bool Query::canModify() const
{
    return m_state != State::Inactive && m_singleTable;
}

bool Query::isColumnEditable(int column) const
{
    if (!canModify() || column < 0 || column >= int(m_columns.size()))
        return false;
    const Column& c = m_columns[size_t(column)];
    return !c.baseName.isEmpty() && !c.integerKey;
}

void Query::requireModifiable() const
{
    if (m_state == State::Inactive)
        throw EngineError(Kind::NotOpen, QStringLiteral("查詢尚未開啟。"));
    if (!m_singleTable)
        throw EngineError(Kind::ReadOnlyResult,
                          QStringLiteral("這個查詢的結果 (合併或統計的資料) 不能修改。(%1)").arg(m_sql));
}

void Query::append()
{
    requireModifiable();
    checkBrowseMode();
    Row row;
    row.values.resize(m_columns.size());
    row.pinned = true;
    m_rows.push_back(std::move(row));
    rowsChanged();
    if (!m_view.empty())
        m_view.push_back(int(m_rows.size()) - 1);
    m_modified.assign(m_columns.size(), false);
    m_state = State::Insert;
    m_eof = false;
    const int added = int(m_rows.size()) - 1;
    Q_EMIT rowInserted(added);
    m_current = added;
    Q_EMIT currentChanged(m_current);
}

void Query::edit()
{
    requireModifiable();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_current < 0 || m_current >= int(m_rows.size()))
        throw EngineError(Kind::NoCurrentRow, QStringLiteral("沒有可以修改的資料列。"));
    Row& row = loadedRow(at(m_current));
    row.pinned = true;
    m_original = row;
    m_modified.assign(m_columns.size(), false);
    m_state = State::Edit;
}

void Query::setStored(int column, QVariant stored)
{
    m_rows[at(m_current)].values[size_t(column)] = std::move(stored);
    rowsChanged();
    m_modified[size_t(column)] = true;
    Q_EMIT rowChanged(m_current);
}

void Query::setFieldText(const QString& name, const QString& text)
{
    const int column = requireField(name);
    edit();
    if (!isColumnEditable(column))
        throw EngineError(Kind::ReadOnlyResult, QStringLiteral("欄位 %1 不能修改。").arg(name));
    const Column& c = m_columns[size_t(column)];
    if (c.kind == ColumnKind::Text || c.kind == ColumnKind::Unknown)
        requireStorableText(text, c.name, c.primaryKey);
    setStored(column, textToStored(text, c.kind, c.textLimit, c.name));
}

void Query::setFieldFloat(const QString& name, double value)
{
    const int column = requireField(name);
    edit();
    if (!isColumnEditable(column))
        throw EngineError(Kind::ReadOnlyResult, QStringLiteral("欄位 %1 不能修改。").arg(name));
    const Column& c = m_columns[size_t(column)];
    setStored(column, floatToStored(value, c.kind, c.name));
}

void Query::setFieldNull(const QString& name)
{
    const int column = requireField(name);
    edit();
    if (!isColumnEditable(column))
        throw EngineError(Kind::ReadOnlyResult, QStringLiteral("欄位 %1 不能修改。").arg(name));
    setStored(column, QVariant());
}

void Query::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_postRefused = false;
    Q_EMIT updateRecord();
    if (m_postRefused) {
        m_postRefused = false;
        throw EngineError(Kind::Aborted, QStringLiteral("這筆修改沒有存入。"));
    }
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    Connection& connection = requireConnection();
    sqlite3* db = connection.handle();
    connection.requireUnmoved();
    Row& row = m_rows[at(m_current)];
    if (m_state == State::Edit)
        connection.keepFieldsBeforeWrite(m_table, row.rowid, this);
    // A key column refuses Null, as Jet's primary keys do; a new row must name it.
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].primaryKey && row.values[i].isNull() && (m_modified[i] || m_state == State::Insert))
            throw EngineError(
                Kind::KeyViolation,
                QStringLiteral("%1 是索引鍵的欄位,不能是空的,這筆資料沒有存入。").arg(m_columns[i].name));
    QStringList names;
    std::vector<const QVariant*> values;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_modified[i]) {
            names << quoteName(m_columns[i].baseName);
            values.push_back(&row.values[i]);
        }
    QString sql;
    if (m_state == State::Insert) {
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteName(m_table));
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteName(m_table), names.join(u','), marks.join(u','));
        }
    } else {
        if (names.isEmpty()) {
            m_state = State::Browse;
            return;
        }
        sql = QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                  .arg(quoteName(m_table), names.join(QStringLiteral(" = ?, ")));
    }
    Stmt stmt;
    const QByteArray utf8 = sql.toUtf8();
    int code = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt.p, nullptr);
    if (code != SQLITE_OK)
        connection.raise(code, m_sql);
    int index = 1;
    for (const QVariant* value : values)
        bindValue(stmt.p, index++, *value);
    if (m_state == State::Edit)
        sqlite3_bind_int64(stmt.p, index, row.rowid);
    code = sqlite3_step(stmt.p);
    if (code != SQLITE_DONE)
        connection.raise(code, m_sql);
    if (m_state == State::Insert) {
        row.rowid = sqlite3_last_insert_rowid(db);
        for (size_t i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].integerKey)
                row.values[i] = row.rowid;
        rowsChanged();
    } else if (sqlite3_changes(db) != 1) {
        throw EngineError(Kind::Other,
                          QStringLiteral("這筆資料已經不在資料表 %1 裡,無法修改。").arg(m_table));
    }
    m_state = State::Browse;
    Q_EMIT rowChanged(m_current);
}

void Query::discardPending()
{
    if (m_state == State::Insert) {
        const int removed = m_current;
        eraseRow(removed);
        m_state = State::Browse;
        Q_EMIT rowRemoved(removed);
        m_current = std::min(removed, int(m_rows.size()) - 1);
        m_eof = m_rows.empty();
        Q_EMIT currentChanged(m_current);
    } else if (m_state == State::Edit) {
        m_rows[at(m_current)] = m_original;
        rowsChanged();
        m_state = State::Browse;
        Q_EMIT rowChanged(m_current);
    }
}

void Query::cancel()
{
    discardPending();
}

void Query::deleteCurrent()
{
    requireModifiable();
    if (m_state == State::Insert) {
        discardPending();
        return;
    }
    discardPending();
    if (m_current < 0 || m_current >= int(m_rows.size()))
        throw EngineError(Kind::NoCurrentRow, QStringLiteral("沒有可以刪除的資料列。"));
    Connection& connection = requireConnection();
    sqlite3* db = connection.handle();
    connection.requireUnmoved();
    Stmt stmt;
    const QByteArray sql = QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteName(m_table)).toUtf8();
    int code = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt.p, nullptr);
    if (code != SQLITE_OK)
        connection.raise(code, m_sql);
    const qint64 rowid = m_rows[at(m_current)].rowid;
    connection.keepFieldsBeforeWrite(m_table, rowid, this);
    sqlite3_bind_int64(stmt.p, 1, rowid);
    code = sqlite3_step(stmt.p);
    if (code != SQLITE_DONE)
        connection.raise(code, m_sql);
    const int removed = m_current;
    eraseRow(removed);
    Q_EMIT rowRemoved(removed);
    m_current = std::min(removed, int(m_rows.size()) - 1);
    m_eof = m_rows.empty();
    Q_EMIT currentChanged(m_current);
}

namespace {

// A float's bits as an unsigned number in the float's order: Null below every number, both
// zeros alike. Not a number has no place and gives false.
bool orderedBits(double number, int rank, quint64& bits)
{
    if (rank == 0) {
        bits = 0;
        return true;
    }
    if (std::isnan(number))
        return false;
    if (number == 0)
        number = 0;
    std::memcpy(&bits, &number, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
    return true;
}

} // namespace

// Sorts by rank, then number, keeping the order of equal keys: a radix sort on the numbers'
// bits, a byte at a time from the lowest (each pass is stable), which on a ledger's amounts is
// several times faster than comparing.
template <typename Key> void sortNumbersStably(std::vector<Key>& keys)
{
    std::vector<quint64> bits(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        if (!orderedBits(keys[i].number, keys[i].rank, bits[i])) {
            std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
                return a.rank != b.rank ? a.rank < b.rank : a.number < b.number;
            });
            return;
        }
    std::vector<Key> other(keys.size());
    std::vector<quint64> otherBits(keys.size());
    for (int shift = 0; shift < 64; shift += 8) {
        size_t count[257] = {};
        for (quint64 b : bits)
            ++count[((b >> shift) & 0xff) + 1];
        if (std::any_of(std::begin(count) + 1, std::end(count), [&](size_t n) { return n == keys.size(); }))
            continue; // every key has the same byte here
        for (int d = 0; d < 256; ++d)
            count[d + 1] += count[d];
        for (size_t i = 0; i < keys.size(); ++i) {
            const size_t to = count[(bits[i] >> shift) & 0xff]++;
            other[to] = keys[i];
            otherBits[to] = bits[i];
        }
        keys.swap(other);
        bits.swap(otherBits);
    }
}

// The common title click, a column of floats (amounts, weights): the keys sorted as plain
// numbers beside their rows' places. False, with nothing done, for any other column.
bool Query::sortByOneNumber(int column, bool descending)
{
    SortedNumbers& sorted = m_sortedNumbers;
    if (sorted.column != column || sorted.version != m_rowsVersion) {
        std::vector<NumberKey> keys(m_rows.size());
        bool numbers = true;
        forEachInColumn(column, [&](size_t r, const QVariant& value) {
            if (value.isNull())
                keys[r] = {0, 0, int(r)};
            else if (value.typeId() == QMetaType::Double)
                keys[r] = {value.toDouble(), 1, int(r)};
            else
                numbers = false;
        });
        if (!numbers)
            return false;
        // The keys start in the rows' order, which a stable sort keeps among equal keys.
        sortNumbersStably(keys);
        sorted = {column, m_rowsVersion, std::move(keys)};
    }
    const std::vector<NumberKey>& keys = sorted.ascending;
    m_view.resize(keys.size());
    if (!descending) {
        for (size_t r = 0; r < keys.size(); ++r)
            m_view[r] = keys[r].index;
        return true;
    }
    // Descending: the runs of equal keys from the last, each run keeping its rows' order.
    size_t out = 0;
    for (size_t end = keys.size(); end > 0;) {
        size_t begin = end - 1;
        while (begin > 0 && keys[begin - 1].rank == keys[end - 1].rank &&
               keys[begin - 1].number == keys[end - 1].number)
            --begin;
        for (size_t r = begin; r < end; ++r)
            m_view[out++] = keys[r].index;
        end = begin;
    }
    return true;
}

void Query::setSort(const QString& order)
{
    if (m_state == State::Inactive)
        throw EngineError(Kind::NotOpen, QStringLiteral("查詢尚未開啟,無法排序。"));
    checkBrowseMode();
    struct Key
    {
        int column;
        bool descending;
    };
    std::vector<Key> keys;
    for (QString part : order.split(u',', Qt::SkipEmptyParts)) {
        part = part.trimmed();
        bool descending = false;
        if (part.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            descending = true;
            part.chop(5);
        } else if (part.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            part.chop(4);
        }
        part = part.trimmed();
        if (part.startsWith(u'[') && part.endsWith(u']'))
            part = part.mid(1, part.size() - 2);
        const int column = fieldIndex(part);
        if (column < 0)
            throw EngineError(Kind::Syntax, QStringLiteral("找不到欄位 %1,無法排序。").arg(part));
        keys.push_back({column, descending});
    }
    // The rows keep their statement's order as they are stored (rows added since come last),
    // so equal keys keep their stored order.
    const size_t count = m_rows.size();
    if (keys.size() == 1 && sortByOneNumber(keys.front().column, keys.front().descending)) {
        m_sort = order;
        Q_EMIT reordered();
        m_current = m_rows.empty() ? -1 : 0;
        m_eof = m_rows.empty();
        Q_EMIT currentChanged(m_current);
        return;
    }
    // Each row's keys are read out of their values once.
    struct SortKey
    {
        int rank = 0; // 0 Null, 1 number, 2 text
        bool whole = false;
        qint64 integer = 0;
        double number = 0;
        QString text;
    };
    std::vector<std::vector<SortKey>> sortKeys(keys.size(), std::vector<SortKey>(count));
    for (size_t k = 0; k < keys.size(); ++k) {
        forEachInColumn(keys[k].column, [&](size_t r, const QVariant& value) {
            SortKey& key = sortKeys[k][r];
            if (value.isNull())
                return;
            if (value.typeId() == QMetaType::LongLong) {
                key = {1, true, value.toLongLong(), double(value.toLongLong()), {}};
            } else if (value.typeId() == QMetaType::Double) {
                key = {1, false, 0, value.toDouble(), {}};
            } else {
                key.rank = 2;
                key.text = value.toString().toCaseFolded();
            }
        });
    }
    auto compareKeys = [](const SortKey& a, const SortKey& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank ? -1 : 1;
        if (a.rank == 1) {
            if (a.whole && b.whole)
                return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
            return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
        }
        return a.rank == 2 ? a.text.compare(b.text) : 0;
    };
    std::vector<int> positions(count);
    for (size_t r = 0; r < count; ++r)
        positions[r] = int(r);
    std::sort(positions.begin(), positions.end(), [&](int a, int b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int c = compareKeys(sortKeys[k][size_t(a)], sortKeys[k][size_t(b)]);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return a < b;
    });
    // The rows stay where they are, in the statement's order; the view goes through the sort.
    m_view.assign(positions.begin(), positions.end());
    m_sort = order;
    Q_EMIT reordered();
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    Q_EMIT currentChanged(m_current);
}

} // namespace engine
