#include "Sqlite.h"

namespace engine {

namespace {

using Kind = EngineError::Kind;

} // namespace

QString errorDetail(sqlite3* db, int code)
{
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return QString::fromUtf8(message ? message : "");
}

EngineError makeError(sqlite3* db, int code, const QString& statement)
{
    const QString detail = errorDetail(db, code);
    const QString where = statement.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(statement);
    switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
        if (detail.contains(QLatin1String("NOT NULL")))
            return EngineError(Kind::KeyViolation,
                               QStringLiteral("必填的欄位是空的,這筆資料沒有存入。(%1)").arg(detail));
        return EngineError(
            Kind::KeyViolation,
            QStringLiteral("資料重複:索引鍵的欄位已有相同的值,這筆資料沒有存入。(%1)").arg(detail));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return EngineError(
            Kind::FileInUse,
            QStringLiteral("資料庫檔正被另一個 Velloran 使用中,請先關閉另一個視窗。(%1)").arg(detail));
    case SQLITE_READONLY:
        return EngineError(Kind::ReadOnly, QStringLiteral("資料庫檔無法寫入 (唯讀)。(%1)").arg(detail));
    case SQLITE_NOTADB:
        return EngineError(Kind::NotADatabase,
                           QStringLiteral("資料庫檔不是 Velloran 的資料庫,或已經損毀。(%1)").arg(detail));
    case SQLITE_CORRUPT:
        return EngineError(Kind::NotADatabase, QStringLiteral("資料庫檔已經損毀。(%1)").arg(detail));
    case SQLITE_FULL:
        return EngineError(Kind::Other, QStringLiteral("磁碟空間不足,資料沒有存入。(%1)").arg(detail));
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return EngineError(Kind::Other, QStringLiteral("讀寫資料庫檔時發生錯誤。(%1)").arg(detail));
    case SQLITE_ERROR:
        return EngineError(Kind::Syntax, QStringLiteral("SQL 陳述式無法執行:%1%2").arg(detail, where));
    default:
        return EngineError(Kind::Other, QStringLiteral("資料庫錯誤:%1%2").arg(detail, where));
    }
}

QVariant readValue(sqlite3_stmt* stmt, int column, ColumnKind kind)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        if (kind == ColumnKind::Float)
            return sqlite3_column_double(stmt, column);
        return qint64(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_NULL:
        return {};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
    }
    }
}

QVariant readValue(sqlite3_stmt* stmt, int column, ColumnKind kind, TextPool& pool)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return pool.take(text, sqlite3_column_bytes(stmt, column));
    }
    return readValue(stmt, column, kind);
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

int execRaw(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

} // namespace engine
