#pragma once

#include "engine/Connection.h"
#include "store/StarterDatabase.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <unistd.h>

// Helpers shared by the reliability tests.
namespace reliability {

// The starter finance.mdb, written once per run and then copied: writing it takes far longer
// than copying its bytes. With sub_spend_type, as a first start leaves it, when asked.
inline QByteArray starterBytes(bool firstStartDone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("finance.mdb"));
    store::writeStarterDatabase(path, QStringLiteral("1234"));
    if (firstStartDone) {
        engine::Connection connection;
        connection.setConnectionString(QStringLiteral("Data Source=") + path);
        connection.setProperty(QString::fromLatin1(engine::Connection::passwordProperty),
                               QStringLiteral("1234"));
        connection.execute(QStringLiteral("Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)"));
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline void writeStarterCopy(const QString& path, bool firstStartDone = false)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (firstStartDone) {
        static const QByteArray started = starterBytes(true);
        file.write(started);
    } else {
        static const QByteArray plain = starterBytes(false);
        file.write(plain);
    }
}

// A file's bytes, as a digest to compare before and after; empty when it cannot be read.
inline QByteArray digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

// What a folder holds, with each file's size and digest.
inline QStringList folderState(const QString& path)
{
    QStringList state;
    const QDir dir(path);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        state << QStringLiteral("%1 %2 %3")
                     .arg(entry.fileName())
                     .arg(entry.isDir() ? -1 : entry.size())
                     .arg(QString::fromLatin1(entry.isDir() ? QByteArray() : digestOf(entry.filePath())));
    return state;
}

// Every table of the open file, the schema included, read through SQLite itself and not the
// engine: table name -> its rows, each "type:value|type:value".
inline QMap<QString, QStringList> tablesOf(sqlite3* db)
{
    QMap<QString, QStringList> tables;
    QStringList names{QStringLiteral("sqlite_master")};
    {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", -1, &stmt,
                           nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    for (const QString& name : names) {
        QString quoted = name;
        quoted.replace(u'"', QLatin1String("\"\""));
        const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(quoted).toUtf8();
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            tables[name] << QStringLiteral("unreadable: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
            continue;
        }
        QStringList& rows = tables[name];
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList fields;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                static const char* const types[] = {"", "integer", "real", "text", "blob", "null"};
                const int type = sqlite3_column_type(stmt, i);
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                fields << QStringLiteral("%1:%2").arg(
                    QLatin1String(types[type]),
                    QString::fromUtf8(text ? text : "", sqlite3_column_bytes(stmt, i)));
            }
            rows << fields.join(u'|');
        }
        sqlite3_finalize(stmt);
    }
    return tables;
}

// SQLite's own verdict on the file: "ok" or the list of problems.
inline QString integrityOf(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    QStringList lines;
    int code;
    while ((code = sqlite3_step(stmt)) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    if (code != SQLITE_DONE)
        lines << QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    return lines.join(u'\n');
}

// The uid and gid that the unprivileged runs take on.
inline constexpr int nobody = 65534;

// Runs a program as a user without privileges: through setpriv when the tests run as root,
// whom file permissions do not stop, and as it is otherwise. The process is not started.
inline void prepareUnprivileged(QProcess& process, const QString& program, const QStringList& arguments)
{
    if (geteuid() == 0) {
        process.setProgram(QStringLiteral("setpriv"));
        process.setArguments(QStringList{QStringLiteral("--reuid=%1").arg(nobody),
                                         QStringLiteral("--regid=%1").arg(nobody),
                                         QStringLiteral("--clear-groups"), program} +
                             arguments);
    } else {
        process.setProgram(program);
        process.setArguments(arguments);
    }
}

// Why an unprivileged run of the programs in the folder cannot be made here, or empty when
// it can: setpriv must be able to drop root's privileges, and the user without them must
// reach the folder and the programs.
inline QString unprivilegedRunsUnavailable(const QString& folder, const QStringList& programs)
{
    QProcess probe;
    prepareUnprivileged(
        probe, QStringLiteral("/bin/sh"),
        QStringList{
            QStringLiteral("-c"),
            QStringLiteral("test \"$(id -u)\" != 0 && cd \"$0\" && for p; do test -x \"$p\" || exit 1; done"),
            folder} +
            programs);
    probe.start();
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return QStringLiteral("no unprivileged user can be made to open the file here (setpriv: %1%2); "
                              "root ignores file permissions")
            .arg(probe.errorString(), QString::fromLocal8Bit(probe.readAllStandardError()));
    return {};
}

} // namespace reliability
