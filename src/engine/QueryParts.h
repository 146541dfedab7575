#pragma once

#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"
#include "StoredOrder.h"

#include <QVariant>
#include <sqlite3.h>
#include <vector>

// What the files of Query share: a row read from a statement, the rows' order, and what a
// closed result keeps for its next open.
namespace engine {

namespace queryparts {

inline const QVariant& nullValue()
{
    static const QVariant null;
    return null;
}

// Reads the visible fields and the rowid of the statement's current row.
template <typename Columns>
StoredRow readRow(sqlite3_stmt* stmt, const Columns& columns, std::vector<TextPool>& pools, bool hasRowid)
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

// The ORDER BY keys are the first held columns of a row whose fields are not loaded.
inline const QVariant& orderKey(const StoredRow& row, size_t k, int column)
{
    if (row.loaded)
        return row.values[size_t(column)];
    return k == 0 ? row.key : row.values[k - 1];
}

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

} // namespace queryparts

// A closed result with what is needed to bring it up to date at the next open of its statement.
struct KeptRows
{
    QString translated;
    QString table;
    std::vector<Query::Column> columns;
    std::vector<StoredRow> rows;
    std::shared_ptr<ChangeWatch> watch;
    RowOrder order;
    bool lazy = false;
};

} // namespace engine
