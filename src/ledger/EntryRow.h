#pragma once

#include <QString>
#include <QStringList>

namespace engine {
class Query;
}

namespace ledger {

// One ledger entry as its five columns take it, each as text.
struct EntryRow
{
    QString date;
    QString type;
    QString note;
    QString account;
    QString amount;
};

// Appends the row to the slot's open result and posts it: 日期, 類型, 摘要, 帳戶, 金額 in this order.
void postEntry(engine::Query& slot, const EntryRow& row);

// Opens the table's one-row select on the slot, then appends and posts the row.
void appendEntry(engine::Query& slot, const QString& table, const EntryRow& row);

} // namespace ledger
