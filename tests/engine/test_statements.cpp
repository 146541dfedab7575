// Every statement the program sends, run on a small file that starts in the shape an earlier
// release wrote, in the order the program would meet them: the upgrade first, then the reads,
// then the changes. A statement the program builds is taken from its builder, with the values a
// handler would give it; one the handlers hold as it stands is quoted. Each row checks the
// result's columns and rows, read as text.
#include "EngineSupport.h"
#include "analysis/Analyses.h"
#include "calendar/DayStatus.h"
#include "catalog/Statements.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "health/Arithmetic.h"
#include "ledger/Statements.h"

#include <QtTest>

namespace {

struct Case
{
    const char* name;
    const char16_t* statement; // quoted, or nullptr for one taken from its builder
    const char16_t* check;     // for a statement without rows: the select that shows its effect
    const char16_t* columns;   // expected column names, "" to skip
    const char16_t* rows;      // expected rows, "a|b;c|d"
    bool ordered;              // false when the statement asks for no order
    QString (*built)() = nullptr;
};

QString first(const analysis::Analysis& a)
{
    return a.statements.front();
}

QString inYear(const analysis::Analysis& a, const char* year)
{
    return analysis::withYear(a.statements.front(), QString::fromUtf8(year));
}

QString text(const char16_t* t)
{
    return QString::fromUtf16(t);
}

const Case cases[] = {
    // The schema upgrade on the old shape: every statement takes effect.
    {"upgrade 1", u"ALTER TABLE weight ADD COLUMN BMI float", u"select * from weight where 流水號 = 1",
     u"流水號,日期,體重,BMI", u"1|2012/01/01|70|", true},
    {"upgrade 2", u"ALTER TABLE weight ADD COLUMN 腰圍 float", u"select * from weight where 流水號 = 1",
     u"流水號,日期,體重,BMI,腰圍", u"1|2012/01/01|70||", true},
    {"upgrade 3", u"ALTER TABLE weight ADD COLUMN 臀圍 float", u"select * from weight where 流水號 = 1",
     u"流水號,日期,體重,BMI,腰圍,臀圍", u"1|2012/01/01|70|||", true},
    {"upgrade 4", u"ALTER TABLE weight ADD COLUMN WHR float", u"select * from weight where 流水號 = 1",
     u"流水號,日期,體重,BMI,腰圍,臀圍,WHR", u"1|2012/01/01|70||||", true},
    {"upgrade 5", u"ALTER TABLE account_type ADD COLUMN 餘額 float", u"select * from account_type",
     u"編號,帳戶名稱,餘額", u"1|現金|;2|銀行|", false},
    {"upgrade 6", u"ALTER TABLE account_type ALTER COLUMN 編號 int",
     u"select typeof(編號) as t, 編號 from account_type order by 編號", u"t,編號", u"integer|1;integer|2",
     true},
    {"upgrade 7", u"ALTER TABLE save_type ALTER COLUMN 編號 int",
     u"select typeof(編號) as t, 類型 from save_type order by 編號", u"t,類型", u"integer|薪資;integer|獎金",
     true},
    {"upgrade 8", u"ALTER TABLE spend_type ALTER COLUMN 編號 int",
     u"select typeof(編號) as t, 類型 from spend_type order by 編號", u"t,類型",
     u"integer|食物;integer|交通;integer|居家", true},
    {"upgrade 9", u"ALTER TABLE save_type drop constraint PrimaryKey",
     u"select name from sqlite_master where type = 'index' and tbl_name = 'save_type'", u"", u"", true},
    {"upgrade 10", u"ALTER TABLE spend_type drop constraint PrimaryKey",
     u"select name from sqlite_master where type = 'index' and tbl_name = 'spend_type'", u"", u"", true},
    {"upgrade 11", u"ALTER TABLE account_type ADD CONSTRAINT pk_account PRIMARY KEY(帳戶名稱)",
     u"select name from sqlite_master where type = 'index' and tbl_name = 'account_type'", u"",
     u"pk:account_type:pk_account", true},
    {"upgrade 12", u"ALTER TABLE save_type ADD CONSTRAINT pk_save PRIMARY KEY(類型)",
     u"select name from sqlite_master where type = 'index' and tbl_name = 'save_type'", u"",
     u"pk:save_type:pk_save", true},
    {"upgrade 13", u"ALTER TABLE spend_type ADD CONSTRAINT pk_spend PRIMARY KEY(類型)",
     u"select name from sqlite_master where type = 'index' and tbl_name = 'spend_type'", u"",
     u"pk:spend_type:pk_spend", true},
    {"upgrade 14", u"Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)",
     u"select * from sub_spend_type", u"排序,類型,子類型", u"", true},
    {"upgrade 15", u"ALTER TABLE spend ALTER COLUMN 摘要 varchar(255)",
     u"select count(*) as n from sqlite_master where name = 'spend' and sql like '%[摘要] VARCHAR(255)%'",
     u"n", u"1", true},
    {"upgrade 16", u"ALTER TABLE save ALTER COLUMN 摘要 varchar(255)",
     u"select count(*) as n from sqlite_master where name = 'save' and sql like '%[摘要] VARCHAR(255)%'",
     u"n", u"1", true},
    {"sub-category rows", u"insert into sub_spend_type (排序, 類型, 子類型) values (999, '食物', '早餐')",
     nullptr, u"", u"", true},
    {"sub-category rows 2", u"insert into sub_spend_type (排序, 類型, 子類型) values (999, '食物', '晚餐')",
     nullptr, u"", u"", true},
    {"sub-category rows 3", u"insert into sub_spend_type (排序, 類型, 子類型) values (999, '交通', '公車')",
     nullptr, u"", u"", true},

    // Grids and pick lists.
    {"expense grid", u"select * from spend order by 日期 desc", nullptr, u"流水號,日期,類型,摘要,帳戶,金額",
     u"3|2012/03/10|食物|晚餐|現金|300;2|2012/01/06|交通|公車|銀行|250.5;1|2012/01/05|食物|早餐|現金|100;"
     u"4|2011/12/31|居家|房租|銀行|1000",
     true},
    {"income grid", u"select * from save order by 日期 desc", nullptr, u"流水號,日期,類型,摘要,帳戶,金額",
     u"2|2012/03/01|獎金|年終|現金|1500;1|2012/01/05|薪資|一月|銀行|5000;3|2011/06/01|薪資|六月|銀行|4000",
     true},
    {"expense add row", u"select top 1 * from spend", nullptr, u"流水號,日期,類型,摘要,帳戶,金額",
     u"1|2012/01/05|食物|早餐|現金|100", true},
    {"income add row", u"select top 1 * from save", nullptr, u"流水號,日期,類型,摘要,帳戶,金額",
     u"1|2012/01/05|薪資|一月|銀行|5000", true},
    {"expense batch", u"select * from spend", nullptr, u"流水號,日期,類型,摘要,帳戶,金額",
     u"1|2012/01/05|食物|早餐|現金|100;2|2012/01/06|交通|公車|銀行|250.5;3|2012/03/10|食物|晚餐|現金|300;"
     u"4|2011/12/31|居家|房租|銀行|1000",
     false},
    {"income batch", u"select * from save", nullptr, u"流水號,日期,類型,摘要,帳戶,金額",
     u"1|2012/01/05|薪資|一月|銀行|5000;2|2012/03/01|獎金|年終|現金|1500;3|2011/06/01|薪資|六月|銀行|4000",
     false},
    {"expense categories", u"select * from spend_type order by 編號", nullptr, u"編號,類型",
     u"1|食物;2|交通;3|居家", true},
    {"expense category add row", u"select top 1 * from spend_type", nullptr, u"編號,類型", u"1|食物", true},
    {"income categories", u"select * from save_type order by 編號", nullptr, u"編號,類型", u"1|薪資;2|獎金",
     true},
    {"income category add row", u"select top 1 * from save_type", nullptr, u"編號,類型", u"1|薪資", true},
    {"accounts", u"select 編號,帳戶名稱 from account_type order by 編號", nullptr, u"編號,帳戶名稱",
     u"1|現金;2|銀行", true},
    {"account add row", u"select top 1 * from account_type", nullptr, u"編號,帳戶名稱,餘額", u"1|現金|",
     true},
    {"sub-categories", nullptr, nullptr, u"排序,類型,子類型", u"999|食物|早餐;999|食物|晚餐", false,
     [] { return ledger::subCategoryStatement(text(u"食物")); }},
    {"sub-category add row", u"select top 1 * from sub_spend_type", nullptr, u"排序,類型,子類型",
     u"999|食物|早餐", true},
    {"weight grid", u"select * from weight order by 日期 desc", nullptr,
     u"流水號,日期,體重,BMI,腰圍,臀圍,WHR",
     u"3|2012/02/15|68||||;2|2012/02/01|72||||;1|2012/01/01|70||||;4|2011/05/01|72||||", true},
    {"weight add row", u"select top 1 * from weight", nullptr, u"流水號,日期,體重,BMI,腰圍,臀圍,WHR",
     u"1|2012/01/01|70||||", true},

    // Balances.
    {"income of an account", nullptr, nullptr, u"收入", u"9000", true,
     [] { return ledger::incomeSumStatement(text(u"銀行")); }},
    {"expense of an account", nullptr, nullptr, u"支出", u"1250.5", true,
     [] { return ledger::expenseSumStatement(text(u"銀行")); }},
    {"account without entries", nullptr, nullptr, u"收入", u"", true,
     [] { return ledger::incomeSumStatement(text(u"信用卡")); }},
    {"total of no balances", u"select sum(餘額) as 餘額 from account_type", nullptr, u"餘額", u"", true},
    {"overview", u"select 帳戶名稱,餘額 from account_type", nullptr, u"帳戶名稱,餘額", u"現金|;銀行|", false},

    // Ledger analyses.
    {"expense by category", nullptr, nullptr, u"類型,金額", u"交通|250.5;居家|1000;食物|400", false,
     [] { return first(analysis::spendByType()); }},
    {"expense maximum", nullptr, nullptr, u"類型,金額", u"交通|250.5;居家|1000;食物|300", false,
     [] { return first(analysis::spendMaxByType()); }},
    {"expense by month", nullptr, nullptr, u"月份,金額", u"1|350.5;3|300", false,
     [] { return inYear(analysis::spendByMonth(), "2012"); }},
    {"expense by month, year with a blank", nullptr, nullptr, u"月份,金額", u"1|350.5;3|300", false,
     [] { return inYear(analysis::spendByMonth(), " 2012"); }},
    {"expense by year", nullptr, nullptr, u"年,金額", u"2011|1000;2012|650.5", false,
     [] { return first(analysis::spendByYear()); }},
    {"income by category", nullptr, nullptr, u"類型,金額", u"獎金|1500;薪資|9000", false,
     [] { return first(analysis::saveByType()); }},
    {"income maximum", nullptr, nullptr, u"類型,金額", u"獎金|1500;薪資|5000", false,
     [] { return first(analysis::saveMaxByType()); }},
    {"income by month", nullptr, nullptr, u"月份,金額", u"1|5000;3|1500", false,
     [] { return inYear(analysis::saveByMonth(), "2012"); }},
    {"income by month, empty year", nullptr, nullptr, u"月份,金額", u"", false,
     [] { return inYear(analysis::saveByMonth(), "1999"); }},
    {"income by year", nullptr, nullptr, u"年,金額", u"2011|4000;2012|6500", false,
     [] { return first(analysis::saveByYear()); }},

    // Settlement analyses.
    {"settlement by year",
     u"SELECT (收入-支出 ) AS 結算, * FROM [SELECT year(save.日期) AS 年A, sum(save.金額) AS 收入 FROM save "
     u"GROUP BY "
     u"year(save.日期)]. AS [AAA@_Alias], [SELECT year(spend.日期) AS 年B, sum(spend.金額) AS 支出 FROM "
     u"spend GROUP BY "
     u"year(spend.日期)]. AS [BBB@_Alias] WHERE 年A = 年B",
     nullptr, u"結算,年A,收入,年B,支出", u"3000|2011|4000|2011|1000;5849.5|2012|6500|2012|650.5", false},
    {"settlement by month",
     u"SELECT (收入-支出 ) AS 結算,* FROM [SELECT month(save.日期) AS 月A, sum(save.金額) AS 收入 FROM save "
     u"where "
     u"year(save.日期) = 2012 GROUP BY month(save.日期)]. AS [AAA@_Alias], [SELECT month(spend.日期) AS 月B, "
     u"sum(spend.金額) AS 支出 FROM spend  where year(spend.日期) = 2012 GROUP BY month(spend.日期)]. AS "
     u"[BBB@_Alias] "
     u"WHERE 月A = 月B",
     nullptr, u"結算,月A,收入,月B,支出", u"4649.5|1|5000|1|350.5;1200|3|1500|3|300", false},

    // Weight analyses.
    {"weight line", nullptr, nullptr, u"流水號,日期,體重,BMI,腰圍,臀圍,WHR",
     u"4|2011/05/01|72||||;1|2012/01/01|70||||;2|2012/02/01|72||||;3|2012/02/15|68||||", true,
     [] { return first(analysis::weightByDate()); }},
    {"weight by month", nullptr, nullptr, u"月份,體重", u"1|70;2|70", false,
     [] { return inYear(analysis::weightMonthAverage(), "2012"); }},
    {"weight by year", nullptr, nullptr, u"年,體重", u"2011|72;2012|70", false,
     [] { return first(analysis::weightYearAverage()); }},
    {"heaviest, tied", nullptr, nullptr, u"流水號,日期,體重,BMI,腰圍,臀圍,WHR",
     u"2|2012/02/01|72||||;4|2011/05/01|72||||", false,
     [] { return analysis::weightExtremes().statements.at(0); }},
    {"lightest", nullptr, nullptr, u"流水號,日期,體重,BMI,腰圍,臀圍,WHR", u"3|2012/02/15|68||||", true,
     [] { return analysis::weightExtremes().statements.at(1); }},

    // Daily calendar.
    {"income of a day", nullptr, nullptr, u"收入", u"5000", true,
     [] { return calendar::incomeOfDayStatement(QDate(2012, 1, 5)); }},
    {"expense of a day", nullptr, nullptr, u"支出", u"100", true,
     [] { return calendar::expenseOfDayStatement(QDate(2012, 1, 5)); }},
    {"expense of a day without entries", nullptr, nullptr, u"支出", u"", true,
     [] { return calendar::expenseOfDayStatement(QDate(2012, 1, 7)); }},

    // Changes.
    {"balance", nullptr, u"select 帳戶名稱,餘額 from account_type order by 編號", u"", u"現金|1100;銀行|",
     true, [] { return ledger::balanceUpdateStatement(1100, text(u"現金")); }},
    {"negative balance", nullptr, u"select 帳戶名稱,餘額 from account_type order by 編號", u"",
     u"現金|1100;銀行|-300", true, [] { return ledger::balanceUpdateStatement(-300, text(u"銀行")); }},
    {"total", u"select sum(餘額) as 餘額 from account_type", nullptr, u"餘額", u"800", true},
    {"BMI recount", nullptr, u"select 流水號,BMI,WHR from weight where 流水號 = 1", u"", u"1|22.86|", true,
     [] { return health::bmiUpdateStatement(22.86, 1); }},
    {"WHR recount", nullptr, u"select 流水號,BMI,WHR from weight where 流水號 = 1", u"", u"1|22.86|0.8", true,
     [] { return health::whrUpdateStatement(0.8, 1); }},
    {"delete expense", nullptr, u"select 流水號 from spend order by 流水號", u"", u"1;2;3", true,
     [] { return ledger::deleteExpenseStatement(QStringLiteral("4")); }},
    {"delete income", nullptr, u"select 流水號 from save order by 流水號", u"", u"1;2", true,
     [] { return ledger::deleteIncomeStatement(QStringLiteral("3")); }},
    {"delete expense category", nullptr, u"select 類型 from spend_type order by 編號", u"", u"食物;交通",
     true,
     [] { return catalog::deleteStatement(QStringLiteral("spend_type"), text(u"類型"), text(u"居家")); }},
    {"delete income category", nullptr, u"select 類型 from save_type order by 編號", u"", u"薪資", true,
     [] { return catalog::deleteStatement(QStringLiteral("save_type"), text(u"類型"), text(u"獎金")); }},
    {"delete account", nullptr, u"select 帳戶名稱 from account_type order by 編號", u"", u"現金", true,
     [] {
         return catalog::deleteStatement(QStringLiteral("account_type"), text(u"帳戶名稱"), text(u"銀行"));
     }},
    {"delete sub-category", nullptr, u"select 子類型 from sub_spend_type", u"", u"晚餐;公車", false,
     [] { return catalog::deleteSubCategoryStatement(text(u"食物"), text(u"早餐")); }},
    {"password", u"ALTER DATABASE PASSWORD 5678 1234", u"select count(*) as n from spend", u"", u"3", true},
};

QString sortedRows(const QString& rows, bool ordered)
{
    if (ordered || rows.isEmpty())
        return rows;
    QStringList list = rows.split(u';');
    list.sort();
    return list.join(u';');
}

} // namespace

class TestStatements : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::TempWorkdir> m_dir;
    std::unique_ptr<engine::Connection> m_connection;

private Q_SLOTS:
    void initTestCase()
    {
        m_dir = std::make_unique<testing::TempWorkdir>();
        testing::writeLegacy();
        m_connection = testing::connect();
        testing::execAll(*m_connection,
                         {
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/01/05#, '食物', '早餐', '現金', 100)"),
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/01/06#, '交通', '公車', '銀行', 250.5)"),
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/03/10#, '食物', '晚餐', '現金', 300)"),
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2011/12/31#, '居家', '房租', '銀行', 1000)"),
                             QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/01/05#, '薪資', '一月', '銀行', 5000)"),
                             QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/03/01#, '獎金', '年終', '現金', 1500)"),
                             QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2011/06/01#, '薪資', '六月', '銀行', 4000)"),
                             QStringLiteral("insert into spend_type (編號, 類型) values (1, '食物')"),
                             QStringLiteral("insert into spend_type (編號, 類型) values (2, '交通')"),
                             QStringLiteral("insert into spend_type (編號, 類型) values (3, '居家')"),
                             QStringLiteral("insert into save_type (編號, 類型) values (1, '薪資')"),
                             QStringLiteral("insert into save_type (編號, 類型) values (2, '獎金')"),
                             QStringLiteral("insert into account_type (編號, 帳戶名稱) values (1, '現金')"),
                             QStringLiteral("insert into account_type (編號, 帳戶名稱) values (2, '銀行')"),
                             QStringLiteral("insert into weight (日期, 體重) values (#2012/01/01#, 70)"),
                             QStringLiteral("insert into weight (日期, 體重) values (#2012/02/01#, 72)"),
                             QStringLiteral("insert into weight (日期, 體重) values (#2012/02/15#, 68)"),
                             QStringLiteral("insert into weight (日期, 體重) values (#2011/05/01#, 72)"),
                         });
    }

    void cleanupTestCase()
    {
        m_connection.reset();
        m_dir.reset();
    }

    void statement_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(cases)); ++i)
            QTest::newRow(cases[i].name) << i;
    }

    void statement()
    {
        QFETCH(int, index);
        const Case& c = cases[index];
        const QString statement = c.built ? c.built() : QString::fromUtf16(c.statement);
        QString select = statement;
        if (c.check) {
            engine::Query query;
            query.setConnection(m_connection.get());
            query.setSql(statement);
            query.execSql();
            select = QString::fromUtf16(c.check);
        } else if (!statement.startsWith(QLatin1String("select"), Qt::CaseInsensitive) &&
                   !statement.startsWith(QLatin1String("SELECT"))) {
            m_connection->execute(statement);
            return;
        }
        const QString columns = QString::fromUtf16(c.columns);
        if (!columns.isEmpty())
            QCOMPARE(testing::columnsOf(*m_connection, select), columns);
        QCOMPARE(sortedRows(testing::rowsOf(*m_connection, select), c.ordered),
                 sortedRows(QString::fromUtf16(c.rows), c.ordered));
    }
};

QTEST_GUILESS_MAIN(TestStatements)
#include "test_statements.moc"
