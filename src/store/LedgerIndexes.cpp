#include "LedgerIndexes.h"

#include "engine/Connection.h"

namespace store {

void keepLedgerIndexes(engine::Connection& connection)
{
    const QString date = QStringLiteral("日期");
    const QStringList accountAmount{QStringLiteral("帳戶"), QStringLiteral("金額")};
    connection.keepIndexes({
        {QStringLiteral("spend"), date, {date}},
        {QStringLiteral("spend"), QStringLiteral("帳戶金額"), accountAmount},
        {QStringLiteral("save"), date, {date}},
        {QStringLiteral("save"), QStringLiteral("帳戶金額"), accountAmount},
        {QStringLiteral("weight"), date, {date}},
    });
}

} // namespace store
