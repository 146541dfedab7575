#include "Transaction.h"

#include "Connection.h"

#include <sqlite3.h>

namespace engine {

namespace {

int depth = 0;

} // namespace

Transaction::Transaction(Connection& connection)
    : m_connection(connection), m_name(QStringLiteral("velloran_unit_%1").arg(++depth))
{
    sqlite3* db = m_connection.handle();
    try {
        m_connection.requireUnmoved();
    } catch (...) {
        --depth;
        m_open = false;
        throw;
    }
    if (depth == 1)
        m_connection.unitBegins();
    const int code = sqlite3_exec(db, QStringLiteral("SAVEPOINT %1").arg(m_name).toUtf8().constData(),
                                  nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        --depth;
        m_open = false;
        m_connection.raise(code);
    }
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    if (sqlite3* db = m_connection.isOpen() ? m_connection.handle() : nullptr) {
        m_connection.beforeRollback();
        const QByteArray name = m_name.toUtf8();
        sqlite3_exec(db, ("ROLLBACK TO " + name).constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(db, ("RELEASE " + name).constData(), nullptr, nullptr, nullptr);
    }
    --depth;
}

void Transaction::commit()
{
    if (!m_open)
        return;
    const int code = sqlite3_exec(m_connection.handle(), ("RELEASE " + m_name.toUtf8()).constData(), nullptr,
                                  nullptr, nullptr);
    if (code != SQLITE_OK)
        m_connection.raise(code);
    m_open = false;
    --depth;
}

} // namespace engine
