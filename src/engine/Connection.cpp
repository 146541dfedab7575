#include "Connection.h"

#include "JetFile.h"

#include "EngineError.h"
#include "OpenResult.h"
#include "SqlFunctions.h"
#include "Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace engine {

namespace {

using Kind = EngineError::Kind;

constexpr int cipherPageSize = 1024;

EngineError wrongPassword(const QString& name, const QString& detail)
{
    return EngineError(
        EngineError::Kind::WrongPassword,
        QStringLiteral("資料庫密碼錯誤,無法開啟 %1。請以正確的密碼重新啟動程式。(%2)").arg(name, detail));
}

} // namespace

const ColumnInfo* TableInfo::column(const QString& wanted) const
{
    for (const auto& column : columns)
        if (column.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &column;
    return nullptr;
}

Connection::Connection() = default;

Connection::~Connection()
{
    close();
    for (OpenResult* result : std::set<OpenResult*>(m_queries))
        result->connectionGone();
}

void Connection::setConnectionString(const QString& text)
{
    m_source.connectionString = text;
    m_source.dataSource.clear();
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const int equals = part.indexOf(u'=');
        if (equals > 0 &&
            part.left(equals).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
            m_source.dataSource = part.mid(equals + 1).trimmed();
    }
}

void Connection::setProperty(const QString& name, const QString& value)
{
    if (name == QLatin1String(passwordProperty))
        m_source.password = value;
}

void Connection::refuseUntilChanged(const EngineError& error)
{
    const QFileInfo info(databasePath());
    m_refusal = Refusal{info.absoluteFilePath(), m_source.password, info.size(), info.lastModified(), error};
}

QString Connection::databasePath() const
{
    return QDir::current().absoluteFilePath(m_source.dataSource);
}

void Connection::open()
{
    if (m_db)
        return;
    const QString path = databasePath();
    const QString name = QFileInfo(m_source.dataSource).fileName();
    const QFileInfo info(path);
    if (m_source.dataSource.isEmpty() || !info.exists())
        throw EngineError(Kind::MissingFile, QStringLiteral("找不到資料庫檔 %1 (%2)。").arg(name, path));
    if (!info.isFile())
        throw EngineError(Kind::NotADatabase,
                          (info.isDir() ? QStringLiteral("%1 是資料夾,不是 Velloran 的資料庫檔 (%2)。")
                                        : QStringLiteral("%1 不是一般的檔案,不是 Velloran 的資料庫檔 (%2)。"))
                              .arg(name, path));
    if (info.size() == 0)
        throw EngineError(Kind::NotADatabase,
                          QStringLiteral("%1 是空的檔案,不是 Velloran 的資料庫檔 (%2)。").arg(name, path));
    if (m_refusal && m_refusal->path == path && m_refusal->password == m_source.password &&
        m_refusal->size == info.size() && m_refusal->modified == info.lastModified())
        throw m_refusal->error;
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.read(16).startsWith("SQLite format 3"))
            throw EngineError(
                Kind::NotADatabase,
                QStringLiteral("%1 是沒有加密的資料庫,不是 Velloran 的資料庫檔 (%2)。").arg(name, path));
    }
    if (const auto jet = readJetHeader(path)) {
        // A Windows-era file is brought across before the first open (store/import); one that
        // is still here was not: refused like any wrong password, or named for what it is.
        EngineError error =
            jetPasswordMatches(*jet, m_source.password)
                ? EngineError(Kind::NotADatabase,
                              QStringLiteral("%1 是 Windows 版的資料庫檔,還沒有轉換成這一版的格式 (%2)。")
                                  .arg(name, path))
                : wrongPassword(name, QStringLiteral("Jet"));
        m_refusal = Refusal{path, m_source.password, info.size(), info.lastModified(), error};
        throw error;
    }
    if (!info.isWritable())
        throw EngineError(Kind::ReadOnly, QStringLiteral("%1 是唯讀檔案,無法寫入 (%2)。").arg(name, path));
    if (!QFileInfo(info.absolutePath()).isWritable())
        throw EngineError(Kind::ReadOnly,
                          QStringLiteral("%1 所在的資料夾無法寫入 (%2)。").arg(name, info.absolutePath()));

    sqlite3* db = nullptr;
    // The connection is used from the window's thread alone: SQLite need not lock it at every call.
    int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    auto fail = [&](int failed) -> EngineError {
        EngineError error = makeError(db, failed, QString());
        if ((failed & 0xff) == SQLITE_NOTADB) {
            // An encrypted file's size is whole pages; anything else was never one of ours.
            if (info.size() % cipherPageSize == 0)
                error = wrongPassword(name, errorDetail(db, failed));
            else
                error = EngineError(Kind::NotADatabase,
                                    QStringLiteral("%1 不是 Velloran 的資料庫檔,或已經損毀。(%2)")
                                        .arg(name, errorDetail(db, failed)));
        } else if ((failed & 0xff) == SQLITE_BUSY || (failed & 0xff) == SQLITE_LOCKED) {
            error =
                EngineError(Kind::FileInUse,
                            QStringLiteral("%1 正被另一個 Velloran 使用中,無法開啟。請先關閉另一個視窗。(%2)")
                                .arg(name, errorDetail(db, failed)));
        }
        sqlite3_close(db);
        if (error.kind() == Kind::WrongPassword || error.kind() == Kind::NotADatabase)
            m_refusal = Refusal{path, m_source.password, info.size(), info.lastModified(), error};
        return error;
    };
    if (code != SQLITE_OK)
        throw fail(code);
    sqlite3_extended_result_codes(db, 1);
    const QByteArray key = m_source.password.toUtf8();
    sqlite3_key(db, key.constData(), int(key.size()));
    sqlite3_busy_timeout(db, 0);
    // Pages stay decrypted while they fit: 32 MiB holds every page of a ledger of 100 000
    // entries a side. Beyond that the room grows with the file, to 30 % of it (up to 256 MiB),
    // which holds the account indexes that every balance walks (about a quarter of the file);
    // the grids read the date indexes once per start and the table's pages row by row, and
    // those pages may come and go.
    const qint64 cacheKiB = std::clamp<qint64>(info.size() * 3 / 10240, 32768, 262144);
    execRaw(db, QStringLiteral("PRAGMA cache_size = -%1").arg(cacheKiB).toUtf8().constData());
    if (m_source.shareMode == ShareMode::Exclusive &&
        (code = execRaw(db, "PRAGMA locking_mode = EXCLUSIVE")) != SQLITE_OK)
        throw fail(code);
    if ((code = execRaw(db, "SELECT count(*) FROM sqlite_master")) != SQLITE_OK)
        throw fail(code);
    // Take the write lock now: in exclusive mode it is then held until the file is closed,
    // so a second copy of the program cannot read or change the file meanwhile.
    if (m_source.shareMode == ShareMode::Exclusive) {
        if ((code = execRaw(db, "BEGIN EXCLUSIVE")) != SQLITE_OK)
            throw fail(code);
        if ((code = execRaw(db, "COMMIT")) != SQLITE_OK)
            throw fail(code);
    }
    registerSqlFunctions(db);
    m_db = db;
    if (m_source.shareMode == ShareMode::Exclusive)
        clearRekeyLeftovers();
    sqlite3_update_hook(db, &Connection::rowWritten, this);
    m_refusal.reset();
    m_source.openPassword = m_source.password;
    schemaChanged();
    ensureKept();
}

void Connection::close()
{
    if (!m_db)
        return;
    for (OpenResult* result : std::set<OpenResult*>(m_queries))
        result->connectionClosing();
    forgetPreparedWrites();
    sqlite3_close(m_db);
    m_db = nullptr;
    schemaChanged();
}

sqlite3* Connection::handle()
{
    open();
    return m_db;
}

void Connection::attach(OpenResult* query)
{
    m_queries.insert(query);
}

void Connection::detach(OpenResult* query)
{
    m_queries.erase(query);
}

void Connection::keepFieldsBeforeWrite(const QString& table, std::optional<qint64> rowid,
                                       const OpenResult* writer)
{
    for (OpenResult* query : m_queries)
        if (query != writer && query->readsFieldsOnDemand(table)) {
            if (rowid)
                query->keepFieldsOf({*rowid});
            else
                query->keepAllFields();
        }
}

// Before an UPDATE or DELETE: the open results that have not read every row of its table keep
// the fields of the rows it is about to change (found by the statement's own WHERE), or of all
// rows when those cannot be told.
void Connection::keepFieldsBeforeModify(const Translation& t)
{
    std::vector<OpenResult*> readers;
    for (OpenResult* query : m_queries)
        if (query->readsFieldsOnDemand(t.table))
            readers.push_back(query);
    if (readers.empty())
        return;
    if (!t.modify.changedRows.isEmpty()) {
        Statement stmt(m_db, t.modify.changedRows);
        if (stmt.code() == SQLITE_OK) {
            std::vector<qint64> rowids;
            int code;
            while ((code = stmt.step()) == SQLITE_ROW)
                rowids.push_back(stmt.int64(0));
            if (code == SQLITE_DONE) {
                std::sort(rowids.begin(), rowids.end());
                for (OpenResult* query : readers)
                    query->keepFieldsOf(rowids);
                return;
            }
        }
    }
    for (OpenResult* query : readers)
        query->keepAllFields();
}

void Connection::beforeRollback()
{
    for (OpenResult* query : m_queries)
        query->keepFieldsBeforeRollback();
    // The rows the unit wrote go back without passing the write hook, and a result read inside
    // the unit did not see the writes before it: no kept result can be brought up to date.
    for (const auto& weak : m_watches)
        if (const std::shared_ptr<ChangeWatch> watch = weak.lock()) {
            watch->lost = true;
            watch->rowids.clear();
        }
}

std::shared_ptr<ChangeWatch> Connection::watchTable(const QString& table, size_t limit)
{
    auto watch = std::make_shared<ChangeWatch>();
    watch->table = table.toUtf8();
    watch->limit = limit;
    m_watches.erase(std::remove_if(m_watches.begin(), m_watches.end(),
                                   [](const std::weak_ptr<ChangeWatch>& w) { return w.expired(); }),
                    m_watches.end());
    m_watches.push_back(watch);
    return watch;
}

void Connection::keepResult(const QString& statement, const QString& table, std::shared_ptr<KeptRows> result)
{
    // One result per table at most, so that no table's rows are held more than once beside the
    // open results.
    constexpr size_t kept = 4;
    forgetResults(table);
    if (m_kept.size() >= kept)
        m_kept.erase(m_kept.begin());
    m_kept.push_back({statement, table, std::move(result)});
}

void Connection::forgetResults(const QString& table)
{
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(),
                                [&table](const KeptResult& k) {
                                    return k.table.compare(table, Qt::CaseInsensitive) == 0;
                                }),
                 m_kept.end());
}

std::shared_ptr<KeptRows> Connection::takeResult(const QString& statement)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
        if (it->statement == statement) {
            std::shared_ptr<KeptRows> result = std::move(it->result);
            m_kept.erase(it);
            return result;
        }
    return nullptr;
}

void Connection::rowWritten(void* self, int, const char* database, const char* table, qint64 rowid)
{
    auto* connection = static_cast<Connection*>(self);
    ++connection->m_writes.inStatement;
    ++connection->m_writes.soFar;
    if (std::strcmp(database, "main") != 0)
        return;
    for (const auto& weak : connection->m_watches) {
        const std::shared_ptr<ChangeWatch> watch = weak.lock();
        if (!watch || watch->lost || sqlite3_stricmp(watch->table.constData(), table) != 0)
            continue;
        if (watch->rowids.size() >= watch->limit) {
            watch->lost = true;
            watch->rowids.clear();
            watch->rowids.shrink_to_fit();
        } else {
            watch->rowids.push_back(rowid);
        }
    }
}

sqlite3_stmt* Connection::preparedWrite(const QByteArray& sql, int& code)
{
    code = SQLITE_OK;
    for (const auto& [text, stmt] : m_preparedWrites)
        if (text == sql) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
            return stmt;
        }
    sqlite3_stmt* stmt = nullptr;
    code = sqlite3_prepare_v2(handle(), sql.constData(), int(sql.size()), &stmt, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    // A few: a page writes to a table or two at a time.
    constexpr size_t kept = 8;
    if (m_preparedWrites.size() >= kept) {
        sqlite3_finalize(m_preparedWrites.front().second);
        m_preparedWrites.erase(m_preparedWrites.begin());
    }
    m_preparedWrites.emplace_back(sql, stmt);
    return stmt;
}

void Connection::forgetPreparedWrites()
{
    for (const auto& [text, stmt] : m_preparedWrites)
        sqlite3_finalize(stmt);
    m_preparedWrites.clear();
}

void Connection::schemaChanged()
{
    forgetPreparedWrites();
    m_tables.clear();
    m_kept.clear();
    for (const auto& weak : m_watches)
        if (const std::shared_ptr<ChangeWatch> watch = weak.lock()) {
            watch->lost = true;
            watch->rowids.clear();
        }
    m_watches.clear();
}

void Connection::runModify(const QString& sql, const QString& statement)
{
    m_writes.inStatement = 0;
    prepareAndRun(sql, statement);
    // A statement that changed rows the write hook did not see (a table emptied at once)
    // cannot be followed row by row.
    if (sqlite3_changes(m_db) > m_writes.inStatement)
        schemaChanged();
}

void Connection::raise(int code, const QString& statement) const
{
    throw errorFor(code, statement);
}

EngineError Connection::errorFor(int code, const QString& statement) const
{
    return makeError(m_db, code, statement);
}

void Connection::requireUnmoved()
{
    handle();
    int moved = 0;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || !moved)
        return;
    throw EngineError(
        Kind::FileMoved,
        QStringLiteral(
            "資料庫檔 %1 在程式執行中被移動、刪除或換成了另一個檔案 (例如還原了備份,或同步程式換了檔案),"
            "這次的修改沒有存入。請關閉 Velloran 後重新開啟。")
            .arg(databasePath()));
}

void Connection::exec(const QString& sql)
{
    const int code = execRaw(m_db, sql.toUtf8().constData());
    if (code != SQLITE_OK)
        raise(code, sql);
}

void Connection::prepareAndRun(const QString& sql, const QString& statement)
{
    Statement stmt(m_db, sql);
    if (stmt.code() != SQLITE_OK)
        raise(stmt.code(), statement);
    int code;
    while ((code = stmt.step()) == SQLITE_ROW) {
    }
    if (code != SQLITE_DONE)
        raise(code, statement);
}

void Connection::execute(const QString& statement)
{
    const Translation translation = translateJet(statement);
    handle();
    run(translation, statement);
}

void Connection::run(const Translation& t, const QString& statement)
{
    using K = Translation::Kind;
    if (t.kind != K::Select)
        requireUnmoved();
    // Rows that other statements change, or whose table changes shape, are read first by the
    // open results that have not read them yet.
    if (t.kind == K::Modify && !t.modify.inserts)
        keepFieldsBeforeModify(t);
    else if (t.kind == K::DropTable || t.kind == K::AddColumn || t.kind == K::AlterColumn)
        keepFieldsBeforeWrite(t.table, std::nullopt);
    switch (t.kind) {
    case K::Select:
    case K::DropTable:
        for (const QString& sql : t.sql)
            prepareAndRun(sql, statement);
        break;
    case K::Modify:
        for (const QString& sql : t.sql)
            runModify(sql, statement);
        break;
    case K::CreateTable:
    case K::CreateIndex:
        exec(QStringLiteral("SAVEPOINT jet_create"));
        try {
            for (const QString& sql : t.sql) {
                Statement stmt(m_db, sql);
                int code = stmt.code();
                if (code == SQLITE_OK)
                    while ((code = stmt.step()) == SQLITE_ROW) {
                    }
                if (code == SQLITE_CONSTRAINT || (code & 0xff) == SQLITE_CONSTRAINT)
                    throw EngineError(Kind::KeyViolation,
                                      QStringLiteral("資料表 %1 已有重複的值,無法建立索引 %2。")
                                          .arg(t.table, t.ddl.constraint));
                if (code != SQLITE_OK && code != SQLITE_DONE) {
                    const QString detail = errorDetail(m_db, code);
                    if (detail.contains(QLatin1String("already exists")))
                        throw EngineError(
                            Kind::Syntax,
                            t.kind == K::CreateTable
                                ? QStringLiteral("資料表 %1 已經存在。").arg(t.table)
                                : QStringLiteral("資料表 %1 已經有索引 %2。").arg(t.table, t.ddl.constraint));
                    raise(code, statement);
                }
            }
            exec(QStringLiteral("RELEASE jet_create"));
        } catch (...) {
            execRaw(m_db, "ROLLBACK TO jet_create");
            execRaw(m_db, "RELEASE jet_create");
            schemaChanged();
            throw;
        }
        break;
    case K::AddColumn:
        addColumn(t, statement);
        break;
    case K::AlterColumn:
        alterColumn(t, statement);
        break;
    case K::DropConstraint:
        dropConstraint(t, statement);
        break;
    case K::AddConstraint:
        addConstraint(t, statement);
        break;
    case K::DropIndex:
        dropIndex(t, statement);
        break;
    case K::AlterPassword:
        changePassword(t);
        break;
    }
    if (t.kind != K::Select && t.kind != K::Modify)
        schemaChanged();
}

const TableInfo& Connection::tableInfo(const QString& table)
{
    if (const TableInfo* info = findTableInfo(table))
        return *info;
    throw EngineError(Kind::Syntax, QStringLiteral("找不到資料表 %1。").arg(table));
}

const TableInfo* Connection::findTableInfo(const QString& table)
{
    const QString key = table.toLower();
    if (auto it = m_tables.constFind(key); it != m_tables.constEnd())
        return &*it;
    handle();
    TableInfo info;
    {
        Statement stmt(
            m_db,
            QStringLiteral(
                "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"));
        stmt.bind(1, table);
        if (stmt.step() != SQLITE_ROW)
            return nullptr;
        info.name = stmt.text(0);
        const QString sql = stmt.text(1);
        info.autoIncrement = sql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
        static const QRegularExpression withoutRowid(QStringLiteral("\\bWITHOUT\\s+ROWID\\s*$"),
                                                     QRegularExpression::CaseInsensitiveOption);
        info.withoutRowid = withoutRowid.match(sql).hasMatch();
    }
    Statement stmt(m_db, QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(info.name)));
    int keyColumns = 0;
    while (stmt.step() == SQLITE_ROW) {
        ColumnInfo column;
        column.name = stmt.text(1);
        column.declaredType = stmt.text(2);
        column.kind = kindFromDeclaredType(column.declaredType);
        column.textLimit = textLimitFromDeclaredType(column.declaredType);
        if (sqlite3_column_int(stmt.get(), 5) > 0) {
            ++keyColumns;
            column.integerKey =
                column.declaredType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        }
        info.columns.push_back(column);
    }
    if (keyColumns != 1)
        for (auto& column : info.columns)
            column.integerKey = false;
    for (const QString& index : keyIndexes(info.name, "pk")) {
        Statement columns(m_db, QStringLiteral("PRAGMA index_info(%1)").arg(quoteName(index)));
        while (columns.step() == SQLITE_ROW)
            if (const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), 2)))
                for (auto& column : info.columns)
                    if (column.name == QString::fromUtf8(name))
                        column.primaryKey = true;
    }
    return &*m_tables.insert(key, info);
}

QString Connection::storedTableName(const QString& table)
{
    return tableInfo(table).name;
}

std::unique_ptr<Connection> Connection::openFile(const QString& path, const QString& password)
{
    auto connection = std::make_unique<Connection>();
    connection->setConnectionString(QStringLiteral("Data Source=") + path);
    connection->setProperty(QString::fromLatin1(passwordProperty), password);
    connection->open();
    return connection;
}

void Connection::createDatabase(const QString& path, const QString& password)
{
    if (QFileInfo::exists(path))
        throw EngineError(Kind::Other, QStringLiteral("%1 已經存在,不會覆蓋。").arg(path));
    sqlite3* db = nullptr;
    int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code == SQLITE_OK) {
        const QByteArray key = password.toUtf8();
        sqlite3_key(db, key.constData(), int(key.size()));
        code = execRaw(db, "CREATE TABLE __velloran_init (x); DROP TABLE __velloran_init;");
    }
    if (code != SQLITE_OK) {
        const EngineError error = makeError(db, code, QString());
        sqlite3_close(db);
        QFile::remove(path);
        throw error;
    }
    sqlite3_close(db);
}

} // namespace engine
