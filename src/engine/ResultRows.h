#pragma once

#include "Conversions.h"
#include "Sqlite.h"
#include "StoredOrder.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace engine {

class Connection;
struct ChangeWatch;

// One column of a result: its name, how its values are stored, and where it comes from.
struct ResultColumn
{
    QString name;
    ColumnKind kind = ColumnKind::Unknown;
    int textLimit = -1;
    QString baseName; // column of the base table, empty when the column cannot be edited
    bool integerKey = false;
    bool primaryKey = false;
};

// One row of a result. The rows are stored in the statement's order (rows added since come
// last): a row's place is also its order among equal sort keys.
struct StoredRow
{
    qint64 rowid = 0;
    // Every field when loaded; else the held columns (the ORDER BY keys) after the first.
    std::vector<QVariant> values;
    QVariant key;        // the first held column while the fields are not loaded
    quint32 touched = 0; // when the row was last asked for, to choose what the cache drops
    bool loaded = true;
    bool pinned = false; // its fields stay in memory: an edit, or a row changed since the open
};

// How the rows of a result follow one another: by these columns, then by rowid.
struct RowOrder
{
    std::vector<int> columns;
    std::vector<bool> descending;
    bool rowidDescending = false;
};

// The rows of a result. A result read in full holds every field of every row; one read on
// demand holds each row's rowid and order keys, and reads a row's other fields by its rowid
// when they are first asked for, keeping the rows asked for last in a cache. Reading on demand
// changes nothing a caller sees, so it happens in const methods: the state it moves is this
// class's alone.
class ResultRows
{
public:
    size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    // The row at a stored place as it is held, whether its fields are in memory or not.
    StoredRow& held(size_t stored) { return m_rows[stored]; }
    const StoredRow& held(size_t stored) const { return m_rows[stored]; }
    // The row at a stored place with all its fields, read now if they were not in memory.
    StoredRow& loaded(size_t stored) const;

    // Rows read in full, or read as their keys once readOnDemand() has succeeded.
    void assign(std::vector<StoredRow> rows);
    std::vector<StoredRow> take();
    void append(StoredRow row);
    void erase(size_t stored);
    void clear();

    // Every change to the rows or their values moves the version: what was worked out from
    // them (a sort's keys) is worked out again.
    quint64 version() const { return m_version; }
    void changed()
    {
        ++m_version;
        m_lastAsked = size_t(-1);
    }

    const RowOrder& order() const { return m_order; }
    void setOrder(RowOrder order) { m_order = std::move(order); }
    size_t cacheRows() const { return m_cacheRows; }
    void setCacheRows(size_t rows) { m_cacheRows = rows; }

    // Prepares the read of one row by its rowid (?1) with a select that gives its fields, then the
    // rowid: the rows' fields are read on demand from now on. False when
    // the select cannot be read so; the rows are then to be read in full.
    bool readOnDemand(Connection& connection, const QString& fetch, const std::vector<ColumnKind>& kinds);
    bool onDemand() const { return m_fetch.isPrepared(); }
    // Reads now, and keeps, the fields of a row, of the rows with these rowids (sorted), or of
    // every row; after keepAll() nothing is read on demand.
    void keep(StoredRow& row) const;
    void keep(const std::vector<qint64>& rowids);
    void keepAll();
    // The cached rows listed again after rows were taken out or put back.
    void listCached();
    int rowsInMemory() const;

    // Where a column is among the held ones (the ORDER BY keys) of rows read on demand, or -1.
    int heldPlace(int column) const;
    // Sets the held column at this place of a row whose fields are not loaded; the places are
    // filled in order.
    static void setHeld(StoredRow& row, size_t held, QVariant value);

    // Called once per reading when a row's fields could not be read (a damaged page, say),
    // with SQLite's code (SQLITE_DONE for a row that was not found).
    void onUnreadable(std::function<void(int code)> report) { m_report = std::move(report); }
    void resetUnreadable() { m_reportedUnreadable = false; }

private:
    void load(StoredRow& row) const;
    void trimCache() const;

    mutable std::vector<StoredRow> m_rows;
    RowOrder m_order;
    size_t m_cacheRows = 4096;
    std::vector<ColumnKind> m_kinds;
    mutable Statement m_fetch;
    mutable quint32 m_clock = 0;
    mutable std::vector<size_t> m_cachedRows; // rows loaded on demand, which the cache may drop
    mutable size_t m_lastAsked = size_t(-1);
    mutable bool m_reportedUnreadable = false;
    std::function<void(int)> m_report;
    quint64 m_version = 0;
};

// Reads the visible fields and the rowid of the statement's current row.
StoredRow readRow(sqlite3_stmt* stmt, const std::vector<ResultColumn>& columns, std::vector<TextPool>& pools,
                  bool hasRowid);

// The ORDER BY keys are the first held columns of a row whose fields are not loaded.
inline const QVariant& orderKey(const StoredRow& row, size_t k, int column)
{
    if (row.loaded)
        return row.values[size_t(column)];
    return k == 0 ? row.key : row.values[k - 1];
}

// Two rows in the order given: by its columns as the file's collation orders them, then by rowid.
inline int compareRows(const StoredRow& a, const StoredRow& b, const RowOrder& order)
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

// A closed result with what is needed to bring it up to date at the next open of its statement.
struct KeptRows
{
    QString translated;
    QString table;
    std::vector<ResultColumn> columns;
    std::vector<StoredRow> rows;
    std::shared_ptr<ChangeWatch> watch;
    RowOrder order;
    bool lazy = false;
};

} // namespace engine
