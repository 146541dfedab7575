// A new password for the open file: the file is written anew under the new key beside the old
// one and put in its place whole, so that at every moment the file's name holds either the old
// file under the old password or the new one under the new.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "OpenResult.h"
#include "Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

using Kind = EngineError::Kind;

// ".finance.mdb.rekey-<pid>" beside the file: the copy this process writes.
QString copyPathFor(const QFileInfo& file)
{
    return file.absoluteDir().filePath(QStringLiteral(".%1.rekey-%2").arg(file.fileName()).arg(::getpid()));
}

void removeCopy(const QString& copy)
{
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral("-journal"));
}

bool syncToDisk(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

EngineError notChanged(const QString& why)
{
    return EngineError(Kind::Other,
                       QStringLiteral("無法變更資料庫密碼,資料庫檔和密碼都沒有變動:%1").arg(why));
}

// The first row the statement gives, its fields as text joined by "|", or the error it met.
int readRow(sqlite3* db, const QString& sql, QString& row)
{
    Statement stmt;
    int code = stmt.prepare(db, sql.toUtf8());
    if (code == SQLITE_OK) {
        code = stmt.step();
        if (code == SQLITE_ROW) {
            QStringList fields;
            for (int i = 0; i < stmt.columnCount(); ++i)
                fields << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), i)));
            row = fields.join(u'|');
            code = SQLITE_OK;
        }
    }
    return code;
}

} // namespace

void Connection::changePassword(const Translation& t)
{
    if (t.password.from != m_source.openPassword)
        throw EngineError(Kind::WrongPassword, QStringLiteral("舊密碼不正確,資料庫密碼沒有變更。"));
    if (t.password.to.isEmpty())
        throw EngineError(Kind::BadValue, QStringLiteral("新密碼不能是空的,資料庫密碼沒有變更。"));
    if (m_source.shareMode != ShareMode::Exclusive)
        throw EngineError(Kind::Other, QStringLiteral("資料庫必須以獨佔模式開啟,才能變更密碼。"));
    requireUnmoved();
    const QFileInfo file(databasePath());
    const QString path = file.absoluteFilePath();
    const QString copy = copyPathFor(file);
    removeCopy(copy);
    // The results that read their rows' fields on demand read them now: their statements belong
    // to the file that is about to be replaced.
    for (OpenResult* query : m_queries)
        query->keepAllFields();

    // The copy starts as an empty file of the old one's mode: the connection never creates files.
    {
        struct stat old = {};
        const mode_t mode =
            ::stat(QFile::encodeName(path).constData(), &old) == 0 ? (old.st_mode & 07777) : 0600;
        const int fd =
            ::open(QFile::encodeName(copy).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            throw notChanged(QStringLiteral("%1 (%2)").arg(systemError(), copy));
        ::fchmod(fd, mode);
        ::close(fd);
    }
    // The copy: every table with its rows under their own rowids (the serials and the grids'
    // rows stay what they were), the indexes, the AUTOINCREMENT counters, the user version.
    const QByteArray copyName = QFile::encodeName(copy);
    const QByteArray key = t.password.to.toUtf8();
    int code = SQLITE_OK;
    {
        Statement attach;
        code = attach.prepare(m_db, "ATTACH DATABASE ?1 AS rekeyed KEY ?2");
        if (code == SQLITE_OK) {
            sqlite3_bind_text(attach.get(), 1, copyName.constData(), int(copyName.size()), SQLITE_TRANSIENT);
            sqlite3_bind_blob(attach.get(), 2, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            code = attach.step();
            if (code == SQLITE_DONE)
                code = SQLITE_OK;
        }
    }
    if (code != SQLITE_OK) {
        const EngineError error = notChanged(errorFor(code).message());
        removeCopy(copy);
        throw error;
    }
    std::optional<EngineError> failure;
    auto check = [&](int result, const QString& what) {
        // The export reports a full disk as its own error, in SQLite's words.
        if (result == SQLITE_ERROR && QByteArray(sqlite3_errmsg(m_db)).contains("disk is full"))
            result = SQLITE_FULL;
        if (result != SQLITE_OK && !failure)
            failure = notChanged(errorFor(result, what).message());
        return !failure;
    };
    QString version;
    if (check(sqlite3_exec(m_db, "SELECT sqlcipher_export('rekeyed')", nullptr, nullptr, nullptr),
              QStringLiteral("sqlcipher_export")) &&
        check(readRow(m_db, QStringLiteral("PRAGMA main.user_version"), version), QString()) &&
        check(sqlite3_exec(m_db,
                           QStringLiteral("PRAGMA rekeyed.user_version = %1")
                               .arg(version.toLongLong())
                               .toUtf8()
                               .constData(),
                           nullptr, nullptr, nullptr),
              QString())) {
        // What was written is read back: every table as many rows, under the same rowids where
        // it has them.
        QStringList tables, keyedTables; // the latter without rowids, stored by their keys
        {
            QStringList names;
            Statement list;
            if (list.prepare(m_db, "SELECT name FROM main.sqlite_master WHERE type = 'table' AND "
                                   "name NOT LIKE 'sqlite!_%' ESCAPE '!'") == SQLITE_OK)
                while (list.step() == SQLITE_ROW)
                    names << list.text(0);
            for (const QString& name : names)
                (tableInfo(name).withoutRowid ? keyedTables : tables) << name;
        }
        // A table without a serial of its own is copied row by row, which numbers the rows
        // anew; they are put back under the rowids they had, by which results know them.
        for (const QString& table : tables) {
            const TableInfo& info = tableInfo(table);
            bool numbered = false;
            QStringList columns;
            for (const ColumnInfo& column : info.columns) {
                numbered = numbered || column.integerKey;
                columns << quoteName(column.name);
            }
            if (numbered || columns.isEmpty())
                continue;
            const QString list = columns.join(u',');
            const QString sql =
                QStringLiteral("DELETE FROM rekeyed.%1; INSERT INTO rekeyed.%1 (rowid,%2) SELECT "
                               "rowid,%2 FROM main.%1")
                    .arg(quoteName(table), list);
            if (!check(sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), QString()))
                break;
        }
        for (const QString& table : tables + keyedTables) {
            if (failure)
                break;
            const QString rows = keyedTables.contains(table)
                                     ? QStringLiteral("SELECT count(*) FROM %1.%2")
                                     : QStringLiteral("SELECT count(*), total(rowid), max(rowid) FROM %1.%2");
            QString before, after;
            if (!check(readRow(m_db, rows.arg(QStringLiteral("main"), quoteName(table)), before),
                       QString()) ||
                !check(readRow(m_db, rows.arg(QStringLiteral("rekeyed"), quoteName(table)), after),
                       QString()))
                break;
            if (before != after) {
                failure = notChanged(QStringLiteral("新檔的資料表 %1 與原來的不同").arg(table));
                break;
            }
        }
        QString sound;
        if (!failure &&
            check(readRow(m_db, QStringLiteral("PRAGMA rekeyed.quick_check"), sound), QString()) &&
            sound != QLatin1String("ok"))
            failure = notChanged(QStringLiteral("新檔檢查未通過 (%1)").arg(sound));
    }
    sqlite3_exec(m_db, "DETACH DATABASE rekeyed", nullptr, nullptr, nullptr);
    if (!failure && !syncToDisk(copy, O_RDONLY))
        failure = notChanged(QStringLiteral("%1 (%2)").arg(systemError(), copy));
    if (failure) {
        removeCopy(copy);
        throw *failure;
    }
    if (::rename(copyName.constData(), QFile::encodeName(path).constData()) != 0) {
        const EngineError error = notChanged(QStringLiteral("%1 (%2)").arg(systemError(), path));
        removeCopy(copy);
        throw error;
    }
    syncToDisk(file.absolutePath(), O_RDONLY | O_DIRECTORY);

    // The connection goes over to the new file, under the new key.
    forgetPreparedWrites();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_source.openPassword = t.password.to;
    m_source.password = t.password.to;
    open();
}

void Connection::clearRekeyLeftovers()
{
    // Copies of a change that was cut short (the process killed): never the file itself.
    const QFileInfo file(databasePath());
    const QDir folder = file.absoluteDir();
    const QString prefix = QStringLiteral(".%1.rekey-").arg(file.fileName());
    for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(folder.filePath(name));
}

} // namespace engine
