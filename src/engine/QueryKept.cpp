// A result kept at close and brought up to date at the next open of its statement.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"

#include <algorithm>

namespace engine {

void Query::watch(Connection& connection)
{
    if (m_source.subquery)
        return;
    m_source.watch = connection.watchTable(m_table, std::max<size_t>(256, m_rows.size() / 8));
}

// A result read in full is kept and brought up to date later when its order is certain and
// the rows just read follow it.
void Query::followChanges(const Translation& t, const std::optional<RowOrder>& order, Connection& connection)
{
    m_source.watch.reset();
    m_source.translated.clear();
    if (!order)
        return;
    for (size_t i = 1; i < m_rows.size(); ++i)
        if (compareRows(m_rows.held(i - 1), m_rows.held(i), *order) >= 0)
            return;
    m_rows.setOrder(*order);
    m_source.translated = t.sql.front();
    watch(connection);
}

// Brings a kept result up to date: the rows written since it was read are dropped and read
// again by rowid, each placed where the statement's order puts it.
bool Query::reopenKept(KeptRows& kept, const Translation& t, Connection& connection)
{
    if (!kept.watch || kept.watch->lost || kept.translated != t.sql.front())
        return false;
    sqlite3* db = connection.handle();
    if (kept.lazy) {
        m_source.translated = kept.translated;
        m_columns = kept.columns;
        if (!readOnDemand(connection)) {
            m_source.translated.clear();
            m_columns.clear();
            return false;
        }
    }
    std::vector<qint64> written = std::move(kept.watch->rowids);
    kept.watch->rowids.clear();
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());

    std::vector<StoredRow> fresh;
    if (!written.empty()) {
        Statement fetch;
        const QByteArray sql =
            (QStringLiteral("SELECT * FROM (") + t.sql.front() + QStringLiteral(") WHERE [__rowid] = ?1"))
                .toUtf8();
        int code = fetch.prepare(db, sql);
        if (code != SQLITE_OK)
            return false;
        std::vector<TextPool> pools(kept.columns.size());
        for (qint64 rowid : written) {
            fetch.bindInt64(1, rowid);
            while ((code = fetch.step()) == SQLITE_ROW)
                fresh.push_back(readRow(fetch.get(), kept.columns, pools, true));
            if (code != SQLITE_DONE)
                connection.raise(code, m_sql);
            fetch.rewind();
        }
        std::sort(fresh.begin(), fresh.end(), [&kept](const StoredRow& a, const StoredRow& b) {
            return compareRows(a, b, kept.order) < 0;
        });
    }

    std::vector<StoredRow> rows = std::move(kept.rows);
    if (!written.empty())
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [&written](const StoredRow& row) {
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
    m_rows.setOrder(std::move(kept.order));
    m_rows.assign(std::move(rows));
    m_table = kept.table;
    m_source.singleTable = true;
    m_source.translated = std::move(kept.translated);
    m_source.watch = std::move(kept.watch);
    m_source.watch->limit = std::max<size_t>(256, m_rows.size() / 8);
    m_source.rowSourceUnordered = t.from.unordered;
    m_source.openedInUnit = m_rows.onDemand() && !sqlite3_get_autocommit(db) && connection.writtenInUnit();
    m_rows.listCached();
    enterBrowse();
    return true;
}

} // namespace engine
