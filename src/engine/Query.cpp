#include "Query.h"

#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Sqlite.h"

#include <QRegularExpression>
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

const QVariant& nullValue()
{
    static const QVariant null;
    return null;
}

} // namespace

using Kind = EngineError::Kind;

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
    Translation t = translateJet(m_sql);
    if (t.kind != Translation::Kind::Select)
        throw EngineError(Kind::Syntax, QStringLiteral("這個陳述式不傳回資料列,無法開啟。(%1)").arg(m_sql));

    const TableInfo* table = t.singleTable ? connection.findTableInfo(t.table) : nullptr;
    if (table && table->withoutRowid) {
        withoutRowid(t);
        table = nullptr;
    }
    const bool tiedByRowid = table && tieByRowid(t);
    if (table && t.top < 0 && m_fieldsOnDemand)
        if (auto kept = connection.takeResult(m_sql))
            if (reopenKept(*kept, t, connection))
                return;
    if (table && t.top < 0)
        connection.forgetResults(table->name);
    Statement stmt;
    const QByteArray sql = t.sql.front().toUtf8();
    int code = stmt.prepare(db, sql);
    if (code != SQLITE_OK)
        connection.raise(code, m_sql);

    m_table = table ? table->name : QString();
    m_source.singleTable = table != nullptr;
    static const QRegularExpression select(QStringLiteral("\\bselect\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    m_source.subquery = select.match(t.from.unordered).hasMatch();
    const int total = stmt.columnCount();
    const int visible = total - (t.hasRowid ? 1 : 0) - t.tieKeys;
    std::vector<Column> columns(size_t(std::max(visible, 0)));
    for (int i = 0; i < visible; ++i) {
        Column& column = columns[size_t(i)];
        column.name = QString::fromUtf8(sqlite3_column_name(stmt.get(), i));
        const char* origin = sqlite3_column_origin_name(stmt.get(), i);
        const char* from = sqlite3_column_table_name(stmt.get(), i);
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
            const char* declared = sqlite3_column_decltype(stmt.get(), i);
            column.kind = kindFromDeclaredType(QString::fromUtf8(declared ? declared : ""));
        }
    }

    m_columns = std::move(columns);
    // The order the rows come in, when it is known for any row: then the result can be read
    // lazily, and kept for a refresh.
    std::optional<RowOrder> order;
    try {
        if (RowOrder known; namedOrder(t, known)) {
            if (certainOrder(t.sql.front(), t, known)) {
                order = std::move(known);
            } else if (tiedByRowid) {
                known.rowidDescending = known.descending.back();
                order = std::move(known);
            }
        }
        if (order && m_fieldsOnDemand && openLazy(t, *order, tiedByRowid, connection)) {
            enterBrowse();
            return;
        }
    } catch (...) {
        m_columns.clear();
        m_table.clear();
        m_source.singleTable = false;
        throw;
    }
    std::vector<StoredRow> rows;
    std::vector<TextPool> pools(m_columns.size());
    std::vector<QVariant> lastTies, ties(size_t(t.tieKeys));
    const int tieStart = visible + (t.hasRowid ? 1 : 0);
    while ((code = stmt.step()) == SQLITE_ROW) {
        if (t.tieKeys > 0) {
            for (int k = 0; k < t.tieKeys; ++k)
                ties[size_t(k)] = readValue(stmt.get(), tieStart + k, ColumnKind::Unknown);
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
        rows.push_back(readRow(stmt.get(), m_columns, pools, t.hasRowid));
    }
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        m_columns.clear();
        m_table.clear();
        m_source.singleTable = false;
        connection.raise(code, m_sql);
    }

    m_rows.assign(std::move(rows));
    followChanges(t, order, connection);
    enterBrowse();
}

// A result just read: on its first row, in the statement's order, unsorted.
void Query::enterBrowse()
{
    m_state = State::Browse;
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    m_sorting.order.clear();
    m_sorting.view.clear();
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
    if (m_source.watch && !m_source.watch->lost && m_state == State::Browse && m_connection &&
        m_connection->isOpen()) {
        auto kept = std::make_shared<KeptRows>();
        kept->translated = std::move(m_source.translated);
        kept->table = m_table;
        kept->columns = std::move(m_columns);
        kept->lazy = m_rows.onDemand();
        kept->order = m_rows.order();
        kept->rows = m_rows.take();
        kept->watch = std::move(m_source.watch);
        m_connection->keepResult(m_sql, m_table, std::move(kept));
    }
    m_rows.clear();
    m_source = {};
    m_state = State::Inactive;
    m_columns.clear();
    m_sorting.view.clear();
    m_sorting.order.clear();
    m_edit.modified.clear();
    m_current = -1;
    m_eof = true;
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
    return m_rows.loaded(at(m_current)).values.at(size_t(column));
}

const QVariant& Query::value(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullValue();
    return m_rows.loaded(at(row)).values.at(size_t(column));
}

QString Query::text(int row, int column) const
{
    return storedToText(value(row, column), m_columns.at(size_t(column)).kind);
}

void Query::eraseRow(int row)
{
    const size_t stored = at(row);
    m_rows.erase(stored);
    if (m_sorting.view.empty())
        return;
    m_sorting.view.erase(m_sorting.view.begin() + row);
    for (int& index : m_sorting.view)
        if (index > int(stored))
            --index;
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

} // namespace engine
