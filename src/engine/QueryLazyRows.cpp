// The rows of a result read as their rowids and order keys, their other fields read on demand
// through a cache of the rows asked for last.
#include "QueryParts.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace engine {

using namespace queryparts;

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
    Statement stmt;
    const QByteArray sql = keys.toUtf8();
    if (stmt.prepare(db, sql) != SQLITE_OK ||
        sqlite3_column_count(stmt.get()) != int(order.columns.size()) + 1)
        return false;
    std::vector<Row> rows;
    std::vector<TextPool> pools(order.columns.size());
    int code;
    while ((code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        Row row;
        row.rowid = sqlite3_column_int64(stmt.get(), 0);
        row.loaded = false;
        if (!order.columns.empty()) {
            for (size_t k = 0; k < order.columns.size(); ++k)
                setHeld(
                    row, k,
                    columnValue(stmt.get(), int(k) + 1, m_columns[size_t(order.columns[k])].kind, pools[k]));
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
        Statement stmt;
        const QByteArray sql = QStringLiteral("SELECT %1.rowid, %2 %3")
                                   .arg(quoteName(m_table), quoteName(base), m_rowSourceUnordered)
                                   .toUtf8();
        int code = stmt.prepare(connection.handle(), sql);
        if (code != SQLITE_OK)
            connection.raise(code, m_sql);
        TextPool pool;
        const ColumnKind kind = m_columns[size_t(column)].kind;
        while ((code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            const qint64 stored = storedAt(sqlite3_column_int64(stmt.get(), 0));
            if (stored >= 0 && !given[size_t(stored)]) {
                take(size_t(stored), columnValue(stmt.get(), 1, kind, pool));
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

} // namespace engine
