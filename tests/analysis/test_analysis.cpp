// The analyses: the year prompt, the chart procedure, and what each family of analyses draws.
#include "LedgerFixture.h"
#include "analysis/IsInteger.h"
#include "ui/Chart.h"
#include "ui/ImageButton.h"

#include <QTabWidget>

using testing::LedgerFixture;

namespace {

QString entry(const char* table, const char* date, const char* type, const char* amount)
{
    return QStringLiteral(
               "insert into %1 (日期, 類型, 摘要, 帳戶, 金額) values (#%2#, '%3', 'x', '現金', %4)")
        .arg(QLatin1String(table), QLatin1String(date), QString::fromUtf8(type), QLatin1String(amount));
}

// The points of a series as "label=value;...".
QString pointsOf(const ui::ChartSeries& series)
{
    QStringList points;
    for (const ui::ChartPoint& point : series.points())
        points << point.label + u'=' + QString::number(point.value, 'g', 15);
    return points.join(u';');
}

const QStringList sampleLedger = {
    entry("spend", "2011/03/05", "食物", "100"),  entry("spend", "2012/03/01", "食物", "50"),
    entry("spend", "2012/01/05", "交通", "30"),   entry("spend", "2012/01/20", "交通", "2000"),
    entry("spend", "2012/02/02", "其他", "null"), entry("save", "2012/01/10", "薪資", "1000"),
    entry("save", "2011/05/05", "獎金", "500"),
};

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("integer");
        const std::pair<const char*, bool> cases[] = {
            {"2012", true},       {" 2012", true},       {"+2012", true},        {"-1", true},
            {"$7DC", true},       {"0x7dc", true},       {"0X7DC", true},        {"-$10", true},
            {"2147483647", true}, {"-2147483648", true}, {"$FFFFFFFF", true},    {"0", true},
            {"", false},          {"  ", false},         {"2012 ", false},       {"20a", false},
            {"abc", false},       {"12.0", false},       {"+", false},           {"$", false},
            {"0x", false},        {"2147483648", false}, {"-2147483649", false}, {"$100000000", false},
            {"\t2012", false},    {"２０１２", false},   {"1e3", false},         {"+-1", false},
        };
        for (const auto& [text, integer] : cases)
            QTest::newRow(text[0] ? text : "empty") << QString::fromUtf8(text) << integer;
    }
    void isInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, integer);
        QCOMPARE(analysis::isInteger(text), integer);
    }

    // Letters are refused and asked again with the same text; Cancel keeps the text; a year
    // with a leading blank goes into the statement as typed.
    void yearPrompt()
    {
        LedgerFixture f(sampleLedger);
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        f.dialogs().answerInput(QStringLiteral("abc"));
        f.dialogs().answerInput(std::nullopt);
        f.dialogs().answerInput(QStringLiteral(" 2012"));
        QTest::mouseClick(form.btnAnalySpendMonth, Qt::LeftButton);
        QStringList opened;
        for (const auto& shown : f.dialogs().shown())
            if (shown.kind == ui::ScriptedDialogs::Kind::Input && shown.title != QStringLiteral("請輸入密碼"))
                opened << shown.title + u'|' + shown.text + u'|' + shown.value;
        QCOMPARE(opened, QStringList({QStringLiteral("請輸西元年|西元 :|2012"),
                                      QStringLiteral("請輸西元年|西元 :|abc"),
                                      QStringLiteral("請輸西元年|西元 :|abc")}));
        QCOMPARE(f.dialogs().messages(), QStringList(2, QStringLiteral("請輸入正確西元年份, Ex: 2011")));
        QCOMPARE(form.Chart1->title(), QStringLiteral("月支出 - 總合"));
        QCOMPARE(pointsOf(*form.Series1), QStringLiteral("1月=2030;3月=50"));

        // Cancel on the first prompt runs the analysis for this year (2012 by the test's clock).
        f.dialogs().answerInput(std::nullopt);
        QTest::mouseClick(form.btnAnalySaveMonth, Qt::LeftButton);
        QCOMPARE(form.Chart1->title(), QStringLiteral("月收入"));
        QCOMPARE(pointsOf(*form.Series1), QStringLiteral("1月=1000"));
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPagerChar);
    }

    void ledgerAnalyses_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("year"); // the prompt's answer; empty without a prompt
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("points");
        // A category whose amounts are all empty adds no bar and no error box.
        QTest::newRow("expense by category") << "btnAnalySpendType"
                                             << ""
                                             << "支出"
                                             << "交通=2030;食物=150";
        QTest::newRow("expense maximum by category") << "btnAnalySpendTypeMax"
                                                     << ""
                                                     << "支出(Max)"
                                                     << "交通=2000;食物=100";
        QTest::newRow("expense by year") << "btnAnalySpendYear"
                                         << ""
                                         << "年支出 - 總合"
                                         << "2011年=100;2012年=2080";
        QTest::newRow("expense by month") << "btnAnalySpendMonth"
                                          << "2011"
                                          << "月支出 - 總合"
                                          << "3月=100";
        QTest::newRow("income by category") << "btnAnalySaveType"
                                            << ""
                                            << "收入"
                                            << "獎金=500;薪資=1000";
        QTest::newRow("income maximum by category") << "btnAnalySaveTypeMax"
                                                    << ""
                                                    << "收入(Max)"
                                                    << "獎金=500;薪資=1000";
        QTest::newRow("income by year") << "btnAnalySaveYear"
                                        << ""
                                        << "年收入總合"
                                        << "2011年=500;2012年=1000";
        QTest::newRow("income by month") << "btnAnalySaveMonth"
                                         << "2011"
                                         << "月收入"
                                         << "5月=500";
        QTest::newRow("settlement by year, expense page") << "btnBalanceYear"
                                                          << ""
                                                          << "收支年結算"
                                                          << "2011年=400;2012年=-1080";
        QTest::newRow("settlement by year, income page") << "btnBalanceYear2"
                                                         << ""
                                                         << "收支年結算"
                                                         << "2011年=400;2012年=-1080";
        // February's one expense has no amount: no bar, and no box.
        QTest::newRow("settlement by month") << "btnBalanceMonth"
                                             << "2012"
                                             << "2012年 收支月結算"
                                             << "1月=-1030;3月=-50";
        QTest::newRow("settlement by month, income page") << "btnBalanceMonth2"
                                                          << "2012"
                                                          << "2012年 收支月結算"
                                                          << "1月=-1030;3月=-50";
    }
    void ledgerAnalyses()
    {
        QFETCH(QString, button);
        QFETCH(QString, year);
        QFETCH(QString, title);
        QFETCH(QString, points);
        LedgerFixture f(sampleLedger);
        TForm1& form = f.form();
        // A line chart before: the bars take its place.
        QTest::mouseClick(form.btnAnalyWeightType, Qt::LeftButton);
        QVERIFY(form.Series2->isActive());
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        if (!year.isEmpty())
            f.dialogs().answerInput(year);
        auto* clicked = form.findChild<ui::ImageButton*>(button);
        QVERIFY(clicked);
        // Twice: the same bars, once.
        for (int run = 0; run < 2; ++run) {
            if (run == 1 && !year.isEmpty())
                f.dialogs().answerInput(year);
            QTest::mouseClick(clicked, Qt::LeftButton);
        }
        QCOMPARE(form.Chart1->title(), title);
        QCOMPARE(pointsOf(*form.Series1), points);
        QVERIFY(form.Series1->isActive());
        QVERIFY(!form.Series2->isActive());
        QVERIFY(form.Series2->points().isEmpty());
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPagerChar);
        QVERIFY(!f.dialogs().answersLeft());
    }

    // Every period with entries on either side has its bar, the other side counted as 0,
    // earliest first; a year with entries on neither side draws nothing and stays on the page.
    void settlementPeriods_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("points");
        const QStringList mixed = {
            entry("save", "2010/04/01", "薪資", "700"),  entry("spend", "2011/02/03", "食物", "120"),
            entry("spend", "2012/05/06", "食物", "80"),  entry("save", "2012/05/07", "薪資", "200"),
            entry("save", "2012/07/01", "獎金", "50.5"), entry("spend", "2012/09/09", "交通", "0.25")};
        QTest::newRow("years: income only, expense only, both") << mixed << "btnBalanceYear"
                                                                << ""
                                                                << "2010年=700;2011年=-120;2012年=170.25";
        QTest::newRow("months of a year: both, income only, expense only") << mixed << "btnBalanceMonth2"
                                                                           << "2012"
                                                                           << "5月=120;7月=50.5;9月=-0.25";
        QTest::newRow("a year of expenses alone") << mixed << "btnBalanceMonth"
                                                  << "2011"
                                                  << "2月=-120";
        QTest::newRow("a year with neither") << mixed << "btnBalanceMonth"
                                             << "2013"
                                             << "";
        QTest::newRow("expenses alone, every year")
            << QStringList{entry("spend", "2010/01/01", "食物", "5")} << "btnBalanceYear2"
            << ""
            << "2010年=-5";
    }
    void settlementPeriods()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, button);
        QFETCH(QString, year);
        QFETCH(QString, points);
        LedgerFixture f(entries);
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSave);
        if (!year.isEmpty())
            f.dialogs().answerInput(year);
        QTest::mouseClick(form.findChild<ui::ImageButton*>(button), Qt::LeftButton);
        QCOMPARE(pointsOf(*form.Series1), points);
        QCOMPARE(form.TabPagerMain->currentWidget(), points.isEmpty() ? form.TabPageSave : form.TabPagerChar);
        QVERIFY(f.dialogs().errors().isEmpty());
    }

    // A result with no rows: some analyses go on to the chart page, others stay.
    void emptyResults_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("chartShown");
        QTest::newRow("category, goes on") << "btnAnalySpendType"
                                           << "支出" << true;
        QTest::newRow("year, stops") << "btnAnalySaveYear"
                                     << "年收入總合" << false;
        QTest::newRow("month, stops") << "btnAnalySpendMonth"
                                      << "月支出 - 總合" << false;
        QTest::newRow("settlement, stops") << "btnBalanceYear"
                                           << "收支年結算" << false;
        QTest::newRow("weight line, goes on") << "btnAnalyWeightType"
                                              << "體重" << true;
        QTest::newRow("extremes, go on") << "btnAnalyMinMax"
                                         << "體重最大/最小)" << true;
        QTest::newRow("monthly average, stops") << "btnAnalyWeightMonthAvg"
                                                << "平均體重(月)" << false;
    }
    void emptyResults()
    {
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(bool, chartShown);
        LedgerFixture f;
        TForm1& form = f.form();
        form.Series1->addPoint(1, QStringLiteral("old"));
        form.TabPagerMain->setCurrentWidget(form.TabPageHealthy);
        f.dialogs().answerInput(std::nullopt);
        QTest::mouseClick(form.findChild<ui::ImageButton*>(button), Qt::LeftButton);
        QCOMPARE(form.Chart1->title(), title);
        QVERIFY(form.Series1->points().isEmpty() && form.Series2->points().isEmpty());
        QCOMPARE(form.TabPagerMain->currentWidget(), chartShown ? form.TabPagerChar : form.TabPageHealthy);
    }

    void weightAnalyses()
    {
        LedgerFixture f(
            {QStringLiteral("insert into weight (日期, 體重, BMI, WHR) values (#2012/01/03#, 72, 23.51, 0)"),
             QStringLiteral(
                 "insert into weight (日期, 體重, BMI, WHR) values (#2012/01/01#, 70, 22.86, 0.8)"),
             QStringLiteral("insert into weight (日期, 體重) values (#2012/01/02#, 72)"),
             QStringLiteral(
                 "insert into weight (日期, 體重, BMI, WHR) values (#2011/06/01#, 80, 26.12, 0.91)")});
        TForm1& form = f.form();
        auto run = [&](ui::ImageButton* button) {
            form.TabPagerMain->setCurrentWidget(form.TabPageHealthy);
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPagerChar);
        };
        run(form.btnAnalyWeightType);
        QCOMPARE(form.Chart1->title(), QStringLiteral("體重"));
        QVERIFY(form.Series2->isActive() && !form.Series1->isActive());
        QCOMPARE(pointsOf(*form.Series2),
                 QStringLiteral("2011/06/01=80;2012/01/01=70;2012/01/02=72;2012/01/03=72"));
        // A record from before the BMI column adds no point and no error box.
        run(form.btnAnalyBMI);
        QCOMPARE(pointsOf(*form.Series2),
                 QStringLiteral("2011/06/01=26.12;2012/01/01=22.86;2012/01/03=23.51"));
        // Records without a WHR, or with 0, are skipped; X stays consecutive.
        run(form.btnAnalyWHR);
        QCOMPARE(pointsOf(*form.Series2), QStringLiteral("2011/06/01=0.91;2012/01/01=0.8"));
        QCOMPARE(form.Series2->points().last().x, 1.0);
        run(form.btnAnalyWeightYearAvg);
        QCOMPARE(form.Chart1->title(), QStringLiteral("平均體重(年)"));
        QCOMPARE(pointsOf(*form.Series1), QStringLiteral("2011年=80;2012年=71.3333333333333"));
        f.dialogs().answerInput(QStringLiteral("2012"));
        run(form.btnAnalyWeightMonthAvg);
        QCOMPARE(pointsOf(*form.Series1), QStringLiteral("1月=71.3333333333333"));
        // The heaviest first, every record tied for it, then the lightest.
        run(form.btnAnalyMinMax);
        QCOMPARE(form.Chart1->title(), QStringLiteral("體重最大/最小)"));
        QCOMPARE(pointsOf(*form.Series1), QStringLiteral("2011/06/01=80;2012/01/01=70"));
        form.Connection->execute(QStringLiteral("update weight set 體重 = 80 where 日期 = #2012/01/03#"));
        run(form.btnAnalyMinMax);
        QCOMPARE(pointsOf(*form.Series1).split(u';').size(), 3);
        QVERIFY(!form.Series2->isActive());
    }

    // A statement the engine refuses (a year in hexadecimal) leaves the chart and the page.
    void refusedStatementLeavesTheChart()
    {
        LedgerFixture f(sampleLedger);
        TForm1& form = f.form();
        QTest::mouseClick(form.btnAnalySpendType, Qt::LeftButton);
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        f.dialogs().expectErrors();
        f.dialogs().answerInput(QStringLiteral("$7DC"));
        QTest::mouseClick(form.btnAnalySpendMonth, Qt::LeftButton);
        QCOMPARE(f.dialogs().errors().size(), 1);
        QCOMPARE(form.Chart1->title(), QStringLiteral("支出"));
        QCOMPARE(pointsOf(*form.Series1), QStringLiteral("交通=2030;食物=150"));
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPageSpend);
    }

    // What a person sees: the value under the pointer, labels that never overlap, negative bars
    // below zero with their marks.
    void chartAsPeopleSeeIt()
    {
        ui::Chart chart;
        chart.resize(900, 500);
        chart.series(0).addPoint(400, QStringLiteral("2011年"));
        chart.series(0).addPoint(-1080, QStringLiteral("2012年"));
        ui::Chart::Layout layout = chart.layout();
        QCOMPARE(chart.toolTipAt(layout.bars[0].center().toPoint()), QStringLiteral("2011年 : 400"));
        QCOMPARE(chart.toolTipAt(layout.marks[1].center().toPoint()), QStringLiteral("2012年 : -1080"));
        QCOMPARE(chart.toolTipAt(QPoint(2, 2)), QString());
        QCOMPARE(layout.bars[0].bottom(), layout.bars[1].top()); // both stand on the zero line
        QVERIFY(layout.marks[1].top() > layout.bars[1].bottom());
        QVERIFY(layout.title.width() >= QFontMetrics(chart.font()).horizontalAdvance(chart.title()));

        chart.series(0).setActive(false);
        QDate day(2012, 1, 1);
        for (int i = 0; i < 2000; ++i, day = day.addDays(1))
            chart.series(1).addPoint(60 + i % 7, day.toString(QStringLiteral("yyyy/MM/dd")));
        layout = chart.layout();
        QVERIFY(layout.labelBoxes.size() > 5);
        for (qsizetype i = 0; i < layout.labelBoxes.size(); ++i)
            for (qsizetype j = i + 1; j < layout.labelBoxes.size(); ++j)
                QVERIFY2(!layout.labelBoxes[i].intersects(layout.labelBoxes[j]),
                         qPrintable(layout.labelTexts[i] + QStringLiteral(" / ") + layout.labelTexts[j]));
        QCOMPARE(chart.toolTipAt(layout.linePoints[1999].toPoint()),
                 day.addDays(-1).toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" : ") +
                     QString::number(60 + 1999 % 7));
    }
};

QTEST_MAIN(TestAnalysis)
#include "test_analysis.moc"
