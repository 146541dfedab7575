#pragma once

#include "EngineError.h"

#include <QString>
#include <sqlite3.h>

// What the engine's files share of SQLite itself: one statement at a time, and its errors in the
// words a person reads.
namespace engine {

// A prepared statement, finalized when it goes.
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
    int code() const { return m_code; }
    sqlite3_stmt* get() const { return m_stmt; }
    void bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
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
