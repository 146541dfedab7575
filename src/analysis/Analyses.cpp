#include "Analyses.h"

namespace analysis {

QString withYear(const QString& statement, const QString& year)
{
    QString result = statement;
    return result.replace(QLatin1String("%1"), year);
}

namespace {

Analysis bars(const QString& statement, const QString& value, const QString& label, const QString& suffix,
              const QString& title, bool stopsWhenEmpty)
{
    Analysis analysis;
    analysis.statements = {statement};
    analysis.valueField = value;
    analysis.labelField = label;
    analysis.labelSuffix = suffix;
    analysis.title = title;
    analysis.stopsWhenEmpty = stopsWhenEmpty;
    return analysis;
}

Analysis byMonth(const QString& statement, const QString& title)
{
    Analysis analysis =
        bars(statement, QStringLiteral("金額"), QStringLiteral("月份"), QStringLiteral("月"), title, true);
    analysis.year = YearPrompt::Ask;
    return analysis;
}

Analysis line(const QString& value, const QString& title)
{
    Analysis analysis = bars(QStringLiteral("select * from weight order by 日期"), value,
                             QStringLiteral("日期"), QString(), title, false);
    analysis.layout = Layout::Line;
    return analysis;
}

} // namespace

Analysis spendByType()
{
    return bars(QStringLiteral("select 類型,sum(金額) as 金額 from spend group by 類型"),
                QStringLiteral("金額"), QStringLiteral("類型"), QString(), QStringLiteral("支出"), false);
}

Analysis spendMaxByType()
{
    return bars(QStringLiteral("select 類型,max(金額) as 金額 from spend group by 類型"),
                QStringLiteral("金額"), QStringLiteral("類型"), QString(), QStringLiteral("支出(Max)"),
                false);
}

Analysis spendByMonth()
{
    return byMonth(QStringLiteral("select month(日期) as 月份,sum(金額) as 金額 from spend where year(日期)= "
                                  "%1 group by month(日期)"),
                   QStringLiteral("月支出 - 總合"));
}

Analysis spendByYear()
{
    return bars(QStringLiteral("select year(日期) as 年,sum(金額) as 金額 from spend group by year(日期)"),
                QStringLiteral("金額"), QStringLiteral("年"), QStringLiteral("年"),
                QStringLiteral("年支出 - 總合"), true);
}

Analysis saveByType()
{
    return bars(QStringLiteral("select 類型,sum(金額) as 金額 from save group by 類型"),
                QStringLiteral("金額"), QStringLiteral("類型"), QString(), QStringLiteral("收入"), false);
}

Analysis saveMaxByType()
{
    return bars(QStringLiteral("select 類型,max(金額) as 金額 from save group by 類型"),
                QStringLiteral("金額"), QStringLiteral("類型"), QString(), QStringLiteral("收入(Max)"),
                false);
}

Analysis saveByMonth()
{
    return byMonth(QStringLiteral("select month(日期) as 月份,sum(金額) as 金額 from save where year(日期)= "
                                  "%1 group by month(日期)"),
                   QStringLiteral("月收入"));
}

Analysis saveByYear()
{
    return bars(QStringLiteral("select year(日期) as 年,sum(金額) as 金額 from save group by year(日期)"),
                QStringLiteral("金額"), QStringLiteral("年"), QStringLiteral("年"),
                QStringLiteral("年收入總合"), true);
}

Analysis balanceByYear()
{
    return bars(
        QStringLiteral(
            "SELECT (收入-支出 ) AS 結算, * FROM [SELECT year(save.日期) AS 年A, sum(save.金額) AS 收入 "
            "FROM save GROUP BY year(save.日期)]. AS [AAA@_Alias], [SELECT year(spend.日期) AS 年B, "
            "sum(spend.金額) AS 支出 FROM spend GROUP BY year(spend.日期)]. AS [BBB@_Alias] WHERE 年A = 年B"),
        QStringLiteral("結算"), QStringLiteral("年A"), QStringLiteral("年"), QStringLiteral("收支年結算"),
        true);
}

Analysis balanceByMonth()
{
    Analysis analysis = bars(
        QStringLiteral(
            "SELECT (收入-支出 ) AS 結算,* FROM [SELECT month(save.日期) AS 月A, sum(save.金額) AS 收入 FROM "
            "save where year(save.日期) = %1 GROUP BY month(save.日期)]. AS [AAA@_Alias], [SELECT "
            "month(spend.日期) AS 月B, sum(spend.金額) AS 支出 FROM spend  where year(spend.日期) = %1 GROUP "
            "BY "
            "month(spend.日期)]. AS [BBB@_Alias] WHERE 月A = 月B"),
        QStringLiteral("結算"), QStringLiteral("月A"), QStringLiteral("月"),
        QStringLiteral("%1年 收支月結算"), true);
    analysis.year = YearPrompt::Ask;
    return analysis;
}

Analysis weightByDate()
{
    return line(QStringLiteral("體重"), QStringLiteral("體重"));
}

Analysis bmiByDate()
{
    return line(QStringLiteral("BMI"), QStringLiteral("BMI"));
}

Analysis whrByDate()
{
    Analysis analysis = line(QStringLiteral("WHR"), QStringLiteral("WHR"));
    analysis.skipsNoValue = true;
    return analysis;
}

Analysis weightMonthAverage()
{
    Analysis analysis = bars(QStringLiteral("select month(日期) as 月份,avg(體重) as 體重 from weight where "
                                            "year(日期)= %1 group by month(日期)"),
                             QStringLiteral("體重"), QStringLiteral("月份"), QStringLiteral("月"),
                             QStringLiteral("平均體重(月)"), true);
    analysis.year = YearPrompt::Ask;
    return analysis;
}

Analysis weightYearAverage()
{
    return bars(QStringLiteral("select year(日期) as 年,avg(體重) as 體重 from weight group by year(日期)"),
                QStringLiteral("體重"), QStringLiteral("年"), QStringLiteral("年"),
                QStringLiteral("平均體重(年)"), true);
}

Analysis weightExtremes()
{
    Analysis analysis =
        bars(QStringLiteral("select top 1 * from weight order by 體重 desc"), QStringLiteral("體重"),
             QStringLiteral("日期"), QString(), QStringLiteral("體重最大/最小)"), false);
    analysis.statements << QStringLiteral("select top 1 * from weight order by 體重 ASC");
    return analysis;
}

} // namespace analysis
