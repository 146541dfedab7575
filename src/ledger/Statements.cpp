#include "Statements.h"

#include "store/Texts.h"

namespace ledger {

QString incomeSumStatement(const QString& account)
{
    return QStringLiteral("select sum(金額) as 收入 from save where 帳戶 = ") + store::quoted(account);
}

QString expenseSumStatement(const QString& account)
{
    return QStringLiteral("select sum(金額) as 支出 from spend where 帳戶 = ") + store::quoted(account);
}

QString balanceUpdateStatement(qint64 balance, const QString& account)
{
    return QStringLiteral("update account_type set 餘額 = ") + QString::number(balance) +
           QStringLiteral(" where 帳戶名稱 = ") + store::quoted(account);
}

QString subCategoryStatement(const QString& category)
{
    return QStringLiteral("select * from sub_spend_type where 類型 = ") + store::quoted(category);
}

QString deleteExpenseStatement(const QString& serial)
{
    return QStringLiteral("delete from spend where 流水號 = ") + serial;
}

QString deleteIncomeStatement(const QString& serial)
{
    return QStringLiteral("delete from save where 流水號 = ") + serial;
}

} // namespace ledger
