// The translator as a table: the window's Jet text in, the SQLite text the engine runs out.
// The fuzzer beside it (tests/fuzz) looks for what breaks it; this says what it is meant to do.
#include "engine/JetTranslator.h"

#include <QtTest>

using engine::Translation;

class TestTranslator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rewrites_data()
    {
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QString>("sqlite");
        // A select of one table carries its rowid, so that its rows can be changed in place;
        // text compares, groups and orders without regard to letter case, as Jet's does.
        QTest::newRow("a ledger grid") << "select * from spend order by 日期 desc"
                                       << "SELECT *, [spend].rowid AS [__rowid] from spend order by 日期 "
                                          "COLLATE NOCASE desc";
        QTest::newRow("the one-row select of an add")
            << "select top 1 * from spend"
            << "SELECT *, [spend].rowid AS [__rowid] from spend LIMIT 1";
        // TOP with an ORDER BY keeps the rows tied with the last: their keys ride along.
        QTest::newRow("top with ties")
            << "select top 3 * from spend order by 金額 desc"
            << "SELECT *, [spend].rowid AS [__rowid], ( 金額) AS [__tie1] from spend "
               "order by 金額 COLLATE NOCASE desc";
        QTest::newRow("an analysis")
            << "select 類型,sum(金額) as 金額 from spend group by 類型"
            << "SELECT 類型,sum(金額) as 金額 from spend group by 類型 COLLATE NOCASE";
        QTest::newRow("a balance") << "select sum(金額) as 收入 from save where 帳戶 = '現金'"
                                   << "SELECT sum(金額) as 收入 from save where 帳戶 = '現金' COLLATE NOCASE";
        QTest::newRow("a date literal")
            << "select sum(金額) as 收入 from save where 日期 = #2012/01/05#"
            << "SELECT sum(金額) as 收入 from save where 日期 = '2012-01-05' COLLATE "
               "NOCASE";
        QTest::newRow("a quote inside a name") << "select * from sub_spend_type where 類型 = 'it''s'"
                                               << "SELECT *, [sub_spend_type].rowid AS [__rowid] from "
                                                  "sub_spend_type where 類型 = 'it''s' COLLATE NOCASE";
        QTest::newRow("bracketed names, a closing semicolon")
            << "select [日期], [金額] from [spend];"
            << "SELECT [日期], [金額], [spend].rowid AS [__rowid] from [spend]";
        // A column tested for membership compares as = does, the list's texts without regard to
        // case; an expression on the left is left as it is.
        QTest::newRow("membership")
            << "select * from spend where spend.類型 in ('食物', '交通') and 帳戶 not in (select 帳戶名稱 "
               "from account_type) and (金額 + 1) in (66)"
            << "SELECT *, [spend].rowid AS [__rowid] from spend where spend.類型 COLLATE NOCASE in ('食物', "
               "'交通') and 帳戶 COLLATE NOCASE not in (select 帳戶名稱 from account_type) and (金額 + 1) in "
               "(66)";
        QTest::newRow("a delete") << "delete from spend where 流水號 = 12"
                                  << "delete from spend where 流水號 = 12";
        QTest::newRow("a balance written") << "update account_type set 餘額 = -300 where 帳戶名稱 = '銀行'"
                                           << "update account_type set 餘額 = -300 where 帳戶名稱 = '銀行' "
                                              "COLLATE NOCASE";
        // Jet's derived tables, [SELECT ...]. AS [alias], become SQLite's parenthesised ones.
        QTest::newRow("the settlement the Windows release ran")
            << "SELECT (收入-支出 ) AS 結算, * FROM [SELECT year(save.日期) AS 年A, sum(save.金額) AS 收入 "
               "FROM "
               "save GROUP BY year(save.日期)]. AS [AAA@_Alias], [SELECT year(spend.日期) AS 年B, "
               "sum(spend.金額) AS 支出 FROM spend GROUP BY year(spend.日期)]. AS [BBB@_Alias] WHERE 年A = "
               "年B"
            << "SELECT (收入-支出 ) AS 結算, * FROM (SELECT year(save.日期) AS 年A, sum(save.金額) AS 收入 "
               "FROM "
               "save GROUP BY year(save.日期) COLLATE NOCASE) AS [AAA@_Alias], (SELECT year(spend.日期) AS "
               "年B, "
               "sum(spend.金額) AS 支出 FROM spend GROUP BY year(spend.日期) COLLATE NOCASE) AS [BBB@_Alias] "
               "WHERE 年A = 年B COLLATE NOCASE";
        // Jet's types become the declared types the engine reads a column's kind from.
        QTest::newRow("create table")
            << "Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)"
            << "CREATE TABLE [sub_spend_type] ([排序] INT, [類型] CHAR(255), [子類型] "
               "CHAR(255))";
        QTest::newRow("add column") << "ALTER TABLE account_type ADD COLUMN 餘額 float"
                                    << "ALTER TABLE [account_type] ADD COLUMN [餘額] FLOAT";
    }
    void rewrites()
    {
        QFETCH(QString, jet);
        QFETCH(QString, sqlite);
        QCOMPARE(engine::translateJet(jet).sql.join(u'\n'), sqlite);
    }

    // What the connection carries out itself: it gets the statement's parts, not SQL.
    void carriedOutByTheConnection()
    {
        Translation t = engine::translateJet(QStringLiteral("ALTER TABLE spend ALTER COLUMN 摘要 char"));
        QCOMPARE(t.kind, Translation::Kind::AlterColumn);
        QCOMPARE(QStringList({t.table, t.ddl.column, t.ddl.type}),
                 QStringList({QStringLiteral("spend"), QStringLiteral("摘要"), QStringLiteral("CHAR(255)")}));

        t = engine::translateJet(
            QStringLiteral("ALTER TABLE spend_type ADD CONSTRAINT PrimaryKey PRIMARY KEY (類型)"));
        QCOMPARE(t.kind, Translation::Kind::AddConstraint);
        QCOMPARE(t.ddl.constraint, QStringLiteral("PrimaryKey"));
        QCOMPARE(t.ddl.columns, QStringList{QStringLiteral("類型")});
        QVERIFY(t.ddl.primary);

        t = engine::translateJet(QStringLiteral("ALTER DATABASE PASSWORD [my pw] 1234"));
        QCOMPARE(t.kind, Translation::Kind::AlterPassword);
        QCOMPARE(t.password.to, QStringLiteral("my pw"));
        QCOMPARE(t.password.from, QStringLiteral("1234"));
    }
};

QTEST_MAIN(TestTranslator)
#include "test_translator.moc"
