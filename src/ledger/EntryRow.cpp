#include "EntryRow.h"

#include "engine/Query.h"

#include <iterator>

namespace ledger {

void appendEntry(engine::Query& slot, const QString& table, const EntryRow& row)
{
    slot.setSql(QStringLiteral("select top 1 * from ") + table);
    slot.open();
    slot.append();
    const QString* values[] = {&row.date, &row.type, &row.note, &row.account, &row.amount};
    for (size_t i = 0; i < std::size(values); ++i)
        slot.setFieldText(QString::fromUtf16(entryColumns[i]), *values[i]);
    slot.post();
}

} // namespace ledger
