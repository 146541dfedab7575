// Which analysis each button of the income, expense and health pages runs.
#include "app/TForm1.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"

void TForm1::BindAnalysisEvents()
{
    const std::pair<ui::ImageButton*, void (TForm1::*)()> buttons[] = {
        {btnAnalySpendType, &TForm1::btnAnalySpendTypeClick},
        {btnAnalySpendTypeMax, &TForm1::btnAnalySpendTypeMaxClick},
        {btnAnalySpendMonth, &TForm1::btnAnalySpendMonthClick},
        {btnAnalySpendYear, &TForm1::btnAnalySpendYearClick},
        {btnAnalySaveType, &TForm1::btnAnalySaveTypeClick},
        {btnAnalySaveTypeMax, &TForm1::btnAnalySaveTypeMaxClick},
        {btnAnalySaveMonth, &TForm1::btnAnalySaveMonthClick},
        {btnAnalySaveYear, &TForm1::btnAnalySaveYearClick},
        {btnBalanceYear, &TForm1::btnBalanceYearClick},
        {btnBalanceYear2, &TForm1::btnBalanceYearClick},
        {btnBalanceMonth, &TForm1::btnBalanceMonthClick},
        {btnBalanceMonth2, &TForm1::btnBalanceMonthClick},
        {btnAnalyWeightType, &TForm1::btnAnalyWeightTypeClick},
        {btnAnalyBMI, &TForm1::btnAnalyBMIClick},
        {btnAnalyWHR, &TForm1::btnAnalyWHRClick},
        {btnAnalyWeightMonthAvg, &TForm1::btnAnalyWeightMonthAvgClick},
        {btnAnalyWeightYearAvg, &TForm1::btnAnalyWeightYearAvgClick},
        {btnAnalyMinMax, &TForm1::btnAnalyMinMaxClick},
    };
    for (const auto& [button, clickHandler] : buttons)
        connect(button, &QAbstractButton::clicked, this,
                ui::guarded([this, handler = clickHandler] { (this->*handler)(); }));
}
