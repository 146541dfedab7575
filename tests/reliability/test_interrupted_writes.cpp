// A writer killed at random moments must leave a file that opens, that SQLite finds sound,
// and in which every unit of entries is whole or absent.
#include "LedgerUnits.h"
#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "ui/ScriptedDialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>
#include <cstdio>
#include <map>

namespace {

constexpr int kills = 20;

struct Found
{
    std::map<qint64, QStringList> units; // unit -> its rows as "table|日期|類型|摘要|帳戶|金額", sorted
    QStringList strays;                  // rows that belong to no unit
    qint64 spent = 0;                    // 現金's expenses
    qint64 saved = 0;                    // 銀行's incomes
};

QString rowText(const reliability::UnitRow& row)
{
    return QStringList{row.table, row.date, row.type, row.note, row.account, row.amount}.join(u'|');
}

QStringList expectedRows(qint64 unit)
{
    QStringList rows;
    for (const reliability::UnitRow& row : reliability::unitRows(unit))
        rows << rowText(row);
    rows.sort();
    return rows;
}

// Every entry in the file, read the way the program reads it.
Found readEntries(engine::Connection& connection)
{
    static const QRegularExpression note(QStringLiteral("^unit (\\d+) \\d+/\\d+$"));
    Found found;
    for (const char* table : {"spend", "save"}) {
        engine::Query query;
        query.setConnection(&connection);
        query.setSql(QStringLiteral("select 日期,類型,摘要,帳戶,金額 from %1").arg(QLatin1String(table)));
        query.open();
        for (query.first(); !query.eof(); query.next()) {
            QStringList fields{QLatin1String(table)};
            for (int i = 0; i < query.fieldCount(); ++i)
                fields << query.field(i).asString();
            const QString row = fields.join(u'|');
            const auto match = note.match(fields.at(3));
            if (match.hasMatch())
                found.units[match.captured(1).toLongLong()] << row;
            else
                found.strays << row;
            (QLatin1String(table) == QLatin1String("spend") ? found.spent : found.saved) +=
                fields.at(5).toLongLong();
        }
    }
    for (auto& [unit, rows] : found.units)
        rows.sort();
    return found;
}

struct Round
{
    qint64 lastStored = 0; // the last unit the writer reported as stored, 0 for none
    bool killed = false;
    QString failure;
};

// Starts the writer at the given unit and kills it the given time after it reports writing.
Round runAndKill(const QString& folder, qint64 first, int delayMs)
{
    Round round;
    QProcess writer;
    writer.setWorkingDirectory(folder);
    writer.setProcessChannelMode(QProcess::SeparateChannels);
    writer.start(QStringLiteral(LEDGER_WRITER), {QStringLiteral("write"), QString::number(first)});
    if (!writer.waitForStarted(30000)) {
        round.failure = QStringLiteral("the writer did not start: ") + writer.errorString();
        return round;
    }
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains("writing\n") && writer.state() == QProcess::Running && clock.elapsed() < 60000) {
        writer.waitForReadyRead(1000);
        output += writer.readAllStandardOutput();
    }
    if (!output.contains("writing\n")) {
        writer.kill();
        writer.waitForFinished(30000);
        round.failure = QStringLiteral("the writer never wrote: ") +
                        QString::fromLocal8Bit(writer.readAllStandardError());
        return round;
    }
    // Keep reading while waiting, so that the writer never blocks on a full pipe.
    clock.restart();
    while (clock.elapsed() < delayMs && writer.state() == QProcess::Running) {
        writer.waitForReadyRead(int(std::max<qint64>(1, delayMs - clock.elapsed())));
        output += writer.readAllStandardOutput();
    }
    const bool stillRunning = writer.state() == QProcess::Running;
    writer.kill(); // SIGKILL
    writer.waitForFinished(30000);
    output += writer.readAllStandardOutput();
    round.killed = stillRunning && writer.exitStatus() == QProcess::CrashExit;
    if (!round.killed)
        round.failure = QStringLiteral("the writer ended by itself (%1): %2")
                            .arg(writer.exitCode())
                            .arg(QString::fromLocal8Bit(writer.readAllStandardError()));
    // Only whole lines count: the kill may cut the last one.
    const QList<QByteArray> lines = output.left(output.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith("stored "))
            round.lastStored = line.mid(7).toLongLong();
    return round;
}

// A journal SQLite will roll back: one whose header is still valid. A committed one is left
// with its header zeroed, as the file is held in exclusive mode.
bool isHot(const QString& journal)
{
    QFile file(journal);
    return file.open(QIODevice::ReadOnly) && file.read(8) == QByteArray::fromHex("d9d505f920a163d7");
}

// Starts the writer, lets it write, puts the backup in place of finance.mdb as a restore or a
// sync tool would, and kills the writer a while after that. The writer must take no change
// after the swap; what it was writing must not reach the backup.
QString swapUnderTheWriter(const QString& folder, qint64 first, int beforeMs, int afterMs)
{
    QProcess writer;
    writer.setWorkingDirectory(folder);
    writer.start(QStringLiteral(LEDGER_WRITER), {QStringLiteral("write"), QString::number(first)});
    if (!writer.waitForStarted(30000))
        return QStringLiteral("the writer did not start: ") + writer.errorString();
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains("stored ") && writer.state() == QProcess::Running && clock.elapsed() < 60000) {
        writer.waitForReadyRead(1000);
        output += writer.readAllStandardOutput();
    }
    if (!output.contains("stored "))
        return QStringLiteral("the writer never stored a unit: ") +
               QString::fromLocal8Bit(writer.readAllStandardError());
    auto wait = [&](int ms) {
        clock.restart();
        while (clock.elapsed() < ms && writer.state() == QProcess::Running) {
            writer.waitForReadyRead(int(std::max<qint64>(1, ms - clock.elapsed())));
            output += writer.readAllStandardOutput();
        }
    };
    wait(beforeMs);
    const QDir dir(folder);
    QFile::remove(dir.filePath(QStringLiteral("restoring.mdb")));
    if (!QFile::copy(dir.filePath(QStringLiteral("backup.mdb")),
                     dir.filePath(QStringLiteral("restoring.mdb"))) ||
        std::rename(qPrintable(dir.filePath(QStringLiteral("restoring.mdb"))),
                    qPrintable(dir.filePath(QStringLiteral("finance.mdb")))) != 0)
        return QStringLiteral("the backup could not be put in place");
    wait(afterMs);
    writer.kill();
    writer.waitForFinished(30000);
    const QString refusal = QString::fromLocal8Bit(writer.readAllStandardError());
    if (writer.exitStatus() == QProcess::NormalExit && !refusal.contains(QStringLiteral("換成了另一個檔案")))
        return QStringLiteral("the writer ended with something else: ") + refusal;
    return {};
}

} // namespace

class TestInterruptedWrites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterLeavesWholeUnits()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        const QString journal = dir.file(QStringLiteral("finance.mdb-journal"));

        quint32 seed = QRandomGenerator::global()->generate();
        if (qEnvironmentVariableIsSet("VELLORAN_KILL_SEED"))
            seed = qEnvironmentVariableIntValue("VELLORAN_KILL_SEED");
        qInfo("random delays from seed %u (set VELLORAN_KILL_SEED to repeat them)", seed);
        QRandomGenerator random(seed);

        qint64 next = 1;   // the unit the next writer starts with
        int cutInHalf = 0; // kills that left a journal to roll back
        for (int round = 1; round <= kills; ++round) {
            const int delay = random.bounded(50, 401);
            const Round result = runAndKill(dir.path(), next, delay);
            QVERIFY2(result.failure.isEmpty(),
                     qPrintable(QStringLiteral("round %1: %2").arg(round).arg(result.failure)));
            if (isHot(journal))
                ++cutInHalf;

            // Every other round, a wrong password first: it must be refused and must not harm
            // the half-written file.
            if (round % 2 == 0) {
                try {
                    testing::connect(QStringLiteral("wrong"));
                    QFAIL("a wrong password opened the file");
                } catch (const engine::EngineError& error) {
                    QCOMPARE(error.kind(), engine::EngineError::Kind::WrongPassword);
                }
            }

            std::unique_ptr<engine::Connection> connection;
            try {
                connection = testing::connect();
            } catch (const engine::EngineError& error) {
                QFAIL(qPrintable(QStringLiteral("round %1: the file no longer opens: %2")
                                     .arg(round)
                                     .arg(error.message())));
            }
            const QString integrity = reliability::integrityOf(connection->handle());
            QVERIFY2(integrity == QLatin1String("ok"),
                     qPrintable(QStringLiteral("round %1 (%2 ms): %3").arg(round).arg(delay).arg(integrity)));

            const Found found = readEntries(*connection);
            QVERIFY2(found.strays.isEmpty(), qPrintable(found.strays.join(u'\n')));
            qint64 expected = 1;
            for (const auto& [unit, rows] : found.units) {
                // Units are stored one after the other: a gap is a stored unit lost.
                QVERIFY2(unit == expected,
                         qPrintable(QStringLiteral("round %1: unit %2 missing, unit %3 present")
                                        .arg(round)
                                        .arg(expected)
                                        .arg(unit)));
                QVERIFY2(rows == expectedRows(unit),
                         qPrintable(QStringLiteral("round %1, unit %2 is not whole:\n%3\nexpected:\n%4")
                                        .arg(round)
                                        .arg(unit)
                                        .arg(rows.join(u'\n'), expectedRows(unit).join(u'\n'))));
                ++expected;
            }
            const qint64 last = expected - 1;
            // What the writer reported stored is there; at most the unit it was reporting when
            // it was killed is there without a report.
            QVERIFY2(last >= result.lastStored,
                     qPrintable(QStringLiteral("round %1: unit %2 was reported stored, the file ends at %3")
                                    .arg(round)
                                    .arg(result.lastStored)
                                    .arg(last)));
            QVERIFY2(last <= std::max(result.lastStored, next - 1) + 1,
                     qPrintable(QStringLiteral("round %1: the file holds unit %2, the writer reported %3")
                                    .arg(round)
                                    .arg(last)
                                    .arg(result.lastStored)));
            next = last + 1;
        }
        qInfo("%lld units stored over %d kills; %d kills fell inside a transaction", next - 1, kills,
              cutInHalf);
        QVERIFY2(next > 1, "the writer never stored a unit: the kills tested nothing");

        // The program itself starts on what is left, and its balances are the entries' sums.
        Found found;
        {
            auto connection = testing::connect();
            found = readEntries(*connection);
        }
        testing::StartedForm started;
        QCOMPARE(started.dialogs().errors(), QStringList());
        QCOMPARE(started.form().startupStepsRun(), TForm1::StartupStep::DayCacheReset);
        QCOMPARE(testing::rowsOf(*started.form().Connection,
                                 QStringLiteral("select 帳戶名稱,餘額 from account_type order by 編號")),
                 QStringLiteral("現金|%1;銀行|%2").arg(-found.spent).arg(found.saved));
    }

    void killedWriterAfterTheFileIsReplaced()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        {
            auto connection = testing::connect();
            testing::execAll(*connection,
                             {QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values "
                                             "(#2011/12/31#, '薪資', 'backup', '銀行', 1)")});
        }
        QVERIFY(QFile::copy(dir.file(QStringLiteral("finance.mdb")), dir.file(QStringLiteral("backup.mdb"))));
        QRandomGenerator random(QRandomGenerator::global()->generate());
        for (int round = 1; round <= 10; ++round) {
            const int before = random.bounded(0, 120), after = random.bounded(20, 200);
            const QString failure = swapUnderTheWriter(dir.path(), 1, before, after);
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(failure)));
            auto connection = testing::connect();
            const QString integrity = reliability::integrityOf(connection->handle());
            QVERIFY2(integrity == QLatin1String("ok"),
                     qPrintable(QStringLiteral("round %1 (%2 ms, %3 ms): %4")
                                    .arg(round)
                                    .arg(before)
                                    .arg(after)
                                    .arg(integrity)));
            const Found found = readEntries(*connection);
            QVERIFY2(
                found.units.empty(),
                qPrintable(QStringLiteral("round %1: units of the old file reached the new one").arg(round)));
            QCOMPARE(found.strays, QStringList{QStringLiteral("save|2011/12/31|薪資|backup|銀行|1")});
        }
    }
};

QTEST_MAIN(TestInterruptedWrites)
#include "test_interrupted_writes.moc"
