// The calendar's requests and notifications, answered by the calendar's handlers.
#include "app/TForm1.h"
#include "ui/Guard.h"
#include "ui/MonthCalendar.h"

void TForm1::BindCalendarEvents()
{
    // An error of a request ends that paint; the calendar shows it in the error box.
    Calendar->setStatusRequest(
        [this](const QDate& date, QString& status, ui::BadgeAppearance& badge, int& offsetX, int& offsetY) {
            CalendarDateStatus(date, status, badge, offsetX, offsetY);
        });
    connect(Calendar, &ui::MonthCalendar::monthChanged, this,
            ui::guarded([this](int month) { CalendarMonthChanged(month); }));
}
