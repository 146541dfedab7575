// The edit buffer: a row appended or edited, stored by post, dropped by cancel; a row deleted.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"

namespace engine {

namespace {

// Runs a kept write statement once and rewinds it for the next, its error (if any) read first.
void stepWrite(Connection& connection, sqlite3_stmt* stmt, const QString& statement)
{
    const int code = sqlite3_step(stmt);
    if (code != SQLITE_DONE) {
        const EngineError error = connection.errorFor(code, statement);
        sqlite3_reset(stmt);
        throw error;
    }
    sqlite3_reset(stmt);
}

} // namespace

using Kind = EngineError::Kind;

bool Query::canModify() const
{
    return m_state != State::Inactive && m_source.singleTable;
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
    if (!m_source.singleTable)
        throw EngineError(Kind::ReadOnlyResult,
                          QStringLiteral("這個查詢的結果 (合併或統計的資料) 不能修改。(%1)").arg(m_sql));
}

void Query::append()
{
    requireModifiable();
    checkBrowseMode();
    StoredRow row;
    row.values.resize(m_columns.size());
    row.pinned = true;
    m_rows.append(std::move(row));
    if (!m_sorting.view.empty())
        m_sorting.view.push_back(int(m_rows.size()) - 1);
    m_edit.modified.assign(m_columns.size(), false);
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
    StoredRow& row = m_rows.loaded(at(m_current));
    row.pinned = true;
    m_edit.original = row;
    m_edit.modified.assign(m_columns.size(), false);
    m_state = State::Edit;
}

void Query::setStored(int column, QVariant stored)
{
    m_rows.held(at(m_current)).values[size_t(column)] = std::move(stored);
    m_rows.changed();
    m_edit.modified[size_t(column)] = true;
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
    m_edit.postRefused = false;
    Q_EMIT updateRecord();
    if (m_edit.postRefused) {
        m_edit.postRefused = false;
        throw EngineError(Kind::Aborted, QStringLiteral("這筆修改沒有存入。"));
    }
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    Connection& connection = requireConnection();
    sqlite3* db = connection.handle();
    connection.requireUnmoved();
    StoredRow& row = m_rows.held(at(m_current));
    if (m_state == State::Edit)
        connection.keepFieldsBeforeWrite(m_table, row.rowid, this);
    // A key column refuses Null, as Jet's primary keys do; a new row must name it.
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].primaryKey && row.values[i].isNull() &&
            (m_edit.modified[i] || m_state == State::Insert))
            throw EngineError(
                Kind::KeyViolation,
                QStringLiteral("%1 是索引鍵的欄位,不能是空的,這筆資料沒有存入。").arg(m_columns[i].name));
    QStringList names;
    std::vector<const QVariant*> values;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_edit.modified[i]) {
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
    int code;
    sqlite3_stmt* stmt = connection.preparedWrite(sql.toUtf8(), code);
    if (!stmt)
        connection.raise(code, m_sql);
    int index = 1;
    for (const QVariant* value : values)
        bindValue(stmt, index++, *value);
    if (m_state == State::Edit)
        sqlite3_bind_int64(stmt, index, row.rowid);
    stepWrite(connection, stmt, m_sql);
    if (m_state == State::Insert) {
        row.rowid = sqlite3_last_insert_rowid(db);
        for (size_t i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].integerKey)
                row.values[i] = row.rowid;
        m_rows.changed();
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
        m_rows.held(at(m_current)) = m_edit.original;
        m_rows.changed();
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
    connection.requireUnmoved();
    int code;
    sqlite3_stmt* stmt = connection.preparedWrite(
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteName(m_table)).toUtf8(), code);
    if (!stmt)
        connection.raise(code, m_sql);
    const qint64 rowid = m_rows.held(at(m_current)).rowid;
    connection.keepFieldsBeforeWrite(m_table, rowid, this);
    sqlite3_bind_int64(stmt, 1, rowid);
    stepWrite(connection, stmt, m_sql);
    const int removed = m_current;
    eraseRow(removed);
    Q_EMIT rowRemoved(removed);
    m_current = std::min(removed, int(m_rows.size()) - 1);
    m_eof = m_rows.empty();
    Q_EMIT currentChanged(m_current);
}

} // namespace engine
