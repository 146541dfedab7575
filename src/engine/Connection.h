#pragma once

#include "Conversions.h"
#include "JetTranslator.h"

#include "EngineError.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

class OpenResult;
// The rows of a closed result, kept for the next open of its statement (engine/ResultRows.h).
struct KeptRows;

struct ColumnInfo
{
    QString name;
    QString declaredType;
    ColumnKind kind = ColumnKind::Unknown;
    int textLimit = -1;
    bool integerKey = false; // the table's INTEGER PRIMARY KEY: numbered by the engine
    bool primaryKey = false; // part of the table's Jet primary key: never Null
};

// The rows of one table written since a result of it was read, gathered from every write
// the connection makes (it is the file's only writer), so that the result can be brought up to
// date by reading those rows alone.
struct ChangeWatch
{
    QByteArray table; // as stored, UTF-8
    std::vector<qint64> rowids;
    size_t limit = 0;  // beyond this many rows, reading the whole result again is cheaper
    bool lost = false; // changes that cannot be followed row by row: the result must be read again
};

// An index made at every open, by the names of its table and columns.
struct KeptIndex
{
    QString table;
    QString name; // the name in the Jet dialect; stored as the engine names a table's indexes
    QStringList columns;
};

// A trigger that keeps a kept table up to date with the writes to another table.
struct KeptTrigger
{
    QString name;  // begins with the kept table's name and a colon
    QString table; // the table whose writes it follows
    QString sql;   // CREATE TRIGGER ..., as the file stores it
};

// A table kept beside the others: filled from them, then kept up to date by triggers, so that
// every writer of the file, the stock shell too, keeps it right.
struct KeptTable
{
    QString name;
    QString create;   // CREATE TABLE ..., as the file stores it
    QStringList fill; // what fills it from the tables it follows
    std::vector<KeptTrigger> triggers;
};

struct TableInfo
{
    QString name; // as stored
    std::vector<ColumnInfo> columns;
    bool autoIncrement = false;
    bool withoutRowid = false; // stored by its key alone: it has no rowid to find a row by
    const ColumnInfo* column(const QString& name) const;
};

// The one connection to the password-protected database file. It never creates the file,
// holds it exclusively while open, and reopens itself when a statement arrives while closed.
class Connection
{
public:
    enum class ShareMode
    {
        Exclusive,
        DenyNone
    };

    static constexpr const char* passwordProperty = "Jet OLEDB:Database Password";

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // "Provider=...;Data Source=finance.mdb;..."; a relative Data Source is looked up in the
    // working directory at the moment of opening.
    void setConnectionString(const QString& text);
    QString connectionString() const { return m_source.connectionString; }
    void setProperty(const QString& name, const QString& value);
    void setShareMode(ShareMode mode) { m_source.shareMode = mode; }

    void open();
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString databasePath() const;
    // Until the file or the password changes, opening gives this error without trying again
    // (a file that could not be brought across from its Windows-era format, say).
    void refuseUntilChanged(const EngineError& error);

    // Runs one statement that returns no rows.
    void execute(const QString& statement);

    // Indexes the connection makes sure of at every open (and now, when open): each is made
    // where its table has the columns and lacks it, its texts compared without regard to case.
    // An index is a help, never a condition: one that cannot be made is left out.
    void keepIndexes(std::vector<KeptIndex> indexes);
    // Tables the connection makes sure of at every open (and now, when open): a table, or one
    // of its triggers, that is missing or differs from its definition is made afresh and filled,
    // all at once. Like an index, a help: one that cannot be made is left out, and hasKeptTable
    // tells whether it is there and right.
    void keepTables(std::vector<KeptTable> tables);
    bool hasKeptTable(const QString& name) const;

    // A connection opened on the given file (absolute, or relative to the working directory)
    // with the given password, held exclusively. For the tools and tests that open a file directly.
    static std::unique_ptr<Connection> openFile(const QString& path, const QString& password);

    // Writes a new, empty, encrypted database file. Refuses to overwrite an existing file.
    static void createDatabase(const QString& path, const QString& password);

    // For the query objects of this layer.
    sqlite3* handle();
    const TableInfo& tableInfo(const QString& table);
    // The same, or nullptr for a name that is no table of the file (sqlite_master, say).
    const TableInfo* findTableInfo(const QString& table);
    void attach(OpenResult* result);
    void detach(OpenResult* result);
    // Before rows of a table change (one row, or any row when no rowid is given; any table when
    // the name is empty): the open results other than the writer keep the fields they have not
    // read yet, as they were.
    void keepFieldsBeforeWrite(const QString& table, std::optional<qint64> rowid,
                               const OpenResult* writer = nullptr);
    // Before a unit of work is taken back: the open results keep their fields, and nothing
    // kept is brought up to date row by row.
    void beforeRollback();
    // When the outermost unit of work begins; then whether rows were written in it since.
    void unitBegins() { m_writes.atUnit = m_writes.soFar; }
    bool writtenInUnit() const { return m_writes.soFar != m_writes.atUnit; }
    // Follows the writes to a table from now on.
    std::shared_ptr<ChangeWatch> watchTable(const QString& table, size_t limit);
    // What a closed query leaves for the next open of the same statement (one per table, a few
    // tables, the oldest given up first); the connection does not look inside.
    void keepResult(const QString& statement, const QString& table, std::shared_ptr<KeptRows> result);
    std::shared_ptr<KeptRows> takeResult(const QString& statement);
    // Before a table is read in full again: what was kept of it is given up, so that the rows
    // are not held twice.
    void forgetResults(const QString& table);
    // The prepared statement of a write that results make row by row (an INSERT, or an UPDATE
    // or DELETE by rowid, its values as parameters), kept for the next one: where the table has
    // triggers, preparing it costs several times more than running it. Handed out rewound, its
    // values cleared; nullptr, with SQLite's code in `code`, where it cannot be prepared.
    sqlite3_stmt* preparedWrite(const QByteArray& sql, int& code);
    [[noreturn]] void raise(int code, const QString& statement = QString()) const;
    // The error raise() throws, for a failure that cannot be thrown where it happens.
    EngineError errorFor(int code, const QString& statement = QString()) const;
    // Before every write: the path must still name the file this connection holds. A file
    // replaced or deleted under the program (a restored backup, a sync tool) is refused, so
    // that no change goes to the old file and none of its journal reaches the new one.
    void requireUnmoved();
    void run(const Translation& translation, const QString& statement);

private:
    void exec(const QString& sql);
    void prepareAndRun(const QString& sql, const QString& statement);
    void addColumn(const Translation& t, const QString& statement);
    void alterColumn(const Translation& t, const QString& statement);
    void dropConstraint(const Translation& t, const QString& statement);
    void addConstraint(const Translation& t, const QString& statement);
    void dropIndex(const Translation& t, const QString& statement);
    void changePassword(const Translation& t); // Rekey.cpp
    void clearRekeyLeftovers();
    // The kept indexes and tables made and the old keys mended, from one read of the file's
    // schema (KeptIndexes.cpp). A table named is one whose rows were just written anew without
    // its triggers: the kept tables that follow it are filled afresh.
    void ensureKept(const QString& rewrittenTable = QString());
    QString storedTableName(const QString& table);
    // The tables or their columns may have changed: what was learnt about them is forgotten and
    // no kept result is brought up to date.
    void schemaChanged();
    void runModify(const QString& sql, const QString& statement);
    void keepFieldsBeforeModify(const Translation& t);
    static void rowWritten(void* self, int operation, const char* database, const char* table, qint64 rowid);
    QStringList keyIndexes(const QString& table, const char* prefix);

    sqlite3* m_db = nullptr;
    // Which file, and how it is opened.
    struct Source
    {
        QString connectionString;
        QString dataSource;
        QString password;     // the property, used at the next open
        QString openPassword; // the key the open file answers to
        ShareMode shareMode = ShareMode::Exclusive;
    };
    Source m_source;
    QHash<QString, TableInfo> m_tables;
    // The last refusal of this file for this password: while neither changes, trying again
    // can only give the same answer, and the key derivation is not worth repeating.
    struct Refusal
    {
        QString path;
        QString password;
        qint64 size;
        QDateTime modified;
        EngineError error;
    };
    std::optional<Refusal> m_refusal;
    std::set<OpenResult*> m_queries;
    std::vector<std::weak_ptr<ChangeWatch>> m_watches;
    struct KeptResult
    {
        QString statement;
        QString table;
        std::shared_ptr<KeptRows> result;
    };
    std::vector<KeptResult> m_kept;
    void forgetPreparedWrites();
    std::vector<std::pair<QByteArray, sqlite3_stmt*>> m_preparedWrites;
    std::vector<KeptIndex> m_keptIndexes;
    std::vector<KeptTable> m_keptTables;
    QStringList m_readyTables; // the kept tables there and right since the last look
    // Rows written, counted by the write hook.
    struct Writes
    {
        qint64 inStatement = 0; // by the statement running now
        qint64 soFar = 0;       // every row written since the connection was made
        qint64 atUnit = 0;      // the same when the outermost unit of work began
    };
    Writes m_writes;
};

} // namespace engine
