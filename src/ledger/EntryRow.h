#pragma once

#include <QString>
#include <QStringList>

namespace engine {
class Query;
}

namespace ledger {

// The five columns an entry is written to, in the order they are set.
inline constexpr const char16_t* entryColumns[] = {u"日期", u"類型", u"摘要", u"帳戶", u"金額"};

// One ledger entry as its five columns take it, each as text.
struct EntryRow
{
    QString date;
    QString type;
    QString note;
    QString account;
    QString amount;
};

// Opens the table's one-row select on the slot, then appends the row, sets its columns in the
// order of entryColumns, and posts it.
void appendEntry(engine::Query& slot, const QString& table, const EntryRow& row);

} // namespace ledger
