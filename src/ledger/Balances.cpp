// Every account's balance, derived from the entries, and the overview that shows them.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/DataSource.h"
#include "engine/Query.h"
#include "engine/StoredOrder.h"
#include "ledger/Statements.h"
#include "store/QueryRoles.h"
#include "ui/DataGrid.h"
#include "ui/LargeLabel.h"

#include <QHash>
#include <vector>

namespace {

constexpr int overviewRowHeight = 27;

// A sum read as a whole number: Null reads as 0, a fraction rounds half to even.
qint64 readSum(engine::Query& query, const QString& statement, const QString& column)
{
    query.setSql(statement);
    query.open();
    return query.recordCount() == 1 ? query.fieldByName(column).asLargeInt() : 0;
}

// The balances as stored, by name as the statements compare names (Latin letters without
// regard to case), so that only a balance that changes is written: an unchanged ledger
// writes nothing, and a full disk does not stop the program from showing it.
QHash<QString, std::vector<QVariant>> storedBalances(engine::Connection* connection)
{
    engine::Query query;
    query.setConnection(connection);
    query.setSql(QStringLiteral("select 帳戶名稱,餘額 from account_type"));
    query.open();
    QHash<QString, std::vector<QVariant>> balances;
    for (int row = 0; row < query.recordCount(); ++row)
        balances[engine::foldedName(query.text(row, 0))].push_back(query.value(row, 1));
    return balances;
}

bool unchanged(const std::vector<QVariant>& stored, qint64 balance)
{
    if (stored.empty())
        return false;
    for (const QVariant& value : stored)
        if (value.isNull() || value.toDouble() != double(balance))
            return false;
    return true;
}

} // namespace

void TForm1::RecalcBalances()
{
    engine::Query& total = *Query[role::Balances];
    engine::Query& accounts = *Query[role::AccountType];
    total.setConnection(Connection.get());
    accounts.setSql(QStringLiteral("select 編號,帳戶名稱 from account_type order by 編號"));
    accounts.open();
    QHash<QString, std::vector<QVariant>> stored = storedBalances(Connection.get());
    accounts.first();
    for (int done = 0; done < accounts.recordCount(); ++done) {
        const QString name = accounts.fieldByName(QStringLiteral("帳戶名稱")).asString();
        const qint64 income = readSum(total, ledger::incomeSumStatement(name), QStringLiteral("收入"));
        const qint64 expense = readSum(total, ledger::expenseSumStatement(name), QStringLiteral("支出"));
        std::vector<QVariant>& now = stored[engine::foldedName(name)];
        if (!unchanged(now, income - expense)) {
            total.setSql(ledger::balanceUpdateStatement(income - expense, name));
            total.execSql();
            for (QVariant& value : now)
                value = double(income - expense);
        }
        accounts.next();
    }
    total.setSql(QStringLiteral("select sum(餘額) as 餘額 from account_type"));
    total.open();
    Label_OverView->setText(QStringLiteral("結餘 : ") + total.fieldByName(QStringLiteral("餘額")).asString());
    total.setSql(QStringLiteral("select 帳戶名稱,餘額 from account_type"));
    total.open();
    DataSource[role::Balances]->setDataSet(&total);
    DataSource[role::Balances]->setEnabled(true);
    DataSource[role::Balances]->setAutoEdit(false);
    DBGrid_OverView->setDataSource(DataSource[role::Balances].get());
    DBGrid_OverView->setEnabled(true);
    ApplyColumnWidths(DBGrid_OverView);
    DBGrid_OverView->setFixedHeight(overviewRowHeight * total.recordCount() + overviewRowHeight);
    DBGrid_OverView->setScrollBarsShown(false);
}
