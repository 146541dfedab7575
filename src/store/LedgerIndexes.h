#pragma once

#include <QString>
#include <QStringList>

namespace engine {
class Connection;
}

namespace store {

// Registers with the connection what the ledger's pages, balances and searches read through:
// the entries and the weights by date; the entries by account with the amount, by category, by
// note and by amount; and the table of the entries' texts below. They are made at every open
// where a file lacks them (and now, on an open connection).
void keepLedgerIndexes(engine::Connection& connection);

// Every text of the ledgers' searched columns once, with how many entries hold it (texts that
// differ only in the case of Latin letters count as one). A search tests its word against these
// few texts and reaches the entries through the column's index. Kept by triggers on the ledgers,
// so that the stock shell keeps it too; it is not part of the ledger's data (no export).
namespace entryTexts {
inline const QString table = QStringLiteral("entry_texts");
// Its columns: the ledger table, the column, the text, the number of entries.
inline const QString ledger = QStringLiteral("ledger");
inline const QString field = QStringLiteral("field");
inline const QString content = QStringLiteral("content");
inline const QString uses = QStringLiteral("uses");
// The ledgers and their searched columns.
inline const QStringList ledgers{QStringLiteral("spend"), QStringLiteral("save")};
inline const QStringList fields{QStringLiteral("類型"), QStringLiteral("摘要"), QStringLiteral("帳戶")};
} // namespace entryTexts

} // namespace store
