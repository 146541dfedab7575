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

namespace {

// Income against expense per period: every period with entries on either side, the side without
// entries counted as 0, earliest first. Each side is summed per period as before; the two lists
// are put one under the other and joined per period, so that a year of expenses alone still has
// its bar. A side whose amounts are all Null sums to Null, as it always has. The period is
// year() or month() of the date; the condition (where "@" names the table) chooses the entries,
// and keeps the year text's "%1" for the prompt's answer.
QString settlementStatement(const QString& period, const QString& condition, const QString& first,
                            const QString& second)
{
    auto periodOf = [&](const QString& table) { return period + u'(' + table + QStringLiteral(".日期)"); };
    auto whereOf = [&](const QString& table) { return QString(condition).replace(u'@', table); };
    const QString save = QStringLiteral("save");
    const QString spend = QStringLiteral("spend");
    const QString incomes =
        QStringLiteral("SELECT ") + periodOf(save) +
        QStringLiteral(" AS 期, 1 AS 是收入, sum(save.金額) AS 收入額, Null AS 是支出, Null AS "
                       "支出額 FROM save") +
        whereOf(save) + QStringLiteral(" GROUP BY ") + periodOf(save);
    const QString expenses = QStringLiteral("SELECT ") + periodOf(spend) +
                             QStringLiteral(", Null, Null, 1, sum(spend.金額) FROM spend") + whereOf(spend) +
                             QStringLiteral(" GROUP BY ") + periodOf(spend);
    return QStringLiteral("SELECT (收入-支出 ) AS 結算, * FROM (SELECT 期 AS ") + first +
           QStringLiteral(", CASE WHEN count(是收入) = 0 THEN 0 ELSE sum(收入額) END AS 收入, 期 AS ") +
           second +
           QStringLiteral(", CASE WHEN count(是支出) = 0 THEN 0 ELSE sum(支出額) END AS 支出 FROM (") +
           incomes + QStringLiteral(" UNION ALL ") + expenses +
           QStringLiteral(") AS 兩邊 WHERE 期 IS NOT NULL GROUP BY 期) AS 結 ORDER BY ") + first;
}

} // namespace

Analysis balanceByYear()
{
    return bars(
        settlementStatement(QStringLiteral("year"), QString(), QStringLiteral("年A"), QStringLiteral("年B")),
        QStringLiteral("結算"), QStringLiteral("年A"), QStringLiteral("年"), QStringLiteral("收支年結算"),
        true);
}

Analysis balanceByMonth()
{
    // The year text goes in twice, once for each side, as typed.
    Analysis analysis =
        bars(settlementStatement(QStringLiteral("month"), QStringLiteral(" WHERE year(@.日期) = %1"),
                                 QStringLiteral("月A"), QStringLiteral("月B")),
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
