#include "EngineSupport.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineError.h"
#include "store/engine/Query.h"
#include "store/engine/Transaction.h"

#include <QRandomGenerator>
#include <QtTest>
#include <memory>

using engine::Connection;
using engine::Query;

namespace {

// Every field of every row, in the result's order, as text.
QStringList contents(const Query& query)
{
    QStringList rows;
    for (int row = 0; row < query.recordCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < query.fieldCount(); ++column)
            fields << query.text(row, column);
        rows << fields.join(u'|');
    }
    return rows;
}

// The statement read anew, for comparison.
std::unique_ptr<Query> freshRead(Connection& connection, const QString& statement)
{
    auto fresh = std::make_unique<Query>();
    fresh->setConnection(&connection);
    fresh->setSql(statement);
    fresh->open();
    return fresh;
}

// Writes of every kind the program makes to spend, chosen at random, each followed at random
// by reopening the grid's statement; after each reopen the grid must hold exactly what a fresh
// read of the statement gives.
class Ledger
{
public:
    Ledger(Connection& connection, quint32 seed) : m_connection(connection), m_random(seed) {}

    QString date() { return QStringLiteral("2020-01-0%1").arg(m_random.bounded(1, 5)); }
    QString account()
    {
        static const QString accounts[] = {QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"),
                                           QStringLiteral("現金")};
        return accounts[m_random.bounded(4)];
    }
    QString amount() { return QString::number(m_random.bounded(1, 4) * 10); }
    // Notes that differ only in letter case, which the caseless order takes as equal.
    QString note()
    {
        static const QString notes[] = {QStringLiteral("note"), QStringLiteral("Note"),
                                        QStringLiteral("NOTE"), QStringLiteral("bus"),
                                        QStringLiteral("Bus"),  QStringLiteral("公車")};
        return notes[m_random.bounded(6)];
    }
    int bounded(int n) { return int(m_random.bounded(n)); }

    void addThroughOneRowSelect()
    {
        Query query;
        query.setConnection(&m_connection);
        query.setSql(QStringLiteral("select top 1 * from spend"));
        query.open();
        query.append();
        query.setFieldText(QStringLiteral("日期"), date());
        query.setFieldText(QStringLiteral("類型"), QStringLiteral("食物"));
        query.setFieldText(QStringLiteral("摘要"), note());
        query.setFieldText(QStringLiteral("帳戶"), account());
        query.setFieldText(QStringLiteral("金額"), amount());
        query.post();
    }

    void addThroughStatement()
    {
        m_connection.execute(QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) "
                                            "values (#%1#, '交通', '%2', '%3', %4)")
                                 .arg(date(), note(), account(), amount()));
    }

    QString someSerial()
    {
        Query serials;
        serials.setConnection(&m_connection);
        serials.setSql(QStringLiteral("select 流水號 from spend where 流水號 > 0"));
        serials.open();
        if (serials.recordCount() == 0)
            return QStringLiteral("0");
        return serials.text(bounded(serials.recordCount()), 0);
    }

private:
    Connection& m_connection;
    QRandomGenerator m_random;
};

} // namespace

class TestRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reopenedResultEqualsAFreshRead_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("newest first (date index, backwards)")
            << QStringLiteral("select * from spend order by 日期 desc");
        QTest::newRow("oldest first (date index)") << QStringLiteral("select * from spend order by 日期");
        QTest::newRow("table order") << QStringLiteral("select * from spend");
        QTest::newRow("by account and amount (two-column index)")
            << QStringLiteral("select * from spend order by 帳戶, 金額");
        QTest::newRow("some columns")
            << QStringLiteral("select 日期, 金額, 流水號 from spend order by 日期 desc");
        QTest::newRow("one account (index search)")
            << QStringLiteral("select * from spend where 帳戶 = 'a' order by 日期 desc");
        QTest::newRow("amounts over 10") << QStringLiteral("select * from spend where 金額 > 10");
        QTest::newRow("sort the index cannot give")
            << QStringLiteral("select * from spend order by 摘要, 日期");
        QTest::newRow("notes, descending index walked backwards")
            << QStringLiteral("select * from spend order by 摘要");
        QTest::newRow("notes, descending index walked forwards")
            << QStringLiteral("select * from spend order by 摘要 desc");
    }

    void reopenedResultEqualsAFreshRead()
    {
        QFETCH(QString, statement);
        testing::TempWorkdir dir;
        testing::writeStarter();
        auto connection = testing::connect();
        connection->execute(QStringLiteral("create index 摘要序 on spend (摘要 desc)"));
        for (quint32 seed = 1; seed <= 3; ++seed) {
            connection->execute(QStringLiteral("delete from spend"));
            Ledger ledger(*connection, seed);
            for (int i = 0; i < 12; ++i)
                ledger.addThroughOneRowSelect();
            Query grid;
            grid.setConnection(connection.get());
            grid.setSql(statement);
            grid.open();
            for (int step = 0; step < 120; ++step) {
                switch (ledger.bounded(9)) {
                case 0:
                    ledger.addThroughOneRowSelect();
                    break;
                case 1:
                    ledger.addThroughStatement();
                    break;
                case 2:
                    connection->execute(
                        QStringLiteral("delete from spend where 流水號 = %1").arg(ledger.someSerial()));
                    break;
                case 3:
                    connection->execute(
                        QStringLiteral(
                            "update spend set 日期 = #%1#, 帳戶 = '%2', 摘要 = '%3' where 流水號 = %4")
                            .arg(ledger.date(), ledger.account(), ledger.note(), ledger.someSerial()));
                    break;
                case 4:
                    // The grid's own edit and delete, on a row of what it shows.
                    if (grid.isActive() && grid.recordCount() > 0) {
                        grid.moveTo(ledger.bounded(grid.recordCount()));
                        if (ledger.bounded(2) == 0 && grid.canModify()) {
                            grid.setFieldText(QStringLiteral("日期"), ledger.date());
                            grid.setFieldText(QStringLiteral("金額"), ledger.amount());
                            try {
                                grid.post();
                            } catch (const engine::EngineError&) {
                                // The row was deleted by another statement since the grid read it.
                                grid.cancel();
                            }
                        } else if (grid.canModify()) {
                            grid.deleteCurrent();
                        }
                    }
                    break;
                case 5: {
                    // A unit of work given up: its rows are as they were.
                    engine::Transaction unit(*connection);
                    ledger.addThroughStatement();
                    connection->execute(QStringLiteral("update spend set 金額 = 99 where 流水號 = %1")
                                            .arg(ledger.someSerial()));
                    break;
                }
                case 6:
                    if (ledger.bounded(20) == 0)
                        connection->execute(QStringLiteral("delete from spend"));
                    break;
                default: {
                    // The refresh: the grid's statement opened again, directly or after the
                    // slot ran another statement, as the pages do.
                    if (ledger.bounded(2) == 0) {
                        grid.setSql(QStringLiteral("select top 1 * from spend"));
                        grid.open();
                        grid.setSql(statement);
                    }
                    grid.open();
                    const auto fresh = freshRead(*connection, statement);
                    QCOMPARE(contents(grid), contents(*fresh));
                    QCOMPARE(grid.recNo(), grid.recordCount() > 0 ? 0 : -1);
                    if (ledger.bounded(3) == 0) {
                        // The grid stays sorted through the next writes; a title clicked twice
                        // turns the first sort around, ties in the statement's order.
                        grid.setSort(QStringLiteral("金額"));
                        grid.setSort(QStringLiteral("金額 DESC"));
                        fresh->setSort(QStringLiteral("金額 DESC"));
                        QCOMPARE(contents(grid), contents(*fresh));
                    }
                }
                }
            }
            grid.open();
            QCOMPARE(contents(grid), contents(*freshRead(*connection, statement)));
        }
    }

    void tableChangesOutsideTheRowsAreNotMissed()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        auto connection = testing::connect();
        Ledger ledger(*connection, 7);
        for (int i = 0; i < 5; ++i)
            ledger.addThroughOneRowSelect();
        const QString statement = QStringLiteral("select * from spend order by 日期 desc");
        Query grid;
        grid.setConnection(connection.get());
        grid.setSql(statement);
        grid.open();
        grid.close();
        // A new column: the kept rows no longer have the table's shape.
        connection->execute(QStringLiteral("alter table spend add column 備註 varchar(20)"));
        connection->execute(QStringLiteral("update spend set 備註 = 'x'"));
        grid.open();
        QCOMPARE(grid.fieldCount(), 7);
        QCOMPARE(grid.text(0, 6), QStringLiteral("x"));
        grid.close();
        // The file closed and opened again: nothing read before is trusted.
        connection->close();
        connection->open();
        connection->execute(QStringLiteral("update spend set 備註 = 'y'"));
        grid.open();
        QCOMPARE(grid.text(grid.recordCount() - 1, 6), QStringLiteral("y"));
    }
};

QTEST_GUILESS_MAIN(TestRefresh)
#include "test_refresh.moc"
