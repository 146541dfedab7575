// The changes of a table's shape the Jet dialect asks for and SQLite lacks or spells otherwise:
// a column added or given another type, a key or index added or dropped.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Sqlite.h"

#include <QStringList>

namespace engine {

namespace {

using Kind = EngineError::Kind;

QString normalizedType(QString type)
{
    type = type.toUpper();
    type.remove(u' ');
    if (type == QLatin1String("INTEGER"))
        return QStringLiteral("INT");
    return type;
}

} // namespace

QStringList Connection::keyIndexes(const QString& table, const char* prefix)
{
    Statement stmt(m_db,
                   QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 "
                                  "COLLATE NOCASE AND name LIKE ?2"));
    stmt.bind(1, table);
    stmt.bind(2, QLatin1String(prefix) + QStringLiteral(":%"));
    QStringList names;
    while (stmt.step() == SQLITE_ROW)
        names << stmt.text(0);
    return names;
}

void Connection::addColumn(const Translation& t, const QString& statement)
{
    const TableInfo& info = tableInfo(t.table);
    if (info.column(t.ddl.column))
        throw EngineError(Kind::Syntax,
                          QStringLiteral("資料表 %1 已經有欄位 %2。").arg(info.name, t.ddl.column));
    prepareAndRun(t.sql.front(), statement);
}

void Connection::alterColumn(const Translation& t, const QString& statement)
{
    const TableInfo info = tableInfo(t.table);
    const ColumnInfo* target = info.column(t.ddl.column);
    if (!target)
        throw EngineError(Kind::Syntax,
                          QStringLiteral("資料表 %1 沒有欄位 %2。").arg(info.name, t.ddl.column));
    if (normalizedType(target->declaredType) == normalizedType(t.ddl.type))
        return; // already of that type: nothing to rewrite
    if (target->integerKey)
        throw EngineError(Kind::Syntax, QStringLiteral("自動編號欄位 %1 不能變更型別。").arg(t.ddl.column));

    // SQLite cannot change a column's type in place: the table is written anew with the
    // column converted, keeping its keys, indexes, triggers and the serial counter. The rows are
    // copied before the triggers are made again, so what the triggers keep is filled afresh.
    const QString table = quoteName(info.name);
    const QString rebuilt = quoteName(QStringLiteral("__velloran_rebuild"));
    QStringList definitions, names, values;
    for (const auto& column : info.columns) {
        const bool isTarget = &column == target;
        QString definition = quoteName(column.name) + u' ' + (isTarget ? t.ddl.type : column.declaredType);
        if (column.integerKey)
            definition += info.autoIncrement ? QStringLiteral(" PRIMARY KEY AUTOINCREMENT")
                                             : QStringLiteral(" PRIMARY KEY");
        definitions << definition;
        names << quoteName(column.name);
        if (isTarget) {
            QString literal = column.name;
            literal.replace(u'\'', QLatin1String("''"));
            values << QStringLiteral("jet_convert(%1, %2, %3, '%4')")
                          .arg(quoteName(column.name))
                          .arg(int(kindFromDeclaredType(t.ddl.type)))
                          .arg(textLimitFromDeclaredType(t.ddl.type))
                          .arg(literal);
        } else {
            values << quoteName(column.name);
        }
    }
    exec(QStringLiteral("SAVEPOINT jet_alter"));
    try {
        QStringList indexes;
        {
            Statement stmt(
                m_db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type IN ('index', 'trigger') AND "
                                     "tbl_name = ?1 AND sql IS NOT NULL ORDER BY type"));
            stmt.bind(1, info.name);
            while (stmt.step() == SQLITE_ROW)
                indexes << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
        }
        qint64 sequence = -1;
        if (info.autoIncrement) {
            Statement stmt(m_db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"));
            stmt.bind(1, info.name);
            if (stmt.step() == SQLITE_ROW)
                sequence = stmt.int64(0);
        }
        exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(rebuilt, definitions.join(QStringLiteral(", "))));
        prepareAndRun(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
                          .arg(rebuilt, names.join(u','), values.join(u','), table),
                      statement);
        exec(QStringLiteral("DROP TABLE %1").arg(table));
        exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(rebuilt, table));
        for (const QString& index : indexes)
            exec(index);
        if (sequence >= 0) {
            Statement stmt(m_db,
                           QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1"));
            stmt.bind(1, info.name);
            stmt.bindInt64(2, sequence);
            stmt.step();
            if (sqlite3_changes(m_db) == 0) {
                Statement insert(m_db,
                                 QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)"));
                insert.bind(1, info.name);
                insert.bindInt64(2, sequence);
                insert.step();
            }
        }
        exec(QStringLiteral("RELEASE jet_alter"));
    } catch (...) {
        execRaw(m_db, "ROLLBACK TO jet_alter");
        execRaw(m_db, "RELEASE jet_alter");
        schemaChanged();
        throw;
    }
    ensureKept(info.name);
}

void Connection::dropConstraint(const Translation& t, const QString&)
{
    const QString table = storedTableName(t.table);
    for (const char* prefix : {"pk", "uq"})
        for (const QString& index : keyIndexes(table, prefix))
            if (index.section(u':', 2).compare(t.ddl.constraint, Qt::CaseInsensitive) == 0) {
                exec(QStringLiteral("DROP INDEX %1").arg(quoteName(index)));
                return;
            }
    throw EngineError(Kind::Syntax,
                      QStringLiteral("資料表 %1 沒有名為 %2 的索引鍵。").arg(table, t.ddl.constraint));
}

void Connection::dropIndex(const Translation& t, const QString&)
{
    const QString table = storedTableName(t.table);
    for (const char* prefix : {"ix", "uq", "pk"})
        for (const QString& index : keyIndexes(table, prefix))
            if (index.section(u':', 2).compare(t.ddl.constraint, Qt::CaseInsensitive) == 0) {
                exec(QStringLiteral("DROP INDEX %1").arg(quoteName(index)));
                return;
            }
    throw EngineError(Kind::Syntax,
                      QStringLiteral("資料表 %1 沒有名為 %2 的索引。").arg(table, t.ddl.constraint));
}

void Connection::addConstraint(const Translation& t, const QString&)
{
    const TableInfo info = tableInfo(t.table);
    QStringList columns;
    for (const QString& name : t.ddl.columns) {
        const ColumnInfo* column = info.column(name);
        if (!column)
            throw EngineError(Kind::Syntax, QStringLiteral("資料表 %1 沒有欄位 %2。").arg(info.name, name));
        columns << quoteName(column->name) + QStringLiteral(" COLLATE NOCASE");
    }
    for (const char* prefix : {"pk", "uq", "ix"})
        for (const QString& index : keyIndexes(info.name, prefix))
            if (index.section(u':', 2).compare(t.ddl.constraint, Qt::CaseInsensitive) == 0)
                throw EngineError(
                    Kind::Syntax,
                    QStringLiteral("資料表 %1 已經有名為 %2 的索引。").arg(info.name, t.ddl.constraint));
    if (t.ddl.primary) {
        bool hasKey = !keyIndexes(info.name, "pk").isEmpty();
        for (const auto& column : info.columns)
            hasKey = hasKey || column.integerKey;
        if (hasKey)
            throw EngineError(
                Kind::Syntax,
                QStringLiteral("資料表 %1 已經有主索引鍵,不能再建立 %2。").arg(info.name, t.ddl.constraint));
        Statement nulls(m_db, QStringLiteral("SELECT count(*) FROM %1 WHERE %2 IS NULL")
                                  .arg(quoteName(info.name), columns.join(QStringLiteral(" IS NULL OR "))));
        if (nulls.step() == SQLITE_ROW && nulls.int64(0) > 0)
            throw EngineError(Kind::KeyViolation,
                              QStringLiteral("資料表 %1 的 %2 有空值,無法建立主索引鍵 %3。")
                                  .arg(info.name, t.ddl.columns.join(u','), t.ddl.constraint));
    }
    const QString sql =
        QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
            .arg(quoteName(jetIndexName(info.name, t.ddl.constraint, t.ddl.primary, !t.ddl.primary)),
                 quoteName(info.name), columns.join(u','));
    const int code = execRaw(m_db, sql.toUtf8().constData());
    if ((code & 0xff) == SQLITE_CONSTRAINT)
        throw EngineError(Kind::KeyViolation,
                          QStringLiteral("資料表 %1 的 %2 有重複的值,無法建立索引鍵 %3。")
                              .arg(info.name, t.ddl.columns.join(u','), t.ddl.constraint));
    if (code != SQLITE_OK)
        raise(code, sql);
}

} // namespace engine
