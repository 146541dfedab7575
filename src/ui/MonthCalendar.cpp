#include "MonthCalendar.h"

#include "ui/Guard.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QTableView>
#include <QTextCharFormat>

namespace ui {

MonthCalendar::MonthCalendar(QWidget* parent) : QCalendarWidget(parent)
{
    setLocale(QLocale(QLocale::Chinese, QLocale::Taiwan));
    setFirstDayOfWeek(Qt::Monday);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setGridVisible(true);
    setCurrentPage(2012, 1);
    QTextCharFormat weekend;
    weekend.setForeground(QColor(0xb0, 0x30, 0x30));
    setWeekdayTextFormat(Qt::Saturday, weekend);
    setWeekdayTextFormat(Qt::Sunday, weekend);
    connect(this, &QCalendarWidget::currentPageChanged, this,
            [this](int, int month) { Q_EMIT monthChanged(month); });
    if (auto* view = findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        m_viewport = view->viewport();
        m_viewport->installEventFilter(this);
    }
}

void MonthCalendar::requestStatuses()
{
    const QDate first(yearShown(), monthShown(), 1);
    const int days = first.daysInMonth();
    m_days.assign(size_t(days), DayBadge());
    if (!m_request)
        return;
    for (int day = 1; day <= days; ++day) {
        DayBadge& entry = m_days[size_t(day - 1)];
        entry.badge = m_badge;
        bool failed = false;
        try {
            m_request(first.addDays(day - 1), entry.status, entry.badge, entry.offsetX, entry.offsetY);
        } catch (...) {
            // The error ends this paint's requests; it is shown once the paint is over.
            auto error = std::current_exception();
            QMetaObject::invokeMethod(
                this, [error] { ui::showEscapedError(error); }, Qt::QueuedConnection);
            entry = DayBadge();
            failed = true;
        }
        if (failed)
            break;
    }
}

void MonthCalendar::repaintDaysAfterThisPaint()
{
    if (m_repaintAsked)
        return;
    m_repaintAsked = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_repaintAsked = false;
            if (m_viewport)
                m_viewport->update();
            else
                update();
        },
        Qt::QueuedConnection);
}

bool MonthCalendar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_viewport && event->type() == QEvent::Paint)
        requestStatuses();
    return QCalendarWidget::eventFilter(watched, event);
}

QRect MonthCalendar::defaultBadgeRect(const QRect& cell, const QString& status) const
{
    QFont font(m_badge.fontFamily);
    font.setPixelSize(m_badge.fontPixels);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(status) + 8;
    const int height = metrics.height() + 2;
    // At the cell's top right corner.
    return QRect(cell.right() - 2 - width, cell.top() + 2, width, height);
}

void MonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const
{
    if (date.month() != monthShown() || date.year() != yearShown()) {
        painter->fillRect(rect, palette().color(QPalette::Base));
        return;
    }
    QCalendarWidget::paintCell(painter, rect, date);
    const size_t index = size_t(date.day() - 1);
    if (index >= m_days.size() || m_days[index].status.isEmpty())
        return;
    const DayBadge& day = m_days[index];
    QRect badge = defaultBadgeRect(rect, day.status).translated(day.offsetX, day.offsetY);
    // Keep the badge inside its own cell.
    badge.moveLeft(
        qBound(rect.left() + 1, badge.left(), qMax(rect.left() + 1, rect.right() - badge.width())));
    badge.moveTop(qBound(rect.top() + 1, badge.top(), qMax(rect.top() + 1, rect.bottom() - badge.height())));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(day.badge.border);
    painter->setBrush(day.badge.fill);
    painter->drawRoundedRect(badge, 3, 3);
    QFont font(day.badge.fontFamily);
    font.setPixelSize(day.badge.fontPixels);
    painter->setFont(font);
    painter->setPen(day.badge.text);
    painter->drawText(badge, Qt::AlignCenter, day.status);
    painter->restore();
}

} // namespace ui
