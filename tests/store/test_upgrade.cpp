#include "TestSupport.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "ui/ScriptedDialogs.h"

#include <QProcess>
#include <QtTest>
#include <sqlite3.h>

namespace {

// Starts the program once on finance.mdb in the working directory and closes it again.
void startOnce()
{
    testing::StartedForm started;
    QVERIFY2(started.dialogs().errors().isEmpty(), qPrintable(started.dialogs().errors().join(u'\n')));
    QVERIFY(started.dialogs().messages().isEmpty());
    started.close();
}

QString indexesOf(engine::Connection& connection, const QString& table)
{
    return testing::rowsOf(connection,
                           QStringLiteral("select name from sqlite_master where type = 'index' and "
                                          "tbl_name = '%1' order by name")
                               .arg(table));
}

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void starterFileOpensWithTheStockShell()
    {
        testing::TempWorkdir dir;
        auto shell = [&dir](const QString& sql) {
            QProcess process;
            process.setWorkingDirectory(dir.path());
            process.start(QStringLiteral("sqlcipher"),
                          {QStringLiteral("-cmd"), QStringLiteral("PRAGMA key='1234';"),
                           QStringLiteral("finance.mdb"), sql});
            process.waitForFinished(30000);
            return QString::fromUtf8(process.readAllStandardOutput()).trimmed().replace(u'\n', u';');
        };
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral(MAKE_STARTER_DB), {});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(QString::fromUtf8(tool.readAllStandardOutput()).contains(QStringLiteral("1234")));
        const QString tables =
            QStringLiteral("select name from sqlite_master where type = 'table' and name not like 'sqlite%' "
                           "order by name;");
        // The ledger's tables, and the texts the search looks words up in.
        QCOMPARE(shell(tables),
                 QStringLiteral("account_type;entry_texts;save;save_type;spend;spend_type;weight"));
        QCOMPARE(shell(QStringLiteral("select 帳戶名稱 from account_type order by 編號;")),
                 QStringLiteral("現金;銀行"));
        // The tool never overwrites a file.
        tool.start(QStringLiteral(MAKE_STARTER_DB), {});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        startOnce();
        QCOMPARE(
            shell(tables),
            QStringLiteral("account_type;entry_texts;save;save_type;spend;spend_type;sub_spend_type;weight"));
    }

    void deliveredFileGainsOnlySubCategories()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        int before;
        QString shapeBefore;
        {
            auto connection = testing::connect();
            before = testing::schemaVersion(*connection);
            shapeBefore = testing::rowsOf(
                *connection, QStringLiteral("select name, sql from sqlite_master order by name"));
        }
        startOnce();
        auto connection = testing::connect();
        QCOMPARE(testing::columnsOf(*connection, QStringLiteral("select * from sub_spend_type")),
                 QStringLiteral("排序,類型,子類型"));
        // Creating that table is the only change; a second start changes nothing.
        QCOMPARE(testing::schemaVersion(*connection), before + 1);
        const QString shapeAfter = testing::rowsOf(
            *connection, QStringLiteral("select name, sql from sqlite_master where name <> 'sub_spend_type' "
                                        "order by name"));
        QCOMPARE(shapeAfter, shapeBefore);
        QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select 類型 from spend_type order by 編號")),
                 QStringLiteral("食物;交通;居家;娛樂;醫療"));
        const int afterFirst = testing::schemaVersion(*connection);
        connection.reset();
        startOnce();
        connection = testing::connect();
        QCOMPARE(testing::schemaVersion(*connection), afterFirst);
    }

    void legacyFileIsBroughtUpToDate()
    {
        testing::TempWorkdir dir;
        testing::writeLegacy({
            QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2010/05/01#, '食物', "
                           "'早餐', '現金', 80)"),
            QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2010/05/02#, '食物', "
                           "'午餐', '現金', 120)"),
            QStringLiteral("delete from spend where 流水號 = 2"),
            QStringLiteral("insert into spend_type (編號, 類型) values (1.5, '食物')"),
            QStringLiteral("insert into spend_type (編號, 類型) values (3, '交通')"),
            QStringLiteral("insert into account_type (編號, 帳戶名稱) values (1, '現金')"),
        });
        startOnce();
        auto connection = testing::connect();
        QCOMPARE(testing::columnsOf(*connection, QStringLiteral("select * from weight")),
                 QStringLiteral("流水號,日期,體重,BMI,腰圍,臀圍,WHR"));
        QCOMPARE(testing::columnsOf(*connection, QStringLiteral("select * from account_type")),
                 QStringLiteral("編號,帳戶名稱,餘額"));
        // 編號 became whole numbers, halves to even; the old key on it gave way to one on 類型.
        QCOMPARE(testing::rowsOf(
                     *connection,
                     QStringLiteral("select typeof(編號) as t, 編號, 類型 from spend_type order by 編號")),
                 QStringLiteral("integer|2|食物;integer|3|交通"));
        QCOMPARE(indexesOf(*connection, QStringLiteral("spend_type")),
                 QStringLiteral("pk:spend_type:pk_spend"));
        QCOMPARE(indexesOf(*connection, QStringLiteral("save_type")), QStringLiteral("pk:save_type:pk_save"));
        QCOMPARE(indexesOf(*connection, QStringLiteral("account_type")),
                 QStringLiteral("pk:account_type:pk_account"));
        QCOMPARE(testing::columnsOf(*connection, QStringLiteral("select * from sub_spend_type")),
                 QStringLiteral("排序,類型,子類型"));
        // The widened note keeps the rows, and the serial counter survives the rewrite.
        QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select * from spend")),
                 QStringLiteral("1|2010/05/01|食物|早餐|現金|80"));
        connection->execute(
            QStringLiteral("insert into spend (摘要) values ('%1')").arg(QString(255, u'長')));
        QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select 流水號 from spend order by 流水號")),
                 QStringLiteral("1;3"));
        QCOMPARE(engine::EngineError::Kind::KeyViolation, [&] {
            try {
                connection->execute(QStringLiteral("insert into spend_type (編號, 類型) values (4, '交通')"));
            } catch (const engine::EngineError& error) {
                return error.kind();
            }
            return engine::EngineError::Kind::Other;
        }());
    }

    void weightColumnsFollowTheGuards_data()
    {
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("columns");
        QTest::newRow("with BMI only")
            << "Create TABLE weight (流水號 counter, 日期 datetime, 體重 float, BMI float)"
            << "流水號,日期,體重,BMI,腰圍,臀圍,WHR";
        // The three measure columns share one guard: once 腰圍 exists, 臀圍 and WHR never come.
        QTest::newRow("with 腰圍 but not 臀圍")
            << "Create TABLE weight (流水號 counter, 日期 datetime, 體重 float, 腰圍 float)"
            << "流水號,日期,體重,腰圍,BMI";
    }
    void weightColumnsFollowTheGuards()
    {
        QFETCH(QString, weight);
        QFETCH(QString, columns);
        testing::TempWorkdir dir;
        testing::writeStarter({QStringLiteral("DROP TABLE weight"), weight});
        startOnce();
        startOnce();
        auto connection = testing::connect();
        QCOMPARE(testing::columnsOf(*connection, QStringLiteral("select * from weight")), columns);
    }

    void duplicateNamesKeepTheirTableWithoutAKey()
    {
        testing::TempWorkdir dir;
        testing::writeLegacy({
            QStringLiteral("insert into save_type (編號, 類型) values (1, '薪資')"),
            QStringLiteral("insert into save_type (編號, 類型) values (2, '薪資')"),
        });
        startOnce();
        auto connection = testing::connect();
        QCOMPARE(indexesOf(*connection, QStringLiteral("save_type")), QString());
        QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select 類型 from save_type order by 編號")),
                 QStringLiteral("薪資;薪資"));
        connection->execute(QStringLiteral("insert into save_type (編號, 類型) values (999, '薪資')"));
        // The other tables were upgraded all the same.
        QCOMPARE(indexesOf(*connection, QStringLiteral("spend_type")),
                 QStringLiteral("pk:spend_type:pk_spend"));
    }

    void accountKeyOnAnotherColumnStays()
    {
        testing::TempWorkdir dir;
        testing::writeLegacy(
            {QStringLiteral("ALTER TABLE account_type ADD CONSTRAINT PrimaryKey PRIMARY KEY(編號)")});
        startOnce();
        auto connection = testing::connect();
        QCOMPARE(indexesOf(*connection, QStringLiteral("account_type")),
                 QStringLiteral("pk:account_type:PrimaryKey"));
    }

    void upToDateLargeFileIsNotRewritten()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        startOnce(); // the first start adds sub_spend_type
        int before;
        {
            auto connection = testing::connect();
            sqlite3* db = connection->handle();
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_stmt* insert = nullptr;
            sqlite3_prepare_v2(
                db,
                "INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) VALUES (?1, '食物', '早餐', '現金', ?2)",
                -1, &insert, nullptr);
            for (int i = 0; i < 100000; ++i) {
                const QByteArray date = QStringLiteral("20%1-%2-%3")
                                            .arg(10 + i % 10)
                                            .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                            .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                            .toUtf8();
                sqlite3_bind_text(insert, 1, date.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(insert, 2, i % 500);
                sqlite3_step(insert);
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            before = testing::schemaVersion(*connection);
        }
        const qint64 sizeBefore = QFileInfo(dir.file(QStringLiteral("finance.mdb"))).size();
        startOnce();
        auto connection = testing::connect();
        QCOMPARE(testing::schemaVersion(*connection), before);
        QCOMPARE(QFileInfo(dir.file(QStringLiteral("finance.mdb"))).size(), sizeBefore);
        QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select count(*) as n from spend")),
                 QStringLiteral("100000"));
    }
};

QTEST_MAIN(TestUpgrade)
#include "test_upgrade.moc"
