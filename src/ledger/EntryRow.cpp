#include "EntryRow.h"

#include "store/engine/Query.h"

namespace ledger {

void postEntry(engine::Query& slot, const EntryRow& row)
{
    slot.append();
    slot.setFieldText(QStringLiteral("日期"), row.date);
    slot.setFieldText(QStringLiteral("類型"), row.type);
    slot.setFieldText(QStringLiteral("摘要"), row.note);
    slot.setFieldText(QStringLiteral("帳戶"), row.account);
    slot.setFieldText(QStringLiteral("金額"), row.amount);
    slot.post();
}

void appendEntry(engine::Query& slot, const QString& table, const EntryRow& row)
{
    slot.setSql(QStringLiteral("select top 1 * from ") + table);
    slot.open();
    postEntry(slot, row);
}

} // namespace ledger
