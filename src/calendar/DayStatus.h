#pragma once

#include <QDate>
#include <QString>

// What the daily calendar computes and shows for a day.
namespace calendar {

// "select sum(金額) as 收入 from save where 日期 = #yyyy/MM/dd#" and its expense twin.
QString incomeOfDayStatement(const QDate& day);
QString expenseOfDayStatement(const QDate& day);

// The badge fill of a net amount: 30000 for a surplus, 4000 for a deficit, as colour values
// whose low byte is the red, then green, then blue.
int fillOfNet(qint32 net);
// The red, green and blue of such a colour value.
struct Rgb
{
    int red, green, blue;
};
Rgb rgbOf(int value);

} // namespace calendar
