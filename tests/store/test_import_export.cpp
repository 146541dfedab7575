// Bringing a finance.mdb of the Windows release across (the first start on the Jet file, the
// tool, a killed import, the figures beside what mdb-export reads), the backups kept at each
// close, and the export to CSV.
#include "LedgerFixture.h"
#include "SmallDisk.h"
#include "engine/JetFile.h"
#include "engine/Query.h"
#include "store/Backup.h"
#include "store/CsvExport.h"
#include "ui/Chart.h"
#include "ui/ImageButton.h"
#include "ui/LargeLabel.h"
#include "ui/MonthCalendar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTabWidget>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace testing;

namespace {

const QString fixture = QStringLiteral(LEGACY_FIXTURE);
const QStringList jetTables = {QStringLiteral("spend"),        QStringLiteral("save"),
                               QStringLiteral("spend_type"),   QStringLiteral("save_type"),
                               QStringLiteral("account_type"), QStringLiteral("weight")};

// RFC 4180 records, as mdb-export and our export write them.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += u'"', ++i;
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field, field.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            fields << field, field.clear();
            records << fields, fields.clear();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty())
        records << (fields << field);
    return records;
}

// The rows of a table as the stock mdb-export reads them, without the header.
QList<QStringList> exported(const QString& path, const QString& table)
{
    QProcess tool;
    tool.start(QStringLiteral("mdb-export"),
               {QStringLiteral("-T"), QStringLiteral("%Y/%m/%d %H:%M:%S"), path, table});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return {};
    return parseCsv(QString::fromUtf8(tool.readAllStandardOutput())).mid(1);
}

// mdb-export writes every date with its time; ours keeps the time only where there is one.
QString withoutMidnight(const QString& date)
{
    return date.endsWith(QLatin1String(" 00:00:00")) ? date.chopped(9) : date;
}

bool sameField(const QString& jet, const QString& ours)
{
    if (withoutMidnight(jet) == ours)
        return true;
    bool a = false, b = false;
    const double x = jet.toDouble(&a), y = ours.toDouble(&b);
    return a && b && x == y;
}

// Sets the Jet 4 database password in a copy of the fixture's header: the same masks the
// reader undoes, applied the other way.
QByteArray withJetPassword(QByteArray file, const QString& password)
{
    quint8 key[4];
    qToLittleEndian(quint32(0x6b39dac7), key);
    quint8 state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % 4]) & 0xff;
        std::swap(state[i], state[j]);
    }
    quint8 stream[128];
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xff;
        j = (j + state[i]) & 0xff;
        std::swap(state[i], state[j]);
        stream[n] = state[(state[i] + state[j]) & 0xff];
    }
    for (int i = 0; i < 128; ++i)
        file[0x18 + i] = char(quint8(file[0x18 + i]) ^ stream[i]);
    double created = 0;
    std::memcpy(&created, file.constData() + 0x72, 8);
    quint8 mask[4];
    qToLittleEndian(qint32(created), mask);
    for (int i = 0; i < 40; ++i) {
        const char16_t unit = i / 2 < password.size() ? password[i / 2].unicode() : 0;
        const quint8 byte = i % 2 ? quint8(unit >> 8) : quint8(unit & 0xff);
        file[0x42 + i] = char(byte ^ mask[i % 4]);
    }
    for (int i = 0; i < 128; ++i)
        file[0x18 + i] = char(quint8(file[0x18 + i]) ^ stream[i]);
    return file;
}

struct ToolRun
{
    int exitCode = -1;
    QString out, err;
};

ToolRun runTool(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess tool;
    tool.start(program, arguments);
    tool.write(input);
    tool.closeWriteChannel();
    ToolRun run;
    if (tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit)
        run.exitCode = tool.exitCode();
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

// The bytes of every file the folder shows.
std::map<QString, QByteArray> contentsOf(const QString& folder)
{
    std::map<QString, QByteArray> contents;
    for (const QString& name : filesIn(folder))
        contents[name] = fileBytes(QDir(folder).filePath(name));
    return contents;
}

mode_t modeOf(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

} // namespace

class TestImportExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerPassword_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("the fixture's") << QString() << QStringLiteral("1234") << true;
        QTest::newRow("case counts") << QStringLiteral("Secret") << QStringLiteral("secret") << false;
        QTest::newRow("Han") << QStringLiteral("我的帳本") << QStringLiteral("我的帳本") << true;
        QTest::newRow("twenty characters")
            << QStringLiteral("abcdefghijklmnopqrst") << QStringLiteral("abcdefghijklmnopqrst") << true;
        QTest::newRow("a prefix is not it") << QStringLiteral("12345") << QStringLiteral("1234") << false;
        QTest::newRow("none takes any") << QStringLiteral("") << QStringLiteral("whatever") << true;
    }
    void headerPassword()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        TempWorkdir dir;
        QByteArray file = fileBytes(fixture);
        if (!stored.isNull())
            file = withJetPassword(file, stored);
        writeFileBytes(dir.file(QStringLiteral("finance.mdb")), file);
        const auto header = engine::readJetHeader(dir.file(QStringLiteral("finance.mdb")));
        QVERIFY(header);
        QVERIFY(header->jet4);
        QCOMPARE(header->password, stored.isNull() ? QStringLiteral("1234") : stored);
        QCOMPARE(engine::jetPasswordMatches(*header, typed), opens);
        QVERIFY(!engine::isJetFile(fixture + QStringLiteral(".missing")));
    }

    // The first start on the Windows release's file: every row, the upgrade, and the figures
    // of the balances, a chart and the calendar as mdb-export's rows give them.
    void firstStartBringsEveryRowAcross()
    {
        platform::setClock([] { return QDateTime(QDate(2012, 3, 15), QTime(10, 0)); });
        TempWorkdir dir;
        QVERIFY(QFile::copy(fixture, dir.file(QStringLiteral("finance.mdb"))));
        StartedForm started({password});
        TForm1& form = started.form();
        engine::Connection& connection = *form.Connection;

        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.jet.mdb"))), fileBytes(fixture));
        QVERIFY(!engine::isJetFile(dir.file(QStringLiteral("finance.mdb"))));

        for (const QString& table : jetTables) {
            const QList<QStringList> jetRows = exported(fixture, table);
            QVERIFY2(!jetRows.isEmpty(), qPrintable(table));
            const QString order =
                table.endsWith(QLatin1String("_type")) ? QStringLiteral("編號") : QStringLiteral("流水號");
            engine::Query query;
            query.setConnection(&connection);
            query.setSql(QStringLiteral("select * from %1 order by %2").arg(table, order));
            query.open();
            QCOMPARE(query.recordCount(), jetRows.size());
            int row = 0;
            for (query.first(); !query.eof(); query.next(), ++row)
                for (int i = 0; i < jetRows[row].size(); ++i)
                    QVERIFY2(sameField(jetRows[row][i], query.field(i).asString()),
                             qPrintable(QStringLiteral("%1 row %2 field %3: %4 / %5")
                                            .arg(table)
                                            .arg(row)
                                            .arg(i)
                                            .arg(jetRows[row][i], query.field(i).asString())));
        }
        // Brought up to date by the upgrade, as an older file of ours.
        QCOMPARE(columnsOf(connection, QStringLiteral("select * from weight")),
                 QStringLiteral("流水號,日期,體重,BMI,腰圍,臀圍,WHR"));
        QCOMPARE(columnsOf(connection, QStringLiteral("select * from sub_spend_type")),
                 QStringLiteral("排序,類型,子類型"));

        // The balances: income minus expense per account.
        std::map<QString, double> balance;
        std::map<int, double> spendPerMonth2010;
        std::map<int, double> netPerDayJanuary2010;
        for (const QStringList& r : exported(fixture, QStringLiteral("save"))) {
            balance[r[4]] += r[5].toDouble();
            if (r[1].startsWith(QLatin1String("2010/01/")))
                netPerDayJanuary2010[r[1].mid(8, 2).toInt()] += r[5].toDouble();
        }
        for (const QStringList& r : exported(fixture, QStringLiteral("spend"))) {
            balance[r[4]] -= r[5].toDouble();
            if (r[1].startsWith(QLatin1String("2010/")))
                spendPerMonth2010[r[1].mid(5, 2).toInt()] += r[5].toDouble();
            if (r[1].startsWith(QLatin1String("2010/01/")))
                netPerDayJanuary2010[r[1].mid(8, 2).toInt()] -= r[5].toDouble();
        }
        QStringList balances;
        double total = 0;
        for (const auto& [account, amount] : balance) {
            balances << account + u'|' + QString::number(amount, 'g', 15);
            total += amount;
        }
        QStringList stored =
            rowsOf(connection, QStringLiteral("select 帳戶名稱, 餘額 from account_type")).split(u';');
        stored.sort();
        balances.sort();
        QCOMPARE(stored, balances);
        QCOMPARE(form.Label_OverView->text(),
                 QStringLiteral("結餘 : %1").arg(QString::number(total, 'g', 15)));

        // The monthly expense chart of 2010.
        started.dialogs().answerInput(QStringLiteral("2010"));
        QTest::mouseClick(form.btnAnalySpendMonth, Qt::LeftButton);
        QStringList points;
        for (const ui::ChartPoint& point : form.Series1->points())
            points << point.label + u'=' + QString::number(point.value, 'g', 15);
        QStringList expected;
        for (const auto& [month, amount] : spendPerMonth2010)
            expected << QStringLiteral("%1月=%2").arg(month).arg(QString::number(amount, 'g', 15));
        QCOMPARE(points, expected);

        // January 2010 in the calendar.
        form.TabPagerMain->setCurrentWidget(form.TabPageCalender);
        form.Calendar->setCurrentPage(2010, 1);
        form.Calendar->requestStatuses();
        form.Calendar->requestStatuses();
        for (int day = 1; day <= 31; ++day)
            QVERIFY2(form.DayNet[size_t(day)] == std::lround(netPerDayJanuary2010[day]),
                     qPrintable(QString::number(day)));

        // New rows are numbered after the largest serial the Jet file held.
        connection.execute(QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                          "(#2012/03/15#, '食物', 'x', '現金', 1)"));
        QCOMPARE(rowsOf(connection, QStringLiteral("select max(流水號) from spend")), QStringLiteral("309"));
        started.close();
        platform::setClock({});
        // Nothing half-written beside them; the close made the first backup.
        QCOMPARE(filesIn(dir.path()).filter(QStringLiteral("mdb")),
                 QStringList({QStringLiteral("finance.jet.mdb"), QStringLiteral("finance.mdb")}));
        QCOMPARE(filesIn(dir.file(QStringLiteral("backups"))),
                 QStringList{QStringLiteral("finance-20120315-100000.mdb")});
    }

    // A wrong password, and a file libmdb cannot read whole: one box each, and the Jet file
    // stays as it was with nothing beside it.
    void refusedFileStaysUntouched_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const QByteArray jet = fileBytes(fixture);
        QTest::newRow("wrong password") << jet << QStringLiteral("12345") << QStringLiteral("資料庫密碼錯誤");
        QTest::newRow("cut short") << jet.left(120000) << QStringLiteral("1234")
                                   << QStringLiteral("無法讀取 Windows 版的資料庫檔");
        QByteArray scrambled = jet;
        for (qsizetype i = 4096; i < 3 * 4096; ++i)
            scrambled[i] = char(i * 7);
        QTest::newRow("catalog scrambled")
            << scrambled << QStringLiteral("1234") << QStringLiteral("無法讀取 Windows 版的資料庫檔");
    }
    void refusedFileStaysUntouched()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TempWorkdir dir;
        writeFileBytes(dir.file(QStringLiteral("finance.mdb")), file);
        {
            StartedForm started({typed}, ErrorBoxes::Expected);
            const QStringList errors = started.dialogs().errors();
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.front().contains(message), qPrintable(errors.front()));
            started.close();
        }
        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.mdb"))), file);
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("finance.mdb")});
    }

    // The kept name is never overwritten.
    void keptNameGetsANumber()
    {
        TempWorkdir dir;
        QVERIFY(QFile::copy(fixture, dir.file(QStringLiteral("finance.mdb"))));
        writeFileBytes(dir.file(QStringLiteral("finance.jet.mdb")), "an older copy");
        StartedForm started({password});
        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.jet.mdb"))), QByteArray("an older copy"));
        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.jet-2.mdb"))), fileBytes(fixture));
        QCOMPARE(rowsOf(*started.form().Connection, QStringLiteral("select count(*) from spend")),
                 QStringLiteral("308"));
        started.close();
    }

    void importTool()
    {
        TempWorkdir dir;
        const QString tool = QStringLiteral(IMPORT_TOOL);
        ToolRun run = runTool(tool, {fixture, QStringLiteral("new.mdb")}, "wrong\n");
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("資料庫密碼錯誤")), qPrintable(run.err));
        QCOMPARE(filesIn(dir.path()), QStringList());

        run = runTool(tool, {fixture, QStringLiteral("new.mdb")}, "1234\r\n");
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QStringLiteral("spend\t308 筆")), qPrintable(run.out));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("new.mdb")});
        QCOMPARE(QFileInfo(dir.file(QStringLiteral("new.mdb"))).permissions() & 0x0077, 0);
        const auto connection = engine::Connection::openFile(dir.file(QStringLiteral("new.mdb")), password);
        QCOMPARE(rowsOf(*connection, QStringLiteral("select count(*) from weight")), QStringLiteral("30"));
        connection->close();

        run = runTool(tool, {fixture, QStringLiteral("new.mdb")}, "1234\n");
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("已經存在")), qPrintable(run.err));
        QCOMPARE(runTool(tool, {fixture}, "1234\n").exitCode, 2);
        QCOMPARE(runTool(tool, {fixture, QStringLiteral("other.mdb")}, "").exitCode, 2);
    }

    // Killed at any moment, the first start's import leaves finance.mdb either the untouched
    // Jet file or the whole new one; the next run clears what the killed one left.
    void killedImportLosesNothing()
    {
        TempWorkdir dir;
        const QByteArray jet = fileBytes(fixture);
        // A whole run first, to spread the kills over its length (mostly flushes to the disk).
        writeFileBytes(dir.file(QStringLiteral("finance.mdb")), jet);
        QElapsedTimer clock;
        clock.start();
        QProcess whole;
        whole.start(QStringLiteral(IMPORT_PROBE), {password});
        QVERIFY(whole.waitForFinished(60000));
        QCOMPARE(whole.exitCode(), 0);
        const qint64 length = clock.elapsed();
        int seenJet = 0, seenNew = 0;
        for (int step = 0; step <= 10; ++step) {
            const qint64 delay = length * step / 10;
            for (const QString& name : filesIn(dir.path()))
                QFile::remove(dir.file(name));
            writeFileBytes(dir.file(QStringLiteral("finance.mdb")), jet);
            QProcess probe;
            probe.start(QStringLiteral(IMPORT_PROBE), {password});
            QVERIFY(probe.waitForStarted());
            QThread::msleep(delay);
            probe.kill();
            probe.waitForFinished();
            const QString path = dir.file(QStringLiteral("finance.mdb"));
            if (fileBytes(path) == jet) {
                ++seenJet;
            } else {
                ++seenNew;
                const auto connection = engine::Connection::openFile(path, password);
                QCOMPARE(rowsOf(*connection, QStringLiteral("select count(*) from spend")),
                         QStringLiteral("308"));
                connection->close();
                QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.jet.mdb"))), jet);
            }
            if (fileBytes(path) == jet) {
                QProcess again;
                again.start(QStringLiteral(IMPORT_PROBE), {password});
                QVERIFY(again.waitForFinished(60000));
                QCOMPARE(again.exitCode(), 0);
                for (const QString& name : filesIn(dir.path()))
                    QVERIFY2(!name.startsWith(u'.'), qPrintable(name));
            }
        }
        qInfo("over %lld ms: killed with the Jet file in place %d times, after the swap %d times", length,
              seenJet, seenNew);
    }
    // Each close keeps a copy; the newest ten stay, a file unchanged since the newest copy is
    // not copied again, and two closes in one second both keep theirs.
    void backupsRotate()
    {
        TempWorkdir dir;
        const QString database = dir.file(QStringLiteral("finance.mdb"));
        const QDateTime start(QDate(2026, 12, 1), QTime(9, 0));
        QStringList made;
        for (int i = 0; i < 12; ++i) {
            writeFileBytes(database, QByteArray("ledger ") + QByteArray::number(i));
            made << store::backUpDatabase(database, start.addSecs(i * 61));
        }
        QCOMPARE(QFileInfo(made.back()).fileName(), QStringLiteral("finance-20261201-091111.mdb"));
        const QString folder = dir.file(QStringLiteral("backups"));
        QStringList kept;
        for (const QString& path : made.mid(2))
            kept << QFileInfo(path).fileName();
        QCOMPARE(filesIn(folder), kept);
        QCOMPARE(fileBytes(made.back()), QByteArray("ledger 11"));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, 0);
        QCOMPARE(QFileInfo(made.back()).permissions() & 0x0077, 0);

        QCOMPARE(store::backUpDatabase(database, start.addDays(1)), QString());
        QCOMPARE(filesIn(folder), kept);

        writeFileBytes(database, "ledger 12");
        const QString same = store::backUpDatabase(database, start.addSecs(11 * 61));
        QCOMPARE(QFileInfo(same).fileName(), QStringLiteral("finance-20261201-091111-2.mdb"));
        QStringList newest = kept.mid(1) << QFileInfo(same).fileName();
        QStringList listed = filesIn(folder);
        newest.sort();
        listed.sort();
        QCOMPARE(listed, newest);
        QCOMPARE(fileBytes(database), QByteArray("ledger 12"));
    }

    // The window's close: a whole copy that opens with the password; a copy that cannot be
    // written is told in one box and leaves finance.mdb as it was.
    void closeKeepsABackup()
    {
        TempWorkdir dir;
        writeStarter();
        {
            StartedForm started;
            started.close();
        }
        const QStringList copies = filesIn(dir.file(QStringLiteral("backups")));
        QCOMPARE(copies.size(), 1);
        const auto connection =
            engine::Connection::openFile(dir.file(QStringLiteral("backups/") + copies.front()), password);
        QCOMPARE(rowsOf(*connection, QStringLiteral("select count(*) from spend_type")), QStringLiteral("5"));
        connection->close();

        QVERIFY(QDir(dir.file(QStringLiteral("backups"))).removeRecursively());
        writeFileBytes(dir.file(QStringLiteral("backups")), "in the way");
        const QByteArray before = fileBytes(dir.file(QStringLiteral("finance.mdb")));
        StartedForm started({password}, ErrorBoxes::Expected);
        started.form().Connection->execute(
            QStringLiteral("insert into spend_type (編號, 類型) values (9, '書')"));
        started.close();
        QCOMPARE(started.dialogs().errors().size(), 1);
        QVERIFY2(started.dialogs().errors().front().contains(QStringLiteral("finance.mdb 沒有變動")),
                 qPrintable(started.dialogs().errors().front()));
        QVERIFY(fileBytes(dir.file(QStringLiteral("finance.mdb"))) != before); // the insert, kept
        QCOMPARE(fileBytes(dir.file(QStringLiteral("backups"))), QByteArray("in the way"));
    }

    // A close that can write neither its backup nor setting.ini (one full disk, say) tells both,
    // the backup first; neither failure hides the other.
    void closeTellsEveryFailure()
    {
        TempWorkdir dir;
        writeStarter();
        writeFileBytes(dir.file(QStringLiteral("backups")), "in the way");
        QVERIFY(QDir().mkdir(QStringLiteral("setting.ini")));
        StartedForm started({password}, ErrorBoxes::Expected);
        started.close();
        const QStringList errors = started.dialogs().errors();
        QCOMPARE(errors.size(), 2);
        QVERIFY2(errors.at(0).contains(QStringLiteral("finance.mdb 沒有變動")), qPrintable(errors.at(0)));
        QVERIFY2(errors.at(1).contains(QStringLiteral("setting.ini")), qPrintable(errors.at(1)));
    }

    // The history survives a clock that was once set ahead: the copies are ranked by when they
    // were written, the copy just made is never the one rotated out, and an unchanged close is
    // compared with the copy written last. Each copy holds its own stamp.
    void backupHistory_data()
    {
        QTest::addColumn<QStringList>("copies"); // the stamps in the folder, oldest written first
        QTest::addColumn<QByteArray>("database");
        QTest::addColumn<bool>("copied");
        QTest::addColumn<QStringList>("gone");
        QStringList ahead, real;
        for (int day = 1; day <= 10; ++day) {
            ahead << QStringLiteral("203501%1-120000").arg(day, 2, 10, QLatin1Char('0'));
            real << QStringLiteral("202611%1-120000").arg(day, 2, 10, QLatin1Char('0'));
        }
        QTest::newRow("ten copies dated ahead: the new one stays")
            << ahead << QByteArray("changed") << true << QStringList{ahead[0]};
        QTest::newRow("a copy dated ahead: an unchanged close adds none")
            << (QStringList{ahead[0]} + real.mid(0, 3)) << real[2].toUtf8() << false << QStringList();
        QTest::newRow("a copy dated ahead goes first")
            << (QStringList{ahead[0]} + real.mid(0, 9)) << QByteArray("changed") << true
            << QStringList{ahead[0]};
        QTest::newRow("the oldest written go first")
            << real << QByteArray("changed") << true << QStringList{real[0]};
        QTest::newRow("unchanged since the last of ten")
            << real << real[9].toUtf8() << false << QStringList();
    }
    void backupHistory()
    {
        QFETCH(QStringList, copies);
        QFETCH(QByteArray, database);
        QFETCH(bool, copied);
        QFETCH(QStringList, gone);
        TempWorkdir dir;
        const QString folder = dir.file(QStringLiteral("backups"));
        QVERIFY(QDir().mkdir(folder));
        const auto nameOf = [](const QString& stamp) { return QStringLiteral("finance-%1.mdb").arg(stamp); };
        QStringList expected;
        for (const QString& stamp : copies) {
            writeFileBytes(QDir(folder).filePath(nameOf(stamp)), stamp.toUtf8());
            if (!gone.contains(stamp))
                expected << nameOf(stamp);
        }
        writeFileBytes(dir.file(QStringLiteral("finance.mdb")), database);
        const QString made = store::backUpDatabase(dir.file(QStringLiteral("finance.mdb")),
                                                   QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        if (copied) {
            QCOMPARE(QFileInfo(made).fileName(), nameOf(QStringLiteral("20261201-090000")));
            expected << QFileInfo(made).fileName();
        } else {
            QCOMPARE(made, QString());
        }
        expected.sort();
        QCOMPARE(filesIn(folder), expected);
        if (copied)
            QCOMPARE(fileBytes(made), database);
    }

    // A copy that finds no room says why in words the user reads, and leaves nothing behind.
    void backupOnFullDisk()
    {
        SmallDisk disk(256 * 1024);
        if (!disk.ready())
            QSKIP(qPrintable(disk.why()));
        const QString database = disk.file(QStringLiteral("finance.mdb"));
        const QByteArray ledger(64 * 1024, 'L');
        writeFileBytes(database, ledger);
        QVERIFY(QDir(disk.path()).mkdir(QStringLiteral("backups")));
        QVERIFY(disk.fillUpTo(16 * 1024));
        try {
            store::backUpDatabase(database, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
            QFAIL("copied onto a full disk");
        } catch (const engine::EngineError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("磁碟空間不足")), qPrintable(error.message()));
            QVERIFY2(error.message().contains(disk.file(QStringLiteral("backups"))),
                     qPrintable(error.message()));
        }
        QCOMPARE(fileBytes(database), ledger);
        QCOMPARE(filesIn(disk.file(QStringLiteral("backups"))), QStringList());
    }

    // Quoting, and the cells a spreadsheet would run as formulas: shown as text by an apostrophe
    // inside the field, while numbers stay numbers.
    void csvQuoting_data()
    {
        using store::CsvCell;
        QTest::addColumn<QString>("text");
        QTest::addColumn<CsvCell>("cell");
        QTest::addColumn<QString>("field");
        const std::tuple<const char*, CsvCell, const char*> cases[] = {
            {"plain", CsvCell::Text, "plain"},
            {"午餐", CsvCell::Text, "午餐"},
            {"Mom's", CsvCell::Text, "Mom's"},
            {"a,b", CsvCell::Text, "\"a,b\""},
            {"say \"hi\"", CsvCell::Text, "\"say \"\"hi\"\"\""},
            {"two\nlines", CsvCell::Text, "\"two\nlines\""},
            {"cr\rhere", CsvCell::Text, "\"cr\rhere\""},
            {" blank around ", CsvCell::Text, " blank around "},
            {"", CsvCell::Text, "\"\""},
            {"", CsvCell::Null, ""},
            {"=HYPERLINK(\"http://x\",\"y\")", CsvCell::Text, "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
            {"=cmd|' /C calc'!A0", CsvCell::Text, "\"'=cmd|' /C calc'!A0\""},
            {"+1+1", CsvCell::Text, "\"'+1+1\""},
            {"-2+3", CsvCell::Text, "\"'-2+3\""},
            {"@SUM(A1)", CsvCell::Text, "\"'@SUM(A1)\""},
            {"\t=1", CsvCell::Text, "\"'\t=1\""},
            {"\r=1", CsvCell::Text, "\"'\r=1\""},
            {"a=1", CsvCell::Text, "a=1"},
            {"-5", CsvCell::Number, "-5"},
            {"-3.5", CsvCell::Number, "-3.5"},
            {"1500", CsvCell::Number, "1500"},
            {"-1+cmd|' /C calc'!A0", CsvCell::Number, "\"'-1+cmd|' /C calc'!A0\""},
            {"=1+1", CsvCell::Number, "\"'=1+1\""},
        };
        for (const auto& [text, cell, field] : cases)
            QTest::newRow(cell == CsvCell::Null ? "null"
                                                : QString::fromUtf8(text)
                                                      .toHtmlEscaped()
                                                      .toUtf8()
                                                      .replace('\n', "\\n")
                                                      .replace('\r', "\\r")
                                                      .replace('\t', "\\t")
                                                      .append(cell == CsvCell::Number ? " (number)" : "")
                                                      .constData())
                << QString::fromUtf8(text) << cell << QString::fromUtf8(field);
    }
    void csvQuoting()
    {
        QFETCH(QString, text);
        QFETCH(store::CsvCell, cell);
        QFETCH(QString, field);
        QCOMPARE(store::csvField(text, cell), field);
    }

    // The tool writes every table, and a CSV reader gets back exactly what is stored.
    void exportTool()
    {
        TempWorkdir dir;
        writeStarter({
            QStringLiteral("Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)"),
            QStringLiteral(
                "insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/10 10:30#, '食物', "
                "'Mom''s \"big\", dinner', '現金', 0.30000000000000004)"),
            QStringLiteral(
                "insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/11#, '交通', '', "
                "'銀行', 1500)"),
            QStringLiteral(
                "insert into spend (日期, 類型, 帳戶, 金額) values (#2012/01/12#, '交通', '銀行', null)"),
            QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/13#, '交通', "
                           "'=cmd|'' /C calc''!A0', '銀行', -3.5)"),
        });
        const ToolRun wrong = runTool(QStringLiteral(EXPORT_TOOL), {QStringLiteral("out")}, "4321\n");
        QCOMPARE(wrong.exitCode, 1);
        QVERIFY2(wrong.err.contains(QStringLiteral("密碼錯誤")), qPrintable(wrong.err));
        QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("out"))));

        const ToolRun run = runTool(QStringLiteral(EXPORT_TOOL), {QStringLiteral("out")}, "1234\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(filesIn(dir.file(QStringLiteral("out"))),
                 QStringList({QStringLiteral("account_type.csv"), QStringLiteral("save.csv"),
                              QStringLiteral("save_type.csv"), QStringLiteral("spend.csv"),
                              QStringLiteral("spend_type.csv"), QStringLiteral("sub_spend_type.csv"),
                              QStringLiteral("weight.csv")}));
        const QByteArray bytes = fileBytes(dir.file(QStringLiteral("out/spend.csv")));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("\r\n"));
        const QList<QStringList> records = parseCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(records,
                 (QList<QStringList>{
                     {QStringLiteral("流水號"), QStringLiteral("日期"), QStringLiteral("類型"),
                      QStringLiteral("摘要"), QStringLiteral("帳戶"), QStringLiteral("金額")},
                     {QStringLiteral("1"), QStringLiteral("2012/01/10 10:30:00"), QStringLiteral("食物"),
                      QStringLiteral("Mom's \"big\", dinner"), QStringLiteral("現金"),
                      QStringLiteral("0.30000000000000004")},
                     {QStringLiteral("2"), QStringLiteral("2012/01/11"), QStringLiteral("交通"), QString(),
                      QStringLiteral("銀行"), QStringLiteral("1500")},
                     {QStringLiteral("3"), QStringLiteral("2012/01/12"), QStringLiteral("交通"), QString(),
                      QStringLiteral("銀行"), QString()},
                     {QStringLiteral("4"), QStringLiteral("2012/01/13"), QStringLiteral("交通"),
                      QStringLiteral("'=cmd|' /C calc'!A0"), QStringLiteral("銀行"), QStringLiteral("-3.5")},
                 }));
        // An empty note and a Null one read the same in a spreadsheet, but stay apart in the file.
        QVERIFY(bytes.contains(",\"\",銀行,1500\r\n"));
        QVERIFY(bytes.contains(",交通,,銀行,\r\n"));
        QVERIFY(bytes.contains(",銀行,-3.5\r\n"));
    }

    // Links and modes found in the folder: a link is replaced by a file of the export's own and
    // its target, existing or not, stays as it was; every file written is its owner's alone.
    void exportReplacesLinks()
    {
        TempWorkdir dir;
        writeStarter({QStringLiteral("Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)")});
        const QString out = dir.file(QStringLiteral("out"));
        QVERIFY(QDir().mkdir(out));
        writeFileBytes(dir.file(QStringLiteral("victim.txt")), "not the export's");
        QVERIFY(QFile::link(dir.file(QStringLiteral("victim.txt")), out + QStringLiteral("/spend.csv")));
        QVERIFY(QFile::link(dir.file(QStringLiteral("nowhere.txt")), out + QStringLiteral("/save_type.csv")));
        writeFileBytes(out + QStringLiteral("/save.csv"), "an older export");
        QVERIFY(::chmod(QFile::encodeName(out + QStringLiteral("/save.csv")).constData(), 0644) == 0);

        const ToolRun run = runTool(QStringLiteral(EXPORT_TOOL), {out}, "1234\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(fileBytes(dir.file(QStringLiteral("victim.txt"))), QByteArray("not the export's"));
        QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("nowhere.txt"))));
        QCOMPARE(filesIn(out).size(), 7);
        for (const QString& name : filesIn(out)) {
            const mode_t mode = modeOf(QDir(out).filePath(name));
            QVERIFY2(S_ISREG(mode) && (mode & 07777) == 0600, qPrintable(name));
            QVERIFY2(fileBytes(QDir(out).filePath(name)).startsWith("\xEF\xBB\xBF"), qPrintable(name));
        }
    }

    // An export that runs out of room fails naming the file, and every older export file stays
    // as it was, none of them cut short or emptied: the room runs out in the middle of a long
    // spend.csv, or before even the smallest file is whole.
    void exportOnFullDisk_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<qint64>("room");
        QTest::newRow("a long ledger") << 2000 << qint64(32 * 1024);
        QTest::newRow("no room at all") << 0 << qint64(0);
    }
    void exportOnFullDisk()
    {
        QFETCH(int, entries);
        QFETCH(qint64, room);
        TempWorkdir dir;
        writeStarter({QStringLiteral("Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)")});
        SmallDisk disk(256 * 1024);
        if (!disk.ready())
            QSKIP(qPrintable(disk.why()));
        QCOMPARE(runTool(QStringLiteral(EXPORT_TOOL), {disk.path()}, "1234\n").exitCode, 0);
        const auto before = contentsOf(disk.path());
        QCOMPARE(before.size(), size_t(7));
        {
            const auto connection = testing::connect();
            const QByteArray insert =
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                QByteArray::number(entries) +
                ") INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) "
                "SELECT '2012-01-10', '食物', printf('%.200c', 'x'), '現金', i FROM n WHERE i <= " +
                QByteArray::number(entries);
            QCOMPARE(sqlite3_exec(connection->handle(), insert.constData(), nullptr, nullptr, nullptr),
                     SQLITE_OK);
            connection->close();
        }
        QVERIFY(disk.fillUpTo(room));

        const ToolRun run = runTool(QStringLiteral(EXPORT_TOOL), {disk.path()}, "1234\n");
        QVERIFY2(run.exitCode != 0, qPrintable(run.out));
        QVERIFY2(run.err.contains(disk.file(QStringLiteral("spend.csv"))), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("磁碟空間不足")), qPrintable(run.err));
        auto after = contentsOf(disk.path());
        after.erase(QStringLiteral(".filler"));
        QVERIFY(after == before);
    }
};

QTEST_MAIN(TestImportExport)
#include "test_import_export.moc"
