#include "LedgerIndexes.h"

#include "engine/Connection.h"

namespace store {

namespace {

QString quoted(const QString& name)
{
    return u'[' + name + u']';
}

QString literal(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\'', QStringLiteral("''"));
    return u'\'' + escaped + u'\'';
}

// The statements, in the form the file stores them, so that a file's own can be compared.
engine::KeptTable entryTextsTable()
{
    using namespace entryTexts;
    engine::KeptTable kept;
    kept.name = table;
    kept.create = QStringLiteral("CREATE TABLE %1 (%2 TEXT COLLATE NOCASE NOT NULL, %3 TEXT COLLATE NOCASE "
                                 "NOT NULL, %4 TEXT COLLATE NOCASE NOT NULL, %5 INTEGER NOT NULL, "
                                 "PRIMARY KEY (%2, %3, %4)) WITHOUT ROWID")
                      .arg(quoted(table), quoted(ledger), quoted(field), quoted(content), quoted(uses));
    for (const QString& ledgerTable : ledgers) {
        QString added, removed;
        for (const QString& column : fields) {
            const QString key = QStringLiteral("%1 = %2 AND %3 = %4 AND %5 = ")
                                    .arg(quoted(ledger), literal(ledgerTable), quoted(field), literal(column),
                                         quoted(content));
            kept.fill << QStringLiteral("INSERT INTO %1 SELECT %2, %3, %4, count(*) FROM %5 WHERE %4 IS NOT "
                                        "NULL GROUP BY %4 COLLATE NOCASE")
                             .arg(quoted(table), literal(ledgerTable), literal(column), quoted(column),
                                  quoted(ledgerTable));
            // A Null is never inserted: the row is passed over, and no row matches it below. A
            // count never breaks a constraint; saying OR IGNORE lets SQLite know that a write to
            // the ledger cannot fail halfway, which spares it a statement journal (every page the
            // write changes copied and encrypted once more: four times the cost of an entry).
            added += QStringLiteral(
                         "INSERT OR IGNORE INTO %1 VALUES (%2, %3, NEW.%4, 0); UPDATE OR IGNORE %1 SET %5 = "
                         "%5 + 1 WHERE %6NEW.%4; ")
                         .arg(quoted(table), literal(ledgerTable), literal(column), quoted(column),
                              quoted(uses), key);
            removed +=
                QStringLiteral("UPDATE OR IGNORE %1 SET %2 = %2 - 1 WHERE %3OLD.%4; DELETE FROM %1 WHERE "
                               "%3OLD.%4 AND %2 <= 0; ")
                    .arg(quoted(table), quoted(uses), key, quoted(column));
        }
        const QString name = table + u':' + ledgerTable + u':';
        const QString on = QStringLiteral(" ON ") + quoted(ledgerTable) + QStringLiteral(" BEGIN ");
        kept.triggers.push_back({name + QStringLiteral("insert"), ledgerTable,
                                 QStringLiteral("CREATE TRIGGER ") + quoted(name + QStringLiteral("insert")) +
                                     QStringLiteral(" AFTER INSERT") + on + added + QStringLiteral("END")});
        kept.triggers.push_back({name + QStringLiteral("delete"), ledgerTable,
                                 QStringLiteral("CREATE TRIGGER ") + quoted(name + QStringLiteral("delete")) +
                                     QStringLiteral(" AFTER DELETE") + on + removed + QStringLiteral("END")});
        // The new texts are counted before the old ones are let go, so that a text the update
        // leaves as it was never drops out for a moment.
        QStringList columns;
        for (const QString& column : fields)
            columns << quoted(column);
        kept.triggers.push_back({name + QStringLiteral("update"), ledgerTable,
                                 QStringLiteral("CREATE TRIGGER ") + quoted(name + QStringLiteral("update")) +
                                     QStringLiteral(" AFTER UPDATE OF ") +
                                     columns.join(QStringLiteral(", ")) + on + added + removed +
                                     QStringLiteral("END")});
    }
    return kept;
}

} // namespace

void keepLedgerIndexes(engine::Connection& connection)
{
    const QString date = QStringLiteral("日期");
    const QString category = QStringLiteral("類型");
    const QString note = QStringLiteral("摘要");
    const QString amount = QStringLiteral("金額");
    const QStringList accountAmount{QStringLiteral("帳戶"), amount};
    std::vector<engine::KeptIndex> indexes;
    for (const QString& ledger : entryTexts::ledgers)
        for (const engine::KeptIndex& index : {
                 engine::KeptIndex{ledger, date, {date}},
                 engine::KeptIndex{ledger, QStringLiteral("帳戶金額"), accountAmount},
                 // With the date, so that the entries a search finds come in the grid's order
                 // without a visit to each.
                 engine::KeptIndex{ledger, category, {category, date}},
                 engine::KeptIndex{ledger, note, {note, date}},
                 engine::KeptIndex{ledger, amount, {amount}},
             })
            indexes.push_back(index);
    indexes.push_back({QStringLiteral("weight"), date, {date}});
    connection.keepIndexes(std::move(indexes));
    connection.keepTables({entryTextsTable()});
}

} // namespace store
