#include "Query.h"

#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"

#include <QSet>
#include <algorithm>
#include <sqlite3.h>

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
    Stmt stmt;
    const QByteArray sql = t.sql.front().toUtf8();
    int code = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt.p, nullptr);
    if (code != SQLITE_OK)
        connection.raise(code, m_sql);

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

    std::vector<Row> rows;
    std::vector<TextPool> pools(columns.size());
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
        Row row;
        row.values.reserve(size_t(visible));
        for (int i = 0; i < visible; ++i)
            row.values.push_back(columnValue(stmt.p, i, columns[size_t(i)].kind, pools[size_t(i)]));
        if (t.hasRowid)
            row.rowid = sqlite3_column_int64(stmt.p, visible);
        rows.push_back(std::move(row));
    }
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        connection.raise(code, m_sql);

    m_columns = std::move(columns);
    m_rows = std::move(rows);
    m_table = table ? table->name : QString();
    m_singleTable = table != nullptr;
    m_state = State::Browse;
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    m_sort.clear();
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i].order = qint64(i);
    m_nextOrder = qint64(m_rows.size());
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
    m_state = State::Inactive;
    m_columns.clear();
    m_rows.clear();
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
    return m_rows[size_t(m_current)].values.at(size_t(column));
}

const QVariant& Query::value(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullValue();
    return m_rows[size_t(row)].values.at(size_t(column));
}

QString Query::text(int row, int column) const
{
    return storedToText(value(row, column), m_columns.at(size_t(column)).kind);
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
    row.order = m_nextOrder++;
    m_rows.push_back(std::move(row));
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
    m_original = m_rows[size_t(m_current)];
    m_modified.assign(m_columns.size(), false);
    m_state = State::Edit;
}

void Query::setStored(int column, QVariant stored)
{
    m_rows[size_t(m_current)].values[size_t(column)] = std::move(stored);
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
    Row& row = m_rows[size_t(m_current)];
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
        m_rows.erase(m_rows.begin() + removed);
        m_state = State::Browse;
        Q_EMIT rowRemoved(removed);
        m_current = std::min(removed, int(m_rows.size()) - 1);
        m_eof = m_rows.empty();
        Q_EMIT currentChanged(m_current);
    } else if (m_state == State::Edit) {
        m_rows[size_t(m_current)] = m_original;
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
    sqlite3_bind_int64(stmt.p, 1, m_rows[size_t(m_current)].rowid);
    code = sqlite3_step(stmt.p);
    if (code != SQLITE_DONE)
        connection.raise(code, m_sql);
    const int removed = m_current;
    m_rows.erase(m_rows.begin() + removed);
    Q_EMIT rowRemoved(removed);
    m_current = std::min(removed, int(m_rows.size()) - 1);
    m_eof = m_rows.empty();
    Q_EMIT currentChanged(m_current);
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
    // Each row's keys are read out of their values once; equal keys keep the statement's order.
    struct SortKey
    {
        int rank = 0; // 0 Null, 1 number, 2 text
        bool whole = false;
        qint64 integer = 0;
        double number = 0;
        QString text;
    };
    const size_t count = m_rows.size();
    std::vector<std::vector<SortKey>> sortKeys(keys.size(), std::vector<SortKey>(count));
    for (size_t k = 0; k < keys.size(); ++k)
        for (size_t r = 0; r < count; ++r) {
            const QVariant& value = m_rows[r].values[size_t(keys[k].column)];
            SortKey& key = sortKeys[k][r];
            if (value.isNull())
                continue;
            if (value.typeId() == QMetaType::LongLong) {
                key = {1, true, value.toLongLong(), double(value.toLongLong()), {}};
            } else if (value.typeId() == QMetaType::Double) {
                key = {1, false, 0, value.toDouble(), {}};
            } else {
                key.rank = 2;
                key.text = value.toString().toCaseFolded();
            }
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
    std::vector<size_t> positions(count);
    for (size_t r = 0; r < count; ++r)
        positions[r] = r;
    std::sort(positions.begin(), positions.end(), [&](size_t a, size_t b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int c = compareKeys(sortKeys[k][a], sortKeys[k][b]);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return m_rows[a].order < m_rows[b].order;
    });
    std::vector<Row> sorted;
    sorted.reserve(count);
    for (size_t r : positions)
        sorted.push_back(std::move(m_rows[r]));
    m_rows = std::move(sorted);
    m_sort = order;
    Q_EMIT reordered();
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    Q_EMIT currentChanged(m_current);
}

} // namespace engine
