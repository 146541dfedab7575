// What a connection makes sure of at every open: the indexes and tables registered by the
// layers above, and the file's own keys brought to compare without regard to case.
#include "Connection.h"

#include "JetTranslator.h"
#include "Sqlite.h"

namespace engine {

namespace {

struct Index
{
    QString table;
    QString sql;
};

// What the file holds, read once: a file that has everything costs one look.
struct Schema
{
    QHash<QString, Index> indexes;            // by name
    QHash<QString, QString> tables, triggers; // their statements, by name
};

Schema schemaOf(sqlite3* db)
{
    Schema schema;
    Statement stmt(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master "
                                      "WHERE type IN ('index', 'table', 'trigger') AND sql IS NOT NULL"));
    while (stmt.isPrepared() && stmt.step() == SQLITE_ROW) {
        const QString type = stmt.text(0);
        if (type == QLatin1String("index"))
            schema.indexes.insert(stmt.text(1), {stmt.text(2), stmt.text(3)});
        else if (type == QLatin1String("table"))
            schema.tables.insert(stmt.text(1), stmt.text(3));
        else
            schema.triggers.insert(stmt.text(1), stmt.text(3));
    }
    return schema;
}

bool caseless(const QString& sql)
{
    return sql.contains(QLatin1String("NOCASE"), Qt::CaseInsensitive);
}

void makeKeptIndexes(Connection& connection, sqlite3* db, const std::vector<KeptIndex>& kept,
                     const QHash<QString, Index>& indexes);
void foldKeys(sqlite3* db, const QHash<QString, Index>& indexes);
bool makeKeptTable(sqlite3* db, const KeptTable& table, const Schema& schema);

bool follows(const KeptTable& kept, const QString& table)
{
    for (const KeptTrigger& trigger : kept.triggers)
        if (trigger.table.compare(table, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

void Connection::keepIndexes(std::vector<KeptIndex> indexes)
{
    m_keptIndexes = std::move(indexes);
    if (m_db)
        ensureKept();
}

void Connection::keepTables(std::vector<KeptTable> tables)
{
    m_keptTables = std::move(tables);
    if (m_db)
        ensureKept();
}

bool Connection::hasKeptTable(const QString& name) const
{
    return m_db && m_readyTables.contains(name, Qt::CaseInsensitive);
}

void Connection::ensureKept(const QString& rewrittenTable)
{
    Schema schema = schemaOf(m_db);
    makeKeptIndexes(*this, m_db, m_keptIndexes, schema.indexes);
    foldKeys(m_db, schema.indexes);
    m_readyTables.clear();
    bool made = false;
    for (const KeptTable& table : m_keptTables) {
        bool right = schema.tables.value(table.name) == table.create;
        for (const KeptTrigger& trigger : table.triggers)
            right = right && schema.triggers.value(trigger.name) == trigger.sql;
        if (!rewrittenTable.isEmpty() && follows(table, rewrittenTable))
            right = false;
        if (!right) {
            right = makeKeptTable(m_db, table, schema);
            made = true;
        }
        if (right)
            m_readyTables << table.name;
    }
    if (made)
        schemaChanged();
}

namespace {

void makeKeptIndexes(Connection& connection, sqlite3* db, const std::vector<KeptIndex>& kept,
                     const QHash<QString, Index>& indexes)
{
    for (const KeptIndex& index : kept) {
        const TableInfo* info = connection.findTableInfo(index.table);
        if (!info)
            continue;
        QStringList columns;
        bool texts = false;
        for (const QString& column : index.columns)
            if (const ColumnInfo* c = info->column(column)) {
                const bool text = c->kind == ColumnKind::Text || c->kind == ColumnKind::Date;
                columns << quoteName(c->name) + (text ? QStringLiteral(" COLLATE NOCASE") : QString());
                texts = texts || text;
            }
        if (columns.size() != index.columns.size())
            continue;
        const QString name = jetIndexName(info->name, index.name, false, false);
        const auto existing = indexes.constFind(name);
        if (existing != indexes.constEnd() && (!texts || caseless(existing->sql)))
            continue;
        // An index is a help, never a condition: a failure leaves the file as it was.
        if (existing != indexes.constEnd())
            execRaw(db, QStringLiteral("DROP INDEX %1").arg(quoteName(name)).toUtf8().constData());
        execRaw(db, QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                        .arg(quoteName(name), quoteName(info->name), columns.join(u','))
                        .toUtf8()
                        .constData());
    }
}

// The table made afresh in one unit: its old triggers and rows dropped, filled, its triggers
// made. A failure (a full disk, a table it follows missing) leaves the file as it was.
bool makeKeptTable(sqlite3* db, const KeptTable& table, const Schema& schema)
{
    QStringList statements{QStringLiteral("SAVEPOINT kept_table")};
    const QString prefix = table.name + u':';
    for (auto it = schema.triggers.constBegin(); it != schema.triggers.constEnd(); ++it)
        if (it.key().startsWith(prefix, Qt::CaseInsensitive))
            statements << QStringLiteral("DROP TRIGGER %1").arg(quoteName(it.key()));
    statements << QStringLiteral("DROP TABLE IF EXISTS %1").arg(quoteName(table.name)) << table.create
               << table.fill;
    for (const KeptTrigger& trigger : table.triggers)
        statements << trigger.sql;
    for (const QString& statement : statements)
        if (execRaw(db, statement.toUtf8().constData()) != SQLITE_OK) {
            execRaw(db, "ROLLBACK TO kept_table");
            execRaw(db, "RELEASE kept_table");
            return false;
        }
    if (execRaw(db, "RELEASE kept_table") == SQLITE_OK)
        return true;
    execRaw(db, "ROLLBACK");
    return false;
}

// Keys written before they compared without regard to case are made to, where the rows allow it.
void foldKeys(sqlite3* db, const QHash<QString, Index>& indexes)
{
    for (auto it = indexes.constBegin(); it != indexes.constEnd(); ++it) {
        if (!(it.key().startsWith(QLatin1String("pk:")) || it.key().startsWith(QLatin1String("uq:"))) ||
            caseless(it->sql))
            continue;
        QStringList columns;
        {
            Statement stmt(db, QStringLiteral("PRAGMA index_info(%1)").arg(quoteName(it.key())));
            while (stmt.step() == SQLITE_ROW)
                columns << quoteName(stmt.text(2)) + QStringLiteral(" COLLATE NOCASE");
        }
        if (columns.isEmpty())
            continue;
        const QString sql =
            QStringLiteral(
                "SAVEPOINT jet_key; DROP INDEX %1; CREATE UNIQUE INDEX %1 ON %2 (%3); RELEASE jet_key;")
                .arg(quoteName(it.key()), quoteName(it->table), columns.join(u','));
        if (execRaw(db, sql.toUtf8().constData()) != SQLITE_OK) {
            // Names that differ only in case are stored already: the key stays as it was.
            execRaw(db, "ROLLBACK TO jet_key");
            execRaw(db, "RELEASE jet_key");
        }
    }
}

} // namespace

} // namespace engine
