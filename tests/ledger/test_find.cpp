// The matching rules of the ledger's search, run through the engine on a real file: each case
// is a filter and the serial numbers it lets through, in the grid's order (newest first).
#include "EngineSupport.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "ledger/Find.h"

#include <QtTest>

using ledger::EntryFilter;

namespace {

const char16_t* const entries[] = {
    u"(#2025/01/05#, '食物', 'Lunch at work', '現金', 65)",
    u"(#2025/01/06#, '食物', '午餐便當', '銀行', 80)",
    u"(#2025/02/01#, '交通', 'bus', '現金', 15)",
    u"(#2025/03/10#, '居家', '房租', '銀行', 12000)",
    u"(#2024/12/31#, '食物', 'LUNCH', '現金', 65.5)",
    u"(#2025/01/07#, '娛樂', '100%好玩', '現金', 100)",
    u"(#2025/01/08#, '娛樂', 'under_score', '現金', 7)",
    u"(#2025/01/05 18:30:00#, '食物', 'o''brien', 'Cash', 2025)",
    u"(#2025/01/09#, Null, Null, Null, Null)",
};

QString serialsOf(engine::Connection& connection, const QString& statement)
{
    return testing::rowsOf(connection, QStringLiteral("select 流水號 from (%1)").arg(statement));
}

} // namespace

class TestFind : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::StarterFile> m_file;

private Q_SLOTS:
    void initTestCase()
    {
        QStringList inserts;
        for (const char16_t* values : entries)
            inserts << QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values ") +
                           QString::fromUtf16(values);
        m_file = std::make_unique<testing::StarterFile>(inserts);
    }

    void cleanupTestCase() { m_file.reset(); }

    void matches_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("least");
        QTest::addColumn<QString>("most");
        QTest::addColumn<QString>("serials");
        const QDate open;
        auto row = [&](const char* name, const QString& words, const QString& serials, QDate from = {},
                       QDate to = {}, const QString& least = {}, const QString& most = {}) {
            QTest::newRow(name) << words << from << to << least << most << serials;
        };
        row("nothing asked: every row", QString(), QStringLiteral("4;3;9;7;6;2;8;1;5"));
        row("Latin letters without regard to case", QStringLiteral("lunch"), QStringLiteral("1;5"));
        row("the same in capitals", QStringLiteral("LUNCH"), QStringLiteral("1;5"));
        row("a Han word", QStringLiteral("午餐"), QStringLiteral("2"));
        row("a Han character inside a note", QStringLiteral("餐"), QStringLiteral("2"));
        row("a category", QStringLiteral("交通"), QStringLiteral("3"));
        row("an account", QStringLiteral("銀行"), QStringLiteral("4;2"));
        row("every word must match", QStringLiteral("食物 現金"), QStringLiteral("1;5"));
        row("a full-width blank separates too", QStringLiteral("食物\u3000現金"), QStringLiteral("1;5"));
        row("a number: the amount equals it", QStringLiteral("65"), QStringLiteral("1"));
        row("a number with a fraction", QStringLiteral("65.5"), QStringLiteral("5"));
        row("a number with a word", QStringLiteral("食物 2025"), QStringLiteral("8"));
        row("a percent sign is itself", QStringLiteral("%"), QStringLiteral("6"));
        row("an underscore is itself", QStringLiteral("_"), QStringLiteral("7"));
        row("a quote is itself", QStringLiteral("o'brien"), QStringLiteral("8"));
        row("a backslash finds nothing", QStringLiteral("\\"), QString());
        row("no match", QStringLiteral("zzz"), QString());
        row("a date range, both days whole", QString(), QStringLiteral("7;6;2;8;1"), QDate(2025, 1, 5),
            QDate(2025, 1, 8));
        row("the last day includes its time of day", QString(), QStringLiteral("8;1;5"), open,
            QDate(2025, 1, 5));
        row("from a day on", QString(), QStringLiteral("4;3"), QDate(2025, 2, 1));
        row("an amount range, both ends in", QString(), QStringLiteral("6;2"), open, open,
            QStringLiteral("80"), QStringLiteral("100"));
        row("at least", QString(), QStringLiteral("4;8"), open, open, QStringLiteral("2025"));
        row("words, dates and amounts together", QStringLiteral("現金"), QStringLiteral("1"),
            QDate(2025, 1, 1), QDate(2025, 1, 31), QStringLiteral("60"), QStringLiteral("70"));
        row("a range that holds nothing", QString(), QString(), open, open, QStringLiteral("13000"));
    }

    void matches()
    {
        QFETCH(QString, words);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, least);
        QFETCH(QString, most);
        QFETCH(QString, serials);
        EntryFilter filter;
        filter.words = words;
        if (from.isValid())
            filter.from = from;
        if (to.isValid())
            filter.to = to;
        QVERIFY(ledger::readBound(least, filter.least));
        QVERIFY(ledger::readBound(most, filter.most));
        engine::Connection& connection = *m_file->connection;
        QCOMPARE(serialsOf(connection, ledger::gridStatement(QStringLiteral("spend"), filter)), serials);
        // The label's count and sum are of the same rows.
        const QStringList shown = serials.isEmpty() ? QStringList() : serials.split(u';');
        const QString sums =
            testing::rowsOf(connection, ledger::countAndSumStatement(QStringLiteral("spend"), filter));
        QCOMPARE(sums.section(u'|', 0, 0), QString::number(shown.size()));
        double expected = 0;
        for (const QString& serial : shown)
            expected +=
                testing::rowsOf(connection, QStringLiteral("select 金額 from spend where 流水號 = ") + serial)
                    .toDouble();
        QCOMPARE(sums.section(u'|', 1, 1).toDouble(), expected);
    }

    // Without a filter the grid's statement is the one it always was.
    void noFilterKeepsTheGridStatement()
    {
        QCOMPARE(ledger::gridStatement(QStringLiteral("spend"), {}),
                 QStringLiteral("select * from spend order by 日期 desc"));
        EntryFilter blanks;
        blanks.words = QStringLiteral("  \u3000 ");
        QVERIFY(blanks.isEmpty());
        QCOMPARE(ledger::gridStatement(QStringLiteral("save"), blanks),
                 QStringLiteral("select * from save order by 日期 desc"));
    }

    void bounds()
    {
        std::optional<double> bound = 5;
        QVERIFY(ledger::readBound(QStringLiteral(" 12.5 "), bound));
        QCOMPARE(bound, std::optional<double>(12.5));
        QVERIFY(ledger::readBound(QString(), bound));
        QVERIFY(!bound);
        bound = 3;
        QVERIFY(!ledger::readBound(QStringLiteral("十"), bound));
        QCOMPARE(bound, std::optional<double>(3)); // unreadable text leaves the bound as it was
        QCOMPARE(ledger::foundText(12, 3450), QStringLiteral("共 12 筆,合計 3450"));
    }
};

QTEST_GUILESS_MAIN(TestFind)
#include "test_find.moc"
