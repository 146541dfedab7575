// The matching rules of the ledger's search, run through the engine on a real file: each case
// is a filter and the serial numbers it lets through, in the grid's order (newest first).
#include "EngineSupport.h"
#include "SmallDisk.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "ledger/Find.h"
#include "store/LedgerIndexes.h"

#include <QProcess>
#include <QtTest>
#include <random>
#include <sqlite3.h>

using ledger::EntryFilter;
using ledger::TextLookup;

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

// The serial numbers of a grid statement's rows, as the grid opens it.
QString serialsOf(engine::Connection& connection, const QString& statement)
{
    engine::Query grid;
    grid.setConnection(&connection);
    grid.setSql(statement);
    grid.open();
    QStringList serials;
    const int serial = grid.fieldIndex(QStringLiteral("流水號"));
    for (int row = 0; row < grid.recordCount(); ++row)
        serials << grid.text(row, serial);
    return serials.join(u';');
}

// The expense grid's statement as the filter row makes it: the rarest word first, through the
// kept texts where the file has them.
QString windowStatement(engine::Connection& connection, const EntryFilter& filter)
{
    const QString table = QStringLiteral("spend");
    return ledger::gridStatement(table, ledger::rarestWordFirst(connection, table, filter),
                                 ledger::textLookupOf(connection));
}

// The expense entries a word finds through the kept texts.
QString kept(engine::Connection& connection, const QString& word)
{
    EntryFilter filter;
    filter.words = word;
    return serialsOf(connection, ledger::gridStatement(QStringLiteral("spend"), filter, TextLookup::Indexed));
}

// The kept texts hold each text of the ledgers' searched columns once (letter case aside) with
// the number of entries that hold it, and every search through them finds what testing every
// entry finds.
bool keptTextsAreRight(engine::Connection& connection)
{
    if (!connection.hasKeptTable(QStringLiteral("entry_texts"))) {
        qWarning("the kept texts are missing");
        return false;
    }
    QStringList counted;
    for (const char* table : {"spend", "save"})
        for (const char* column : {"帳戶", "摘要", "類型"}) // as the kept table orders them
            counted << testing::rowsOf(
                connection, QStringLiteral("select '%1', '%2', lower(%2), count(*) from %1 where %2 is "
                                           "not null group by %2 collate nocase order by lower(%2)")
                                .arg(QLatin1String(table), QString::fromUtf8(column)));
    counted.removeAll(QString());
    const QString expected = counted.join(u';');
    const QString held = testing::rowsOf(
        connection,
        QStringLiteral("select ledger, field, lower(content), uses from entry_texts order by ledger "
                       "desc, field, lower(content)"));
    if (held != expected) {
        qWarning("kept %s\ncounted %s", qPrintable(held), qPrintable(expected));
        return false;
    }
    for (const char* words : {"lunch", "LUNCH box", "午餐", "餐", "o'brien", "%", "現金 lunch", "50", "zzz"})
        for (const char* table : {"spend", "save"}) {
            EntryFilter filter;
            filter.words = QString::fromUtf8(words);
            const QString name = QLatin1String(table);
            const QString indexed =
                serialsOf(connection, ledger::gridStatement(name, filter, TextLookup::Indexed));
            const QString scanned =
                serialsOf(connection, ledger::gridStatement(name, filter, TextLookup::EveryEntry));
            if (indexed != scanned) {
                qWarning("%s in %s: %s through the kept texts, %s testing every entry", words, table,
                         qPrintable(indexed), qPrintable(scanned));
                return false;
            }
        }
    return true;
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
        store::keepLedgerIndexes(*m_file->connection); // as the window does at its login
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
        QCOMPARE(ledger::textLookupOf(connection), TextLookup::Indexed);
        // Through the kept texts and by testing every entry alike.
        // The window's statement starts from the rarest word: the same rows.
        QCOMPARE(serialsOf(connection, windowStatement(connection, filter)), serials);
        for (const TextLookup lookup : {TextLookup::Indexed, TextLookup::EveryEntry}) {
            QCOMPARE(serialsOf(connection, ledger::gridStatement(QStringLiteral("spend"), filter, lookup)),
                     serials);
            // The label's count and sum are of the same rows.
            const QStringList shown = serials.isEmpty() ? QStringList() : serials.split(u';');
            const QString sums = testing::rowsOf(
                connection, ledger::countAndSumStatement(QStringLiteral("spend"), filter, lookup));
            QCOMPARE(sums.section(u'|', 0, 0), QString::number(shown.size()));
            double expected = 0;
            for (const QString& serial : shown)
                expected += testing::rowsOf(connection,
                                            QStringLiteral("select 金額 from spend where 流水號 = ") + serial)
                                .toDouble();
            QCOMPARE(sums.section(u'|', 1, 1).toDouble(), expected);
        }
    }

    // A file from before the search, opened on a full disk: the kept texts cannot be made, the
    // file stays as it was, and a search tests every entry instead. With room, they are made.
    void searchWithoutRoomForTheKeptTexts()
    {
        testing::SmallDisk disk(2 * 1024 * 1024);
        if (!disk.ready())
            QSKIP(qPrintable(disk.why()));
        {
            testing::StarterFile file(
                {QStringLiteral("insert into spend (日期, 摘要) values (#2025/01/05#, 'Lunch')"),
                 QStringLiteral("insert into spend (日期, 摘要) values (#2025/01/06#, 'dinner')"),
                 QStringLiteral("insert into spend (日期, 帳戶) values (#2025/01/07#, 'LUNCH card')")});
            QCOMPARE(sqlite3_exec(
                         file.connection->handle(),
                         "DROP TRIGGER [entry_texts:spend:insert]; DROP TRIGGER [entry_texts:spend:update]; "
                         "DROP TRIGGER [entry_texts:spend:delete]; DROP TRIGGER [entry_texts:save:insert]; "
                         "DROP TRIGGER [entry_texts:save:update]; DROP TRIGGER [entry_texts:save:delete]; "
                         "DROP TABLE entry_texts; VACUUM;",
                         nullptr, nullptr, nullptr),
                     SQLITE_OK);
            file.connection->close();
            QVERIFY(QFile::copy(file.dir.file(QStringLiteral("finance.mdb")),
                                disk.file(QStringLiteral("finance.mdb"))));
        }
        const QByteArray before = testing::fileBytes(disk.file(QStringLiteral("finance.mdb")));
        QVERIFY(disk.fillUpTo(0));
        EntryFilter filter;
        filter.words = QStringLiteral("lunch");
        {
            auto connection =
                engine::Connection::openFile(disk.file(QStringLiteral("finance.mdb")), testing::password);
            store::keepLedgerIndexes(*connection);
            QVERIFY(!connection->hasKeptTable(QStringLiteral("entry_texts")));
            QCOMPARE(ledger::textLookupOf(*connection), TextLookup::EveryEntry);
            QCOMPARE(serialsOf(*connection, windowStatement(*connection, filter)), QStringLiteral("3;1"));
        }
        QCOMPARE(testing::fileBytes(disk.file(QStringLiteral("finance.mdb"))), before);
        QVERIFY(QFile::remove(disk.file(QStringLiteral(".filler"))));
        auto connection =
            engine::Connection::openFile(disk.file(QStringLiteral("finance.mdb")), testing::password);
        store::keepLedgerIndexes(*connection);
        QVERIFY(keptTextsAreRight(*connection));
        QCOMPARE(serialsOf(*connection, windowStatement(*connection, filter)), QStringLiteral("3;1"));
    }

    // The word the fewest entries hold leads, its amount's entries counted too.
    void rarestWordLeads()
    {
        engine::Connection& connection = *m_file->connection;
        EntryFilter filter;
        filter.words = QStringLiteral("食物 bus 65");
        QCOMPARE(ledger::rarestWordFirst(connection, QStringLiteral("spend"), filter).words,
                 QStringLiteral("bus 65 食物"));
    }

    // Without a filter the grid's statement is the one it always was.
    void noFilterKeepsTheGridStatement()
    {
        QCOMPARE(ledger::gridStatement(QStringLiteral("spend"), {}, TextLookup::Indexed),
                 QStringLiteral("select * from spend order by 日期 desc"));
        EntryFilter blanks;
        blanks.words = QStringLiteral("  \u3000 ");
        QVERIFY(blanks.isEmpty());
        QCOMPARE(ledger::gridStatement(QStringLiteral("save"), blanks, TextLookup::EveryEntry),
                 QStringLiteral("select * from save order by 日期 desc"));
    }

    // The kept texts against the ledgers themselves after every kind of write: counted anew,
    // and each search through them against the same search testing every entry.
    void keptTextsFollowEveryWrite()
    {
        testing::StarterFile file;
        engine::Connection& connection = *file.connection;
        store::keepLedgerIndexes(connection);
        const QStringList texts{
            QStringLiteral("Lunch"), QStringLiteral("lunch"),    QStringLiteral("LUNCH box"),
            QStringLiteral("午餐"),  QStringLiteral("午餐便當"), QStringLiteral("o'brien"),
            QStringLiteral("現金"),  QStringLiteral(""),         QStringLiteral("50%")};
        std::mt19937 random(20261211);
        auto pick = [&]() -> QString {
            const size_t i = random() % (size_t(texts.size()) + 1);
            if (i == size_t(texts.size()))
                return QStringLiteral("Null");
            QString text = texts[qsizetype(i)];
            return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
        };
        auto insert = [&](const char* table) {
            connection.execute(
                QStringLiteral("insert into %1 (日期, 類型, 摘要, 帳戶, 金額) values (#2025/%2/%3#, "
                               "%4, %5, %6, %7)")
                    .arg(QLatin1String(table))
                    .arg(1 + random() % 12)
                    .arg(1 + random() % 28)
                    .arg(pick(), pick(), pick())
                    .arg(random() % 100));
        };
        const QStringList columns{QStringLiteral("類型"), QStringLiteral("摘要"), QStringLiteral("帳戶")};
        for (int step = 0; step < 300; ++step) {
            const char* table = random() % 3 == 0 ? "save" : "spend";
            const QString name = QLatin1String(table);
            switch (random() % 6) {
            case 0:
            case 1:
                insert(table);
                break;
            case 2: // a cell edit
                connection.execute(QStringLiteral("update %1 set %2 = %3 where 流水號 = %4")
                                       .arg(name, columns[qsizetype(random() % 3)], pick())
                                       .arg(1 + random() % (step + 1)));
                break;
            case 3: // several columns of several rows at once
                connection.execute(QStringLiteral("update %1 set 類型 = %2, 帳戶 = %3 where 金額 < %4")
                                       .arg(name, pick(), pick())
                                       .arg(random() % 20));
                break;
            case 4:
                connection.execute(QStringLiteral("delete from %1 where 流水號 = %2")
                                       .arg(name)
                                       .arg(1 + random() % (step + 1)));
                break;
            case 5: // a transfer: a row on each side; now and then many rows go at once
                insert("spend");
                insert("save");
                if (random() % 10 == 0)
                    connection.execute(QStringLiteral("delete from %1 where 金額 > 80").arg(name));
                break;
            }
            if (step % 25 == 24)
                QVERIFY2(keptTextsAreRight(connection),
                         qPrintable(QStringLiteral("after step %1").arg(step)));
        }
        QVERIFY(keptTextsAreRight(connection));
    }

    // Writes by the stock shell between two runs are kept by the file's own triggers; a table or
    // trigger the shell dropped, and a table rewritten by a change of a column's type, are made
    // and filled afresh.
    void keptTextsAfterOtherWriters()
    {
        testing::StarterFile file(
            {QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2025/01/05#, '食物', "
                            "'Lunch', '現金', 65)")});
        store::keepLedgerIndexes(*file.connection);
        auto shell = [&](const QString& sql) {
            file.connection->close();
            QProcess process;
            process.setWorkingDirectory(file.dir.path());
            process.start(QStringLiteral("sqlcipher"),
                          {QStringLiteral("-bail"), QStringLiteral("-cmd"),
                           QStringLiteral("PRAGMA key='1234';"), QStringLiteral("finance.mdb"), sql});
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitCode(), 0);
            file.connection->open();
        };
        shell(QStringLiteral(
            "INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) VALUES ('2025-02-01', '交通', "
            "'bus to work', 'Cash', 15), ('2025-02-02', '食物', 'LUNCH', '現金', 80);"
            "UPDATE spend SET 摘要 = '午餐' WHERE 金額 = 65; DELETE FROM spend WHERE 金額 = 80;"));
        QVERIFY(keptTextsAreRight(*file.connection));
        QCOMPARE(kept(*file.connection, QStringLiteral("lunch")), QString());
        QCOMPARE(kept(*file.connection, QStringLiteral("WORK")), QStringLiteral("2"));

        shell(QStringLiteral("DROP TRIGGER [entry_texts:spend:insert]; INSERT INTO spend (日期, 摘要) VALUES "
                             "('2025-03-01', 'lunch again');"));
        QVERIFY(file.connection->hasKeptTable(QStringLiteral("entry_texts")));
        QVERIFY(keptTextsAreRight(*file.connection));
        QCOMPARE(kept(*file.connection, QStringLiteral("lunch")), QStringLiteral("4"));

        shell(
            QStringLiteral("DROP TABLE entry_texts; DROP TRIGGER [entry_texts:spend:insert]; DROP TRIGGER "
                           "[entry_texts:spend:update]; DROP TRIGGER [entry_texts:spend:delete]; DELETE FROM "
                           "spend WHERE 摘要 = 'bus to work';"));
        QVERIFY(keptTextsAreRight(*file.connection));
        QCOMPARE(kept(*file.connection, QStringLiteral("work")), QString());

        file.connection->execute(QStringLiteral("ALTER TABLE spend ALTER COLUMN 摘要 char"));
        file.connection->execute(
            QStringLiteral("insert into spend (日期, 摘要) values (#2025/04/01#, 'work')"));
        QVERIFY(file.connection->hasKeptTable(QStringLiteral("entry_texts")));
        QVERIFY(keptTextsAreRight(*file.connection));
        QCOMPARE(kept(*file.connection, QStringLiteral("work")), QStringLiteral("5"));

        // A new password writes the file anew: the texts and their triggers come along, once.
        file.connection->execute(QStringLiteral("ALTER DATABASE PASSWORD 5678 1234"));
        file.connection->execute(
            QStringLiteral("insert into spend (日期, 摘要) values (#2025/04/02#, 'WORK')"));
        QVERIFY(keptTextsAreRight(*file.connection));
        QCOMPARE(kept(*file.connection, QStringLiteral("work")), QStringLiteral("6;5"));
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
