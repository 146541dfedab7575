#include "EngineSupport.h"

#include "engine/Connection.h"
#include "engine/Query.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace testing {

TempWorkdir::TempWorkdir() : m_previous(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
}

TempWorkdir::~TempWorkdir()
{
    QDir::setCurrent(m_previous);
}

std::unique_ptr<engine::Connection> connect(const QString& key)
{
    return engine::Connection::openFile(QStringLiteral("finance.mdb"), key);
}

namespace {

// Where the files made once per process are kept until it ends.
QString madeFile(const QString& name)
{
    static QTemporaryDir made;
    return made.filePath(name);
}

void copyHere(const QString& made)
{
    if (!QFile::copy(made, QStringLiteral("finance.mdb")))
        qFatal("%s could not be copied into %s", qPrintable(made), qPrintable(QDir::currentPath()));
}

// The base file with the setup run on it, made at the first call for that setup.
QString withSetup(const QString& base, const QStringList& setup)
{
    if (setup.isEmpty())
        return base;
    static QHash<std::pair<QString, QStringList>, QString> made;
    const std::pair<QString, QStringList> key{base, setup};
    if (const auto found = made.constFind(key); found != made.constEnd())
        return *found;
    const QString path = madeFile(QStringLiteral("setup-%1.mdb").arg(made.size()));
    if (!QFile::copy(base, path))
        qFatal("%s could not be copied to %s", qPrintable(base), qPrintable(path));
    execAll(*engine::Connection::openFile(path, password), setup);
    made.insert(key, path);
    return path;
}

} // namespace

void writeStarter(const QStringList& setup)
{
    static const QString starter = [] {
        const QString path = madeFile(QStringLiteral("starter.mdb"));
        QProcess tool;
        tool.start(QStringLiteral(MAKE_STARTER_DB), {path});
        if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            qFatal("make-starter-db failed: %s", tool.readAllStandardError().constData());
        return path;
    }();
    copyHere(withSetup(starter, setup));
}

void writeLegacy(const QStringList& setup)
{
    static const QString legacy = [] {
        const QString path = madeFile(QStringLiteral("legacy.mdb"));
        engine::Connection::createDatabase(path, password);
        execAll(
            *engine::Connection::openFile(path, password),
            {
                QStringLiteral(
                    "Create TABLE spend (流水號 counter, 日期 datetime, 類型 varchar(50), 摘要 varchar(50), "
                    "帳戶 varchar(50), 金額 float)"),
                QStringLiteral(
                    "Create TABLE save (流水號 counter, 日期 datetime, 類型 varchar(50), 摘要 varchar(50), "
                    "帳戶 varchar(50), 金額 float)"),
                QStringLiteral("Create TABLE spend_type (編號 float CONSTRAINT PrimaryKey PRIMARY KEY, 類型 "
                               "varchar(50))"),
                QStringLiteral("Create TABLE save_type (編號 float CONSTRAINT PrimaryKey PRIMARY KEY, 類型 "
                               "varchar(50))"),
                QStringLiteral("Create TABLE account_type (編號 float, 帳戶名稱 varchar(50))"),
                QStringLiteral("Create TABLE weight (流水號 counter, 日期 datetime, 體重 float)"),
            });
        return path;
    }();
    copyHere(withSetup(legacy, setup));
}

void execAll(engine::Connection& connection, const QStringList& statements)
{
    for (const QString& statement : statements)
        connection.execute(statement);
}

QString rowsOf(engine::Connection& connection, const QString& select)
{
    engine::Query query;
    query.setConnection(&connection);
    query.setSql(select);
    query.open();
    QStringList rows;
    for (query.first(); !query.eof(); query.next()) {
        QStringList fields;
        for (int i = 0; i < query.fieldCount(); ++i)
            fields << query.field(i).asString();
        rows << fields.join(u'|');
    }
    return rows.join(u';');
}

QString rowText(const engine::Query& query, int row)
{
    QStringList fields;
    for (int column = 0; column < query.fieldCount(); ++column)
        fields << query.text(row, column);
    return fields.join(u'|');
}

QStringList everyRow(const engine::Query& query)
{
    QStringList rows;
    for (int row = 0; row < query.recordCount(); ++row)
        rows << rowText(query, row);
    return rows;
}

std::unique_ptr<engine::Query> readWhole(engine::Connection& connection, const QString& statement)
{
    auto query = std::make_unique<engine::Query>();
    query->setConnection(&connection);
    query->setFieldsOnDemand(false);
    query->setSql(statement);
    query->open();
    return query;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QString columnsOf(engine::Connection& connection, const QString& select)
{
    engine::Query query;
    query.setConnection(&connection);
    query.setSql(select);
    query.open();
    QStringList names;
    for (int i = 0; i < query.fieldCount(); ++i)
        names << query.column(i).name;
    return names.join(u',');
}

int schemaVersion(engine::Connection& connection)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(connection.handle(), "PRAGMA schema_version", -1, &stmt, nullptr);
    const int version = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return version;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

StarterFile::StarterFile(const QStringList& setup)
{
    writeStarter(setup);
    connection = connect();
}

StarterFile::~StarterFile() = default;

} // namespace testing
