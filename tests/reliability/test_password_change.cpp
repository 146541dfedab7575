// A password change is whole or absent: whatever stops it (a full disk, a damaged page, the
// process killed at any moment), the file opens with exactly one of the two passwords, SQLite
// finds it sound, and it holds every row it held, under the same rowids.
#include "EngineSupport.h"
#include "ReliabilitySupport.h"
#include "SmallDisk.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "store/Texts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <optional>
#include <sqlite3.h>

namespace {

const QString oldPassword = QStringLiteral("1234");
const QString newPassword = QStringLiteral("新 pw!");

// A ledger of `entries` expenses and as many incomes, with rows deleted here and there (a
// serial counter ahead of the last row, rowids with gaps in a table without a serial) and a
// user version: what a copy could lose.
void fillLedger(const QString& path, int entries)
{
    auto connection = engine::Connection::openFile(path, oldPassword);
    const QString rows = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO %2 (日期, 類型, 摘要, 帳戶, 金額) SELECT date('2016-01-01', '+' || (i % 3650) || ' "
        "days'), "
        "'食物', '第 ' || i || ' 筆', CASE WHEN i % 2 THEN '現金' ELSE '銀行' END, (i % 997) + (i % 3) / 4.0 "
        "FROM n");
    const QStringList statements = {
        rows.arg(entries).arg(QLatin1String("spend")),
        rows.arg(entries).arg(QLatin1String("save")),
        QStringLiteral("DELETE FROM spend WHERE 流水號 % 97 = 0 OR 流水號 = (SELECT max(流水號) FROM spend)"),
        QStringLiteral("CREATE TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)"),
        QStringLiteral("INSERT INTO sub_spend_type VALUES (999, '食物', '早餐'), (999, '食物', '午餐'), "
                       "(999, '食物', '晚餐')"),
        QStringLiteral("DELETE FROM sub_spend_type WHERE 子類型 = '早餐'"),
        QStringLiteral("PRAGMA user_version = 3"),
    };
    for (const QString& statement : statements) {
        const QByteArray sql = statement.toUtf8();
        QVERIFY2(sqlite3_exec(connection->handle(), sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK,
                 sqlite3_errmsg(connection->handle()));
    }
}

// What the file holds, read with SQLite directly: soundness, every table's rows with their
// rowids, the serial counters, the user version. Nothing when the password does not open it.
std::optional<QString> contentsOf(const QString& path, const QString& password)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return std::nullopt;
    }
    const QByteArray key = password.toUtf8();
    sqlite3_key(db, key.constData(), int(key.size()));
    QStringList parts;
    bool opened = true;
    for (const char* sql :
         {"PRAGMA integrity_check", "PRAGMA user_version",
          "SELECT group_concat(name || '=' || seq) FROM sqlite_sequence",
          "SELECT count(*) || ' ' || total(rowid) || ' ' || total(金額) || ' ' || max(摘要) FROM spend",
          "SELECT count(*) || ' ' || total(rowid) || ' ' || total(金額) || ' ' || max(摘要) FROM save",
          "SELECT group_concat(rowid || ':' || 子類型) FROM sub_spend_type",
          "SELECT group_concat(rowid || ':' || 帳戶名稱) FROM account_type",
          "SELECT count(*) FROM sqlite_master WHERE type = 'index'"}) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            opened = false;
            break;
        }
        QStringList values;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        parts << values.join(u',');
    }
    sqlite3_close(db);
    if (!opened)
        return std::nullopt;
    return parts.join(u'\n');
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".finance.mdb.rekey-*")}, QDir::Files | QDir::Hidden);
}

// The change through the engine, as the password page sends it; the error's message, or empty.
QString changePassword(engine::Connection& connection)
{
    try {
        connection.execute(store::passwordChangeStatement(newPassword, oldPassword));
    } catch (const engine::EngineError& error) {
        return error.message();
    }
    return QString();
}

struct Ledger
{
    QTemporaryDir dir;
    QByteArray bytes; // finance.mdb as made
    QString contents; // what it holds
};

// A ledger of 100 000 entries a side, made once for the tests that need one that large.
const Ledger& largeLedger()
{
    static Ledger ledger = [] {
        Ledger made;
        const QString path = made.dir.filePath(QStringLiteral("finance.mdb"));
        reliability::writeStarterCopy(path, false);
        fillLedger(path, 100000);
        made.contents = contentsOf(path, oldPassword).value_or(QString());
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        made.bytes = file.readAll();
        return made;
    }();
    return ledger;
}

void placeLedger(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

class TestPasswordChange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The new file keeps everything: the rows under their rowids, the serial counters, the
    // indexes, the user version, the file's mode; a grid opened before reads on; the connection
    // goes on with the new file; only the new password opens it.
    void keepsEverything()
    {
        testing::TempWorkdir dir;
        reliability::writeStarterCopy(dir.file(QStringLiteral("finance.mdb")), false);
        fillLedger(dir.file(QStringLiteral("finance.mdb")), 3000);
        QFile::setPermissions(dir.file(QStringLiteral("finance.mdb")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QString before =
            contentsOf(dir.file(QStringLiteral("finance.mdb")), oldPassword).value_or(QString());
        QVERIFY(before.startsWith(QLatin1String("ok\n3\n")));

        auto connection = engine::Connection::openFile(QStringLiteral("finance.mdb"), oldPassword);
        engine::Query grid;
        grid.setConnection(connection.get());
        grid.setSql(QStringLiteral("select * from spend order by 日期 desc"));
        grid.open();
        const QStringList shown = testing::everyRow(grid);
        QCOMPARE(changePassword(*connection), QString());
        QCOMPARE(testing::everyRow(grid), shown);
        QVERIFY(leftovers(dir.path()).isEmpty());

        // The next serial follows the old counter, not the last row left.
        const QString next = testing::rowsOf(
            *connection, QStringLiteral("select seq from sqlite_sequence where name = 'spend'"));
        connection->execute(QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                           "(#2020/01/01#, '食物', 'after', '現金', 5)"));
        QCOMPARE(
            testing::rowsOf(*connection, QStringLiteral("select 流水號 from spend where 摘要 = 'after'")),
            QString::number(next.toLongLong() + 1));
        connection->execute(QStringLiteral("delete from spend where 摘要 = 'after'"));
        connection.reset();

        QCOMPARE(contentsOf(dir.file(QStringLiteral("finance.mdb")), oldPassword), std::nullopt);
        const QString after =
            contentsOf(dir.file(QStringLiteral("finance.mdb")), newPassword).value_or(QString());
        QCOMPARE(after, QString(before).replace(QRegularExpression(QStringLiteral("spend=\\d+")),
                                                QStringLiteral("spend=%1").arg(next.toLongLong() + 1)));
        QCOMPARE(QFile::permissions(dir.file(QStringLiteral("finance.mdb"))),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                     QFileDevice::WriteUser);
    }

    // A disk with room for less than a second copy (one takes about nine tenths of the file): the
    // change is refused with one message, the file and its password stay as they were, and the
    // connection works on.
    void fullDisk_data()
    {
        QTest::addColumn<double>("room"); // free space after the file, as a part of its size
        for (double room : {0.0, 0.01, 0.05, 0.1, 0.2, 0.3, 0.45, 0.6, 0.7, 0.8})
            QTest::newRow(qPrintable(QString::number(room))) << room;
    }
    void fullDisk()
    {
        QFETCH(double, room);
        const Ledger& ledger = largeLedger();
        QVERIFY(ledger.contents.startsWith(QLatin1String("ok\n")));
        testing::SmallDisk disk(ledger.bytes.size() * 2 + (1 << 20));
        if (!disk.ready())
            QSKIP(qPrintable(disk.why()));
        const QString path = disk.file(QStringLiteral("finance.mdb"));
        placeLedger(path, ledger.bytes);
        QVERIFY(disk.fillUpTo(qint64(double(ledger.bytes.size()) * room)));
        {
            auto connection = engine::Connection::openFile(path, oldPassword);
            const QString message = changePassword(*connection);
            QVERIFY2(message.startsWith(QStringLiteral("無法變更資料庫密碼,資料庫檔和密碼都沒有變動")),
                     qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("磁碟空間不足")), qPrintable(message));
            QVERIFY(leftovers(disk.path()).isEmpty());
            QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select count(*) from account_type")),
                     QStringLiteral("2"));
        }
        QCOMPARE(contentsOf(path, newPassword), std::nullopt);
        QCOMPARE(contentsOf(path, oldPassword), std::optional<QString>(ledger.contents));
    }

    // A page the file cannot read: the change says so and the file's bytes stay as they were.
    void damagedPage()
    {
        testing::TempWorkdir dir;
        const QString path = dir.file(QStringLiteral("finance.mdb"));
        reliability::writeStarterCopy(path, false);
        fillLedger(path, 3000);
        QByteArray bytes = testing::fileBytes(path);
        const int page = 1024;
        for (int i = 0; i < 16; ++i)
            bytes[bytes.size() / page / 2 * page + 100 + i] =
                char(bytes[bytes.size() / page / 2 * page + 100 + i] ^ 0x5a);
        testing::writeFileBytes(path, bytes);
        auto connection = engine::Connection::openFile(QStringLiteral("finance.mdb"), oldPassword);
        const QString message = changePassword(*connection);
        QVERIFY2(message.startsWith(QStringLiteral("無法變更資料庫密碼")), qPrintable(message));
        connection.reset();
        QCOMPARE(testing::fileBytes(path), bytes);
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    // The process killed at 30 moments of the change of a 100 000-entry file: each time the file
    // opens with exactly one of the two passwords and holds everything it held.
    void killedAtManyMoments()
    {
        const Ledger& ledger = largeLedger();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("finance.mdb"));
        auto run = [&](int killAfterMs, bool& killed) {
            placeLedger(path, ledger.bytes);
            QProcess writer;
            writer.setWorkingDirectory(dir.path());
            writer.start(QStringLiteral(LEDGER_WRITER), {QStringLiteral("rekey"), newPassword});
            QElapsedTimer clock;
            clock.start();
            QByteArray output;
            while (!output.contains("rekeying\n") && clock.elapsed() < 60000 &&
                   writer.state() != QProcess::NotRunning) {
                writer.waitForReadyRead(100);
                output += writer.readAllStandardOutput();
            }
            clock.restart();
            if (killAfterMs >= 0) {
                while (clock.elapsed() < killAfterMs && writer.state() == QProcess::Running)
                    writer.waitForFinished(int(qMax<qint64>(1, killAfterMs - clock.elapsed())));
                killed = writer.state() == QProcess::Running;
                writer.kill();
            }
            writer.waitForFinished(120000);
            return clock.elapsed();
        };
        bool killed = false;
        const qint64 whole = run(-1, killed);
        QCOMPARE(contentsOf(path, newPassword), std::optional<QString>(ledger.contents));
        int cut = 0, before = 0, after = 0;
        for (int moment = 0; moment < 30; ++moment) {
            run(int(double(whole) * 0.9 * (moment + 0.5) / 30), killed);
            cut += killed ? 1 : 0;
            const auto withOld = contentsOf(path, oldPassword);
            const auto withNew = contentsOf(path, newPassword);
            QVERIFY2(withOld.has_value() != withNew.has_value(), qPrintable(QString::number(moment)));
            QCOMPARE(withOld.value_or(withNew.value_or(QString())), ledger.contents);
            (withOld ? before : after) += 1;
            // What the cut left beside the file goes with the next open.
            engine::Connection::openFile(path, withOld ? oldPassword : newPassword).reset();
            QVERIFY(leftovers(dir.path()).isEmpty());
        }
        qInfo("change of %lld ms, killed %d times: %d left the old password, %d the new", whole, cut, before,
              after);
        QVERIFY(cut >= 20);
    }
};

QTEST_MAIN(TestPasswordChange)
#include "test_password_change.moc"
