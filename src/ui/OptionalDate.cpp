#include "OptionalDate.h"

#include <QCalendarWidget>
#include <QEvent>

namespace ui {

namespace {

const QDate openDate(1900, 1, 1);

} // namespace

OptionalDate::OptionalDate(QWidget* parent) : QDateEdit(parent)
{
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setMinimumDate(openDate);
    setSpecialValueText(QStringLiteral("不限"));
    setCalendarPopup(true);
    setDate(openDate);
    calendarWidget()->installEventFilter(this);
}

std::optional<QDate> OptionalDate::value() const
{
    if (date() == openDate)
        return std::nullopt;
    return date();
}

void OptionalDate::clear()
{
    setDate(openDate);
}

bool OptionalDate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == calendarWidget() && event->type() == QEvent::Show && !value()) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
    return QDateEdit::eventFilter(watched, event);
}

} // namespace ui
