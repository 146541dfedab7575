#include "DatePicker.h"

#include <QCalendarWidget>

namespace ui {

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent)
{
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setCalendarPopup(true);
    setLocale(QLocale(QLocale::Chinese, QLocale::Taiwan));
    setDate(QDate::currentDate());
    if (QCalendarWidget* calendar = calendarWidget()) {
        calendar->setFirstDayOfWeek(Qt::Monday);
        calendar->setLocale(locale());
        calendar->setGridVisible(true);
    }
}

QString DatePicker::dateText() const
{
    return date().toString(QStringLiteral("yyyy/MM/dd"));
}

} // namespace ui
