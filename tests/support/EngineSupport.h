#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace engine {
class Connection;
class Query;
} // namespace engine

namespace testing {

// A fresh temporary folder that is the working directory while the object lives.
class TempWorkdir
{
public:
    TempWorkdir();
    ~TempWorkdir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

inline const QString password = QStringLiteral("1234");

// An open connection to finance.mdb in the working directory.
std::unique_ptr<engine::Connection> connect(const QString& key = password);

// A finance.mdb in the working directory as the delivered file has it, with the setup statements
// run on it with the starter password. Every file is a copy: the starter tool runs once for the
// whole test process, and each setup once, so that no test waits for their key derivations.
void writeStarter(const QStringList& setup = {});

// A finance.mdb in the shape an earlier release wrote: 摘要 of 50 characters, 編號 as float
// with a key "PrimaryKey" on it in the category tables, no 餘額, weight with its first three
// columns only, no sub_spend_type. The setup is run on it as for writeStarter.
void writeLegacy(const QStringList& setup = {});

// The set-up most engine tests start from: a temporary working folder holding the starter file
// (with the setup statements run on it), and a connection open on it.
struct StarterFile
{
    explicit StarterFile(const QStringList& setup = {});
    ~StarterFile();
    TempWorkdir dir;
    std::unique_ptr<engine::Connection> connection;
};

// Runs each statement on the connection.
void execAll(engine::Connection& connection, const QStringList& statements);

// The result of a select as "a|b;c|d", each field read as text.
QString rowsOf(engine::Connection& connection, const QString& select);
QString columnsOf(engine::Connection& connection, const QString& select);

// A row of an open result, its fields as the grid shows them joined with "|"; every row of it.
QString rowText(const engine::Query& query, int row);
QStringList everyRow(const engine::Query& query);
// The statement opened with every field of every row read at once, to compare with.
std::unique_ptr<engine::Query> readWhole(engine::Connection& connection, const QString& statement);

// A file's bytes (empty when it cannot be read), and a file written with exactly the given bytes.
QByteArray fileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// The files of a folder a person would see, hidden ones included, by name.
QStringList filesIn(const QString& folder);

// SQLite's schema counter: it moves whenever a table, column or index changes.
int schemaVersion(engine::Connection& connection);

} // namespace testing
