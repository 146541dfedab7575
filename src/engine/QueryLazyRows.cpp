// A result read as its rows' rowids and order keys, their other fields read on demand (the
// rows and their cache are engine/ResultRows), and what the connection asks of such a result.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace engine {

// A select of one table in a certain order is read as its rowids and ORDER BY keys alone (from
// the index that gives the order, where it holds them, or from the indexes its condition is
// answered from, then sorted), and a row's other fields are read when they are first asked for. False, with
// nothing read, where that cannot be done; the rows are then read in full.
bool Query::openLazy(const Translation& t, const RowOrder& order, bool tied, Connection& connection)
{
    if (t.from.ordered.isEmpty())
        return false;
    QString keys = QStringLiteral("SELECT %1.rowid AS [__rowid]").arg(quoteName(m_table));
    for (int column : order.columns)
        keys += QStringLiteral(", ") + quoteName(m_columns[size_t(column)].baseName);
    keys += u' ' + t.from.ordered;
    if (t.order.columns.isEmpty())
        keys += QStringLiteral(" ORDER BY %1.rowid").arg(quoteName(m_table));
    // The keys come in the result's order: by the rowid last where the statement says so, else
    // where the plan gives it.
    RowOrder keyOrder;
    if (!tied &&
        (!namedOrder(t, keyOrder) || !certainOrder(keys, t, keyOrder) || keyOrder.columns != order.columns ||
         keyOrder.descending != order.descending || keyOrder.rowidDescending != order.rowidDescending))
        return false;

    sqlite3* db = connection.handle();
    Statement stmt;
    const QByteArray sql = keys.toUtf8();
    if (stmt.prepare(db, sql) != SQLITE_OK || stmt.columnCount() != int(order.columns.size()) + 1)
        return false;
    std::vector<StoredRow> rows;
    std::vector<TextPool> pools(order.columns.size());
    int code;
    while ((code = stmt.step()) == SQLITE_ROW) {
        StoredRow row;
        row.rowid = stmt.int64(0);
        row.loaded = false;
        if (!order.columns.empty()) {
            for (size_t k = 0; k < order.columns.size(); ++k)
                ResultRows::setHeld(
                    row, k,
                    readValue(stmt.get(), int(k) + 1, m_columns[size_t(order.columns[k])].kind, pools[k]));
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
    if (rows.size() <= m_rows.cacheRows())
        return false;
    m_source.translated = t.sql.front();
    m_rows.setOrder(order);
    if (!readOnDemand(connection)) {
        m_source.translated.clear();
        return false;
    }

    m_rows.assign(std::move(rows));
    m_source.openedInUnit = !sqlite3_get_autocommit(db) && connection.writtenInUnit();
    m_source.rowSourceUnordered = t.from.unordered;
    watch(connection);
    return true;
}

// Prepares the read of one row by its rowid. Where every column shown is one of the table's,
// the row is read from the table itself: which rows belong to the result was settled when their
// keys were read, and a condition that looks at other rows (a subquery) is not run again for each.
// Else it is read from the translated statement.
bool Query::readOnDemand(Connection& connection)
{
    std::vector<ColumnKind> kinds;
    kinds.reserve(m_columns.size());
    QStringList names;
    for (const Column& column : m_columns) {
        kinds.push_back(column.kind);
        if (!column.baseName.isEmpty())
            names << quoteName(column.baseName);
    }
    const QString fetch =
        m_source.singleTable && names.size() == qsizetype(m_columns.size())
            ? QStringLiteral("SELECT %1, rowid FROM %2 WHERE rowid = ?1")
                  .arg(names.join(u','), quoteName(m_table))
            : QStringLiteral("SELECT * FROM (%1) WHERE [__rowid] = ?1").arg(m_source.translated);
    m_rows.onUnreadable([this](int code) { reportUnreadable(code); });
    return m_rows.readOnDemand(connection, fetch, kinds);
}

// A row's fields could not be read: said once the paint or walk that asked is over.
void Query::reportUnreadable(int code)
{
    const QString detail =
        code == SQLITE_DONE || !m_connection ? QString() : m_connection->errorFor(code, m_sql).message();
    const QString message =
        QStringLiteral("資料表 %1 有資料列讀不出來,這些資料列只顯示排序的欄位。%2").arg(m_table, detail);
    QMetaObject::invokeMethod(
        this, [this, message] { Q_EMIT fieldsUnreadable(message); }, Qt::QueuedConnection);
}

void Query::keepAllFields()
{
    m_rows.keepAll();
}

bool Query::readsFieldsOnDemand(const QString& table) const
{
    return m_rows.onDemand() && m_state != State::Inactive &&
           (table.isEmpty() || table.compare(m_table, Qt::CaseInsensitive) == 0);
}

void Query::keepFieldsOf(const std::vector<qint64>& rowids)
{
    m_rows.keep(rowids);
}

void Query::keepFieldsBeforeRollback()
{
    if (m_source.openedInUnit)
        m_rows.keepAll();
}

int Query::rowsInMemory() const
{
    return m_rows.rowsInMemory();
}

// One column's value of every row, handed over with the row's stored place, for a sort. Rows
// without their fields give it from what they hold, or from one read of the column over the
// statement's rows (joined by rowid); nothing read is kept beyond the sort.
void Query::forEachInColumn(int column, const std::function<void(size_t, const QVariant&)>& take) const
{
    std::vector<bool> given(m_rows.size());
    const int place = m_rows.heldPlace(column);
    qint64 low = std::numeric_limits<qint64>::max(), high = std::numeric_limits<qint64>::min();
    size_t missing = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const StoredRow& row = m_rows.held(i);
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
                    byRowid[size_t(m_rows.held(i).rowid - low)] = qint32(i);
                else
                    byHash.emplace(m_rows.held(i).rowid, i);
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
                                   .arg(quoteName(m_table), quoteName(base), m_source.rowSourceUnordered)
                                   .toUtf8();
        int code = stmt.prepare(connection.handle(), sql);
        if (code != SQLITE_OK)
            connection.raise(code, m_sql);
        TextPool pool;
        const ColumnKind kind = m_columns[size_t(column)].kind;
        while ((code = stmt.step()) == SQLITE_ROW) {
            const qint64 stored = storedAt(stmt.int64(0));
            if (stored >= 0 && !given[size_t(stored)]) {
                take(size_t(stored), readValue(stmt.get(), 1, kind, pool));
                given[size_t(stored)] = true;
            }
        }
        if (code != SQLITE_DONE)
            connection.raise(code, m_sql);
    }
    // A row the read did not give (a column shown from an expression) is read whole.
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (!given[i])
            take(i, m_rows.loaded(i).values[size_t(column)]);
}

} // namespace engine
