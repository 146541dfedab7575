// The order a result's rows come in, learnt from the statement and from its plan.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"

namespace engine {

// The ORDER BY of a single-table select as columns of the result: each key must be a column
// shown under its own name.
bool Query::namedOrder(const Translation& t, RowOrder& order) const
{
    if (!m_source.singleTable || !t.hasRowid || t.top >= 0 || !t.order.plain || t.sql.size() != 1)
        return false;
    for (const QString& name : t.order.columns) {
        int found = -1;
        for (size_t i = 0; i < m_columns.size() && found < 0; ++i)
            if (m_columns[i].baseName.compare(name, Qt::CaseInsensitive) == 0 &&
                m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                found = int(i);
        if (found < 0)
            return false;
        order.columns.push_back(found);
    }
    order.descending = t.order.descending;
    return true;
}

bool Query::tieByRowid(Translation& t)
{
    if (!t.singleTable || !t.hasRowid || t.top >= 0 || !t.order.plain || t.order.columns.isEmpty() ||
        t.sql.size() != 1)
        return false;
    const QString tie = QStringLiteral(", %1.rowid %2")
                            .arg(quoteName(t.table),
                                 t.order.descending.back() ? QStringLiteral("DESC") : QStringLiteral("ASC"));
    t.sql.front() += tie;
    t.from.ordered += tie;
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
        Statement explain;
        const QByteArray sql = (QStringLiteral("EXPLAIN QUERY PLAN ") + statement).toUtf8();
        if (explain.prepare(db, sql) != SQLITE_OK)
            return false;
        while (explain.step() == SQLITE_ROW)
            plan << explain.text(3);
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
    Statement info;
    const QByteArray sql = QStringLiteral("PRAGMA index_xinfo(%1)").arg(quoteName(index)).toUtf8();
    if (info.prepare(db, sql) != SQLITE_OK)
        return false;
    size_t k = 0;
    bool reverse = false;
    while (info.step() == SQLITE_ROW) {
        if (sqlite3_column_int(info.get(), 5) == 0) // the rowid, after the key columns
            continue;
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
        if (k >= size_t(t.order.columns.size()) || sqlite3_column_int(info.get(), 1) < 0 || !name ||
            t.order.columns[qsizetype(k)].compare(QString::fromUtf8(name), Qt::CaseInsensitive) != 0)
            return false;
        const bool flipped = bool(sqlite3_column_int(info.get(), 3)) != order.descending[k];
        if (k == 0)
            reverse = flipped;
        else if (flipped != reverse)
            return false;
        ++k;
    }
    if (k != size_t(t.order.columns.size()))
        return false;
    order.rowidDescending = reverse;
    return true;
}

} // namespace engine
