// The rows of a result, their fields read on demand through a cache of the rows asked for last.
#include "ResultRows.h"

#include "Connection.h"

#include <algorithm>

namespace engine {

namespace {

// The ORDER BY keys are the first held columns of a row whose fields are not loaded.
const QVariant& heldKey(const StoredRow& row, size_t k)
{
    return k == 0 ? row.key : row.values[k - 1];
}

} // namespace

StoredRow readRow(sqlite3_stmt* stmt, const std::vector<ResultColumn>& columns, std::vector<TextPool>& pools,
                  bool hasRowid)
{
    StoredRow row;
    const int visible = int(columns.size());
    row.values.reserve(size_t(visible));
    for (int i = 0; i < visible; ++i)
        row.values.push_back(readValue(stmt, i, columns[size_t(i)].kind, pools[size_t(i)]));
    if (hasRowid)
        row.rowid = sqlite3_column_int64(stmt, visible);
    return row;
}

StoredRow& ResultRows::loaded(size_t stored) const
{
    StoredRow& row = m_rows[stored];
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

void ResultRows::assign(std::vector<StoredRow> rows)
{
    m_rows = std::move(rows);
    changed();
}

std::vector<StoredRow> ResultRows::take()
{
    std::vector<StoredRow> rows = std::move(m_rows);
    m_rows.clear();
    changed();
    return rows;
}

void ResultRows::append(StoredRow row)
{
    m_rows.push_back(std::move(row));
    changed();
}

void ResultRows::erase(size_t stored)
{
    m_rows.erase(m_rows.begin() + qsizetype(stored));
    changed();
    listCached();
}

void ResultRows::clear()
{
    m_rows.clear();
    m_order = {};
    m_kinds.clear();
    m_fetch.reset();
    m_cachedRows.clear();
    m_reportedUnreadable = false;
    changed();
}

bool ResultRows::readOnDemand(Connection& connection, const QString& fetch,
                              const std::vector<ColumnKind>& kinds)
{
    const QByteArray sql = fetch.toUtf8();
    if (m_fetch.prepare(connection.handle(), sql) != SQLITE_OK ||
        m_fetch.columnCount() != int(kinds.size()) + 1) {
        m_fetch.reset();
        return false;
    }
    m_kinds = kinds;
    m_cachedRows.clear();
    return true;
}

void ResultRows::load(StoredRow& row) const
{
    const size_t count = m_kinds.size();
    std::vector<QVariant> values;
    values.reserve(count);
    int code = SQLITE_DONE;
    if (m_fetch.isPrepared()) {
        m_fetch.bindInt64(1, row.rowid);
        code = m_fetch.step();
        if (code == SQLITE_ROW)
            for (size_t i = 0; i < count; ++i)
                values.push_back(m_fetch.value(int(i), m_kinds[i]));
        m_fetch.rewind();
    }
    if (code != SQLITE_ROW) {
        // Every write to the table keeps the fields of the rows it changes first, so a row can
        // only be missing through a failure to read the file: it shows its held columns alone,
        // and the failure is reported once.
        values.assign(count, QVariant());
        const std::vector<int>& held = m_order.columns;
        for (size_t k = 0; k < held.size(); ++k)
            values[size_t(held[k])] = heldKey(row, k);
        row.pinned = true;
        if (!m_reportedUnreadable) {
            m_reportedUnreadable = true;
            if (m_report)
                m_report(code);
        }
    }
    row.values = std::move(values);
    row.key = QVariant();
    row.loaded = true;
}

// Drops the fields of the cached rows asked for longest ago, down to half the cache.
void ResultRows::trimCache() const
{
    std::vector<size_t> kept;
    kept.reserve(m_cachedRows.size());
    for (size_t stored : m_cachedRows) {
        StoredRow& row = m_rows[stored];
        if (!row.loaded || row.pinned)
            continue;
        if (quint32(m_clock - row.touched) <= m_cacheRows / 2) {
            kept.push_back(stored);
            continue;
        }
        std::vector<QVariant> fields = std::move(row.values);
        row.values = {};
        row.loaded = false;
        for (size_t k = 0; k < m_order.columns.size(); ++k)
            setHeld(row, k, fields[size_t(m_order.columns[k])]);
    }
    m_cachedRows = std::move(kept);
}

void ResultRows::listCached()
{
    m_cachedRows.clear();
    if (!onDemand())
        return;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].loaded && !m_rows[i].pinned)
            m_cachedRows.push_back(i);
}

void ResultRows::keep(StoredRow& row) const
{
    if (!row.loaded)
        load(row);
    row.pinned = true;
}

void ResultRows::keep(const std::vector<qint64>& rowids)
{
    if (!onDemand())
        return;
    for (StoredRow& row : m_rows)
        if (!row.pinned && std::binary_search(rowids.begin(), rowids.end(), row.rowid))
            keep(row);
}

void ResultRows::keepAll()
{
    if (!onDemand())
        return;
    for (StoredRow& row : m_rows)
        keep(row);
    // Every field is in memory now, as in a result read in full.
    m_cachedRows.clear();
    m_fetch.reset();
}

int ResultRows::rowsInMemory() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const StoredRow& row) { return row.loaded; }));
}

int ResultRows::heldPlace(int column) const
{
    const auto& held = m_order.columns;
    const auto it = std::find(held.begin(), held.end(), column);
    return onDemand() && it != held.end() ? int(it - held.begin()) : -1;
}

void ResultRows::setHeld(StoredRow& row, size_t held, QVariant value)
{
    if (held == 0)
        row.key = std::move(value);
    else
        row.values.push_back(std::move(value));
}

} // namespace engine
