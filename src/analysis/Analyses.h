#pragma once

#include <QString>
#include <QStringList>

// The analyses, each a row of data for the one chart procedure.
namespace analysis {

enum class Layout
{
    Bar,
    Line
};
enum class YearPrompt
{
    None,
    Ask
};

struct Analysis
{
    YearPrompt year = YearPrompt::None;
    // The statements; "%1" stands for the year text where the analysis asks for one.
    QStringList statements;
    Layout layout = Layout::Bar;
    QString valueField;
    QString labelField;
    QString labelSuffix;
    QString title; // "%1" stands for the year text where the title names it
    bool stopsWhenEmpty = false;
    bool skipsNoValue = false; // a text form of "" or "0" adds no point (the WHR line)
};

// The statement with the year text put in as typed.
QString withYear(const QString& statement, const QString& year);

// Income and expense: by category, maximum by category, by month of a year, by year.
Analysis spendByType();
Analysis spendMaxByType();
Analysis spendByMonth();
Analysis spendByYear();
Analysis saveByType();
Analysis saveMaxByType();
Analysis saveByMonth();
Analysis saveByYear();
// Income against expense, by year and by month of a year.
Analysis balanceByYear();
Analysis balanceByMonth();
// Weight, BMI and WHR by date; the weight's averages and extremes.
Analysis weightByDate();
Analysis bmiByDate();
Analysis whrByDate();
Analysis weightMonthAverage();
Analysis weightYearAverage();
Analysis weightExtremes();

} // namespace analysis
