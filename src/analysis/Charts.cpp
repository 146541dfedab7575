// The chart procedure shared by every analysis, the year prompt, and the analyses' handlers.
#include "analysis/Analyses.h"
#include "analysis/IsInteger.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "platform/Clock.h"
#include "store/SlotWork.h"
#include "ui/Chart.h"
#include "ui/Dialogs.h"

#include <QTabWidget>

bool TForm1::IsInteger(const QString& text) const
{
    return analysis::isInteger(text);
}

QString TForm1::AskYear()
{
    QString year = QString::number(platform::now().date().year());
    while (true) {
        // Cancel keeps the text the box opened with.
        ui::inputQuery(QStringLiteral("請輸西元年"), QStringLiteral("西元 :"), year);
        if (IsInteger(year))
            return year;
        ui::showMessage(QStringLiteral("請輸入正確西元年份, Ex: 2011"));
    }
}

void TForm1::RunAnalysis(const analysis::Analysis& analysis)
{
    const QString year = analysis.year == analysis::YearPrompt::Ask ? AskYear() : QString();
    engine::Query query;
    query.setConnection(Connection.get());
    query.setSql(analysis::withYear(analysis.statements.front(), year));
    query.open();
    query.first();
    // Only now that the statement has opened: a statement that fails leaves the chart as it was.
    Chart1->setTitle(analysis::withYear(analysis.title, year));
    const bool bars = analysis.layout == analysis::Layout::Bar;
    Series1->setActive(bars);
    Series1->clear();
    Series2->clear();
    Series2->setActive(!bars);
    if (analysis.stopsWhenEmpty && query.recordCount() == 0)
        return;
    ui::ChartSeries& series = bars ? *Series1 : *Series2;
    for (qsizetype i = 0; i < analysis.statements.size(); ++i) {
        if (i > 0) {
            query.setSql(analysis::withYear(analysis.statements[i], year));
            query.open();
        }
        store::eachRow(query, [&](engine::Query& row) {
            const QString value = row.fieldByName(analysis.valueField).asString();
            // A row without a value adds no point; the rest of the chart is drawn.
            if (value.isEmpty() || (analysis.skipsNoValue && value == QLatin1String("0")))
                return;
            series.addPoint(value.toDouble(),
                            row.fieldByName(analysis.labelField).asString() + analysis.labelSuffix);
        });
    }
    query.close();
    TabPagerMain->setCurrentWidget(TabPagerChar);
}

void TForm1::btnAnalySpendTypeClick()
{
    RunAnalysis(analysis::spendByType());
}

void TForm1::btnAnalySpendTypeMaxClick()
{
    RunAnalysis(analysis::spendMaxByType());
}

void TForm1::btnAnalySpendMonthClick()
{
    RunAnalysis(analysis::spendByMonth());
}

void TForm1::btnAnalySpendYearClick()
{
    RunAnalysis(analysis::spendByYear());
}

void TForm1::btnAnalySaveTypeClick()
{
    RunAnalysis(analysis::saveByType());
}

void TForm1::btnAnalySaveTypeMaxClick()
{
    RunAnalysis(analysis::saveMaxByType());
}

void TForm1::btnAnalySaveMonthClick()
{
    RunAnalysis(analysis::saveByMonth());
}

void TForm1::btnAnalySaveYearClick()
{
    RunAnalysis(analysis::saveByYear());
}

void TForm1::btnBalanceYearClick()
{
    RunAnalysis(analysis::balanceByYear());
}

void TForm1::btnBalanceMonthClick()
{
    RunAnalysis(analysis::balanceByMonth());
}

void TForm1::btnAnalyWeightTypeClick()
{
    RunAnalysis(analysis::weightByDate());
}

void TForm1::btnAnalyBMIClick()
{
    RunAnalysis(analysis::bmiByDate());
}

void TForm1::btnAnalyWHRClick()
{
    RunAnalysis(analysis::whrByDate());
}

void TForm1::btnAnalyWeightMonthAvgClick()
{
    RunAnalysis(analysis::weightMonthAverage());
}

void TForm1::btnAnalyWeightYearAvgClick()
{
    RunAnalysis(analysis::weightYearAverage());
}

void TForm1::btnAnalyMinMaxClick()
{
    RunAnalysis(analysis::weightExtremes());
}
