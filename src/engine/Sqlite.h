#pragma once

#include "Conversions.h"
#include "EngineError.h"

#include <QSet>
#include <QString>
#include <QVariant>
#include <sqlite3.h>

// What the engine's files, and the import and export beside them, share of SQLite itself: one
// statement at a time, its values read and bound in one way, and its errors in the words a
// person reads.
namespace engine {

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

// A stored value as the engine holds it: whole numbers as qint64 (as a double in a column of
// floats), floats as double, texts as QString, Null as an empty QVariant.
QVariant readValue(sqlite3_stmt* stmt, int column, ColumnKind kind);
QVariant readValue(sqlite3_stmt* stmt, int column, ColumnKind kind, TextPool& pool);
void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value);

// A prepared statement, finalized once, when it goes.
class Statement
{
public:
    Statement() = default;
    Statement(sqlite3* db, const QString& sql) { prepare(db, sql.toUtf8()); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Prepares the statement, giving up the one held before; SQLite's code.
    int prepare(sqlite3* db, const QByteArray& sql)
    {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_code = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
        return m_code;
    }
    // Gives the statement up now.
    void reset()
    {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_code = SQLITE_MISUSE;
    }
    int code() const { return m_code; }
    bool isPrepared() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    void bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, const QVariant& value) { bindValue(m_stmt, index, value); }
    // UTF-8 text of this many bytes, copied.
    void bindText(int index, const char* utf8, int bytes)
    {
        sqlite3_bind_text(m_stmt, index, utf8, bytes, SQLITE_TRANSIENT);
    }
    void bindInt64(int index, qint64 value) { sqlite3_bind_int64(m_stmt, index, value); }
    void bindDouble(int index, double value) { sqlite3_bind_double(m_stmt, index, value); }
    void bindNull(int index) { sqlite3_bind_null(m_stmt, index); }

    // SQLITE_ROW, SQLITE_DONE or an error's code.
    int step() { return sqlite3_step(m_stmt); }
    // Ready to run again, with its bindings kept.
    void rewind() { sqlite3_reset(m_stmt); }

    int columnCount() const { return sqlite3_column_count(m_stmt); }
    int type(int column) const { return sqlite3_column_type(m_stmt, column); }
    qint64 int64(int column) const { return sqlite3_column_int64(m_stmt, column); }
    double number(int column) const { return sqlite3_column_double(m_stmt, column); }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
                                 sqlite3_column_bytes(m_stmt, column));
    }
    QVariant value(int column, ColumnKind kind = ColumnKind::Unknown) const
    {
        return readValue(m_stmt, column, kind);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_code = SQLITE_MISUSE;
};

int execRaw(sqlite3* db, const char* sql);
QString errorDetail(sqlite3* db, int code);
// The error for SQLite's code, its message after a sentence of our own for the common cases.
EngineError makeError(sqlite3* db, int code, const QString& statement);

} // namespace engine
