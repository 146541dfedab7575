#include "EngineSupport.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/Transaction.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using engine::Connection;
using engine::Query;

namespace {

using testing::everyRow;
using testing::readWhole;
using testing::rowText;

// Entries on the 28 days of January 2020, with notes long enough to spread them over many pages.
void addEntries(Connection& connection, int count)
{
    engine::Transaction unit(connection);
    for (int i = 0; i < count; ++i)
        connection.execute(QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                          "(#2020-01-%1#, '食物', 'a note of some length %2', '現金', %3)")
                               .arg(i % 28 + 1)
                               .arg(i)
                               .arg(i * 7919 % 1000));
    unit.commit();
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
        // Sorted by SQLite: the rowid breaks the ties, so the order is known all the same.
        QTest::newRow("a sort, ties by rowid")
            << QStringLiteral("select * from spend where 金額 > 10 order by 金額 desc");
        // Which rows belong depends on other rows: read again, never brought up to date.
        QTest::newRow("a condition that looks at other rows") << QStringLiteral(
            "select * from spend where 帳戶 in (select 帳戶 from spend where 金額 > 20) order by 日期 desc");
    }

    void reopenedResultEqualsAFreshRead()
    {
        QFETCH(QString, statement);
        testing::StarterFile starter;
        auto& connection = starter.connection;
        connection->execute(QStringLiteral("create index 摘要序 on spend (摘要 desc)"));
        for (quint32 seed = 1; seed <= 3; ++seed) {
            connection->execute(QStringLiteral("delete from spend"));
            Ledger ledger(*connection, seed);
            for (int i = 0; i < 12; ++i)
                ledger.addThroughOneRowSelect();
            Query grid;
            grid.setConnection(connection.get());
            // Most rows of the grid keep only what identifies them and their order: the other
            // fields are read again when asked for, and must be the ones it was opened on.
            grid.setRowCache(3);
            grid.setSql(statement);
            grid.open();
            QStringList shown = everyRow(grid);
            for (int step = 0; step < 120; ++step) {
                switch (ledger.bounded(10)) {
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
                        const int row = ledger.bounded(grid.recordCount());
                        grid.moveTo(row);
                        if (ledger.bounded(2) == 0 && grid.canModify()) {
                            grid.setFieldText(QStringLiteral("日期"), ledger.date());
                            grid.setFieldText(QStringLiteral("金額"), ledger.amount());
                            try {
                                grid.post();
                                shown[row] = rowText(grid, row);
                            } catch (const engine::EngineError&) {
                                // The row was deleted by another statement since the grid read it.
                                grid.cancel();
                            }
                        } else if (grid.canModify()) {
                            grid.deleteCurrent();
                            shown.removeAt(row);
                        }
                    }
                    break;
                case 7: {
                    // Another result of the same statement changes or deletes one of its rows.
                    Query other;
                    other.setConnection(connection.get());
                    other.setSql(statement);
                    other.open();
                    if (other.recordCount() == 0 || !other.canModify())
                        break;
                    other.moveTo(ledger.bounded(other.recordCount()));
                    if (ledger.bounded(2) == 0) {
                        other.setFieldText(QStringLiteral("日期"), ledger.date());
                        other.setFieldText(QStringLiteral("金額"), ledger.amount());
                        other.post();
                    } else {
                        other.deleteCurrent();
                    }
                    break;
                }
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
                    // Until then, the grid shows what it was opened on and its own changes.
                    QCOMPARE(everyRow(grid), shown);
                    // The refresh: the grid's statement opened again, directly or after the
                    // slot ran another statement, as the pages do.
                    if (ledger.bounded(2) == 0) {
                        grid.setSql(QStringLiteral("select top 1 * from spend"));
                        grid.open();
                        grid.setSql(statement);
                    }
                    grid.open();
                    const auto fresh = readWhole(*connection, statement);
                    QCOMPARE(everyRow(grid), everyRow(*fresh));
                    QCOMPARE(grid.recNo(), grid.recordCount() > 0 ? 0 : -1);
                    if (ledger.bounded(3) == 0) {
                        // The grid stays sorted through the next writes; a title clicked twice
                        // turns the first sort around, ties in the statement's order.
                        grid.setSort(QStringLiteral("金額"));
                        grid.setSort(QStringLiteral("金額 DESC"));
                        fresh->setSort(QStringLiteral("金額 DESC"));
                        QCOMPARE(everyRow(grid), everyRow(*fresh));
                    }
                    shown = everyRow(grid);
                }
                }
            }
            grid.open();
            QCOMPARE(everyRow(grid), everyRow(*readWhole(*connection, statement)));
        }
    }

    // A ledger larger than the row cache: opening reads no fields, walking it holds no more
    // rows than the cache, a sort by another column reads that column alone, and writes by
    // other statements or a unit given up never change what an open result shows.
    void fieldsAreReadWhenAskedFor()
    {
        testing::StarterFile starter;
        auto& connection = starter.connection;
        addEntries(*connection, 600);
        const QString statement = QStringLiteral("select * from spend order by 日期 desc");
        Query grid;
        grid.setConnection(connection.get());
        grid.setRowCache(50);
        grid.setSql(statement);
        grid.open();
        QCOMPARE(grid.recordCount(), 600);
        QCOMPARE(grid.rowsInMemory(), 0);
        const QStringList before = everyRow(*readWhole(*connection, statement));
        QCOMPARE(everyRow(grid), before);
        QVERIFY(grid.rowsInMemory() <= 50);

        auto sorted = readWhole(*connection, statement);
        sorted->setSort(QStringLiteral("金額 DESC"));
        grid.setSort(QStringLiteral("金額"));
        grid.setSort(QStringLiteral("金額 DESC"));
        QVERIFY(grid.rowsInMemory() <= 50);
        QCOMPARE(everyRow(grid), everyRow(*sorted));

        // Another result changes one row and deletes another; a statement changes them all.
        grid.open();
        QVERIFY(grid.rowsInMemory() <= 50);
        Query other;
        other.setConnection(connection.get());
        other.setSql(statement);
        other.open();
        other.moveTo(3);
        other.setFieldText(QStringLiteral("摘要"), QStringLiteral("changed by another"));
        other.post();
        other.moveTo(4);
        other.deleteCurrent();
        QCOMPARE(rowText(grid, 3), before[3]);
        QCOMPARE(rowText(grid, 4), before[4]);
        connection->execute(QStringLiteral("update spend set 金額 = 0"));
        QCOMPARE(grid.rowsInMemory(), 600);
        QCOMPARE(everyRow(grid), before);
        grid.open();
        QCOMPARE(grid.recordCount(), 599);
        QCOMPARE(everyRow(grid), everyRow(*readWhole(*connection, statement)));

        // Opened inside a unit that is then given up: it shows the rows as they were at its open.
        Query inUnit;
        inUnit.setConnection(connection.get());
        inUnit.setRowCache(2);
        {
            engine::Transaction unit(*connection);
            connection->execute(QStringLiteral("update spend set 摘要 = 'in the unit'"));
            inUnit.setSql(QStringLiteral("select * from spend order by 日期"));
            inUnit.open();
            QCOMPARE(inUnit.rowsInMemory(), 0);
        }
        QCOMPARE(inUnit.rowsInMemory(), 599);
        QCOMPARE(inUnit.text(598, 3), QStringLiteral("in the unit"));
        inUnit.open();
        QVERIFY(inUnit.text(598, 3) != QStringLiteral("in the unit"));

        // Opened in a unit before anything was written in it (as the batch opens its statement):
        // the rollback gives back only what was written after the open, which it kept.
        Query quiet;
        quiet.setConnection(connection.get());
        quiet.setRowCache(2);
        const QString note = inUnit.text(0, 3);
        {
            engine::Transaction unit(*connection);
            quiet.setSql(QStringLiteral("select * from spend"));
            quiet.open();
            QCOMPARE(quiet.rowsInMemory(), 0);
            connection->execute(
                QStringLiteral("update spend set 摘要 = 'later in the unit' where 流水號 = %1")
                    .arg(inUnit.text(0, 0)));
            QCOMPARE(quiet.rowsInMemory(), 1);
        }
        QCOMPARE(quiet.rowsInMemory(), 1);
        QCOMPARE(everyRow(quiet), everyRow(*readWhole(*connection, QStringLiteral("select * from spend"))));
        QVERIFY(everyRow(quiet).join(u'\n').contains(note));
    }

    // A row whose fields cannot be read when the grid asks for them (the file damaged under
    // the program) shows its date alone, and the failure is reported once, after the read.
    void unreadableRowsAreReported()
    {
        testing::StarterFile starter;
        auto& connection = starter.connection;
        addEntries(*connection, 300);
        connection->close(); // nothing of the table stays decrypted in memory
        Query grid;
        grid.setConnection(connection.get());
        grid.setRowCache(10);
        grid.setSql(QStringLiteral("select * from spend order by 日期 desc"));
        grid.open();
        QCOMPARE(grid.rowsInMemory(), 0);
        QSignalSpy unreadable(&grid, &Query::fieldsUnreadable);
        {
            QFile file(connection->databasePath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qint64 size = file.size();
            QVERIFY(file.seek(4096));
            file.write(QByteArray(int(size - 4096), '\x5a'));
        }
        QVERIFY2(grid.text(150, 1).startsWith(QStringLiteral("2020/01/")), qPrintable(grid.text(150, 1)));
        QCOMPARE(grid.text(150, 3), QString());
        QCOMPARE(grid.text(151, 3), QString());
        QCOMPARE(unreadable.count(), 0); // not while the paint or walk that asked goes on
        QCoreApplication::processEvents();
        QCOMPARE(unreadable.count(), 1);
        QVERIFY2(
            unreadable.front().front().toString().startsWith(QStringLiteral("資料表 spend 有資料列讀不出來")),
            qPrintable(unreadable.front().front().toString()));
    }

    // A title click on amounts: Null first, negative before positive, both zeros alike, and
    // equal amounts in the statement's order, either way round.
    void amountSortKeepsTiesInTheStatementsOrder()
    {
        testing::StarterFile starter;
        auto& connection = starter.connection;
        const QStringList amounts{
            QStringLiteral("3.5"),   QStringLiteral("-2"),     QStringLiteral("0"),
            QStringLiteral("null"),  QStringLiteral("1e300"),  QStringLiteral("-1e-300"),
            QStringLiteral("3.5"),   QStringLiteral("-0.0"),   QStringLiteral("-2"),
            QStringLiteral("null"),  QStringLiteral("-1e300"), QStringLiteral("0.25"),
            QStringLiteral("65536"), QStringLiteral("3.5")};
        for (int i = 0; i < amounts.size(); ++i)
            connection->execute(QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) "
                                               "values (#2020-01-%1#, '食物', 'n', '現金', %2)")
                                    .arg(i % 3 + 1)
                                    .arg(amounts[i]));
        const QString statement = QStringLiteral("select * from spend order by 日期 desc");
        for (bool descending : {false, true}) {
            Query grid;
            grid.setConnection(connection.get());
            grid.setSql(statement);
            grid.open();
            // The expected order: the statement's rows sorted stably by amount.
            struct Entry
            {
                bool null;
                double amount;
                QString serial;
            };
            std::vector<Entry> entries;
            for (int row = 0; row < grid.recordCount(); ++row)
                entries.push_back(
                    {grid.text(row, 5).isEmpty(), grid.text(row, 5).toDouble(), grid.text(row, 0)});
            std::stable_sort(entries.begin(), entries.end(), [descending](const Entry& a, const Entry& b) {
                if (a.null != b.null)
                    return descending ? b.null : a.null;
                return descending ? b.amount < a.amount : a.amount < b.amount;
            });
            QStringList expected;
            for (const Entry& entry : entries)
                expected << entry.serial;
            grid.setSort(descending ? QStringLiteral("金額 DESC") : QStringLiteral("金額"));
            QStringList serials;
            for (int row = 0; row < grid.recordCount(); ++row)
                serials << grid.text(row, 0);
            QCOMPARE(serials, expected);
        }
    }

    void tableChangesOutsideTheRowsAreNotMissed()
    {
        testing::StarterFile starter;
        auto& connection = starter.connection;
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
