// The daily settlement calendar: each day's net amount as a badge on its cell.
#include "app/TForm1.h"
#include "calendar/DayStatus.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "ui/MonthCalendar.h"

#include <QTabWidget>

namespace {

// A sum read as a whole number: no rows or Null read as 0, a fraction rounds half to even.
qint32 daySum(engine::Query& query, const QString& statement, const QString& column)
{
    query.setSql(statement);
    query.open();
    return query.recordCount() == 0 ? 0 : query.fieldByName(column).asInteger();
}

} // namespace

void TForm1::CalendarDateStatus(const QDate& date, QString& status, ui::BadgeAppearance& badge, int& offsetX,
                                int& offsetY)
{
    if (TabPagerMain->currentWidget() != TabPageCalender)
        return;
    const int day = date.day();
    offsetX = -100;
    offsetY = 20;
    if (DayQueriesLeft != 0) {
        --DayQueriesLeft;
        // The badges show as soon as they are computed: one more paint after a paint that computed.
        Calendar->repaintDaysAfterThisPaint();
        engine::Query query;
        query.setConnection(Connection.get());
        const qint32 income = daySum(query, calendar::incomeOfDayStatement(date), QStringLiteral("收入"));
        const qint32 expense = daySum(query, calendar::expenseOfDayStatement(date), QStringLiteral("支出"));
        DayNet[size_t(day)] = income - expense;
        query.close();
        return;
    }
    const qint32 net = DayNet[size_t(day)];
    if (net == 0)
        return;
    const calendar::Rgb fill = calendar::rgbOf(calendar::fillOfNet(net));
    badge.fill = QColor(fill.red, fill.green, fill.blue);
    status = QString::number(net);
}

void TForm1::CalendarMonthChanged(int)
{
    DayQueriesLeft = 31;
}
