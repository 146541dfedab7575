#include "DayStatus.h"

namespace calendar {

namespace {

QString dateText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy/MM/dd"));
}

} // namespace

QString incomeOfDayStatement(const QDate& day)
{
    return QStringLiteral("select sum(金額) as 收入 from save where 日期 = #") + dateText(day) + u'#';
}

QString expenseOfDayStatement(const QDate& day)
{
    return QStringLiteral("select sum(金額) as 支出 from spend where 日期 = #") + dateText(day) + u'#';
}

int fillOfNet(qint32 net)
{
    return net > 0 ? 30000 : 4000;
}

Rgb rgbOf(int value)
{
    return {value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff};
}

} // namespace calendar
