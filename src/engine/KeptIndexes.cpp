// The indexes a connection makes sure of at every open: those registered by the layers above,
// and the file's own keys brought to compare without regard to case.
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
QHash<QString, Index> indexesOf(sqlite3* db)
{
    QHash<QString, Index> indexes; // by name
    Statement stmt(db, QStringLiteral("SELECT name, tbl_name, sql FROM sqlite_master "
                                      "WHERE type = 'index' AND sql IS NOT NULL"));
    while (stmt.isPrepared() && stmt.step() == SQLITE_ROW)
        indexes.insert(stmt.text(0), {stmt.text(1), stmt.text(2)});
    return indexes;
}

bool caseless(const QString& sql)
{
    return sql.contains(QLatin1String("NOCASE"), Qt::CaseInsensitive);
}

void makeKeptIndexes(Connection& connection, sqlite3* db, const std::vector<KeptIndex>& kept,
                     const QHash<QString, Index>& indexes);
void foldKeys(sqlite3* db, const QHash<QString, Index>& indexes);

} // namespace

void Connection::keepIndexes(std::vector<KeptIndex> indexes)
{
    m_keptIndexes = std::move(indexes);
    if (m_db)
        ensureIndexes();
}

void Connection::ensureIndexes()
{
    const QHash<QString, Index> indexes = indexesOf(m_db);
    makeKeptIndexes(*this, m_db, m_keptIndexes, indexes);
    foldKeys(m_db, indexes);
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
        for (const QString& column : index.columns)
            if (const ColumnInfo* c = info->column(column))
                columns << quoteName(c->name) + (c->kind == ColumnKind::Text || c->kind == ColumnKind::Date
                                                     ? QStringLiteral(" COLLATE NOCASE")
                                                     : QString());
        if (columns.size() != index.columns.size())
            continue;
        const QString name = jetIndexName(info->name, index.name, false, false);
        const auto existing = indexes.constFind(name);
        if (existing != indexes.constEnd() && caseless(existing->sql))
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
