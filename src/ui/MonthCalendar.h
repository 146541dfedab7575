#pragma once

#include <QCalendarWidget>
#include <QFont>
#include <functional>
#include <vector>

namespace ui {

// How a day's badge looks; the status handler gets a fresh copy for every day.
struct BadgeAppearance
{
    QColor fill = QColor(255, 0, 0);
    QColor border = QColor(128, 128, 128);
    QColor text = QColor(255, 255, 255);
    QString fontFamily = QStringLiteral("Tahoma");
    int fontPixels = 11;
    int spacing = 0;
};

// A month calendar that asks, every time it paints its days, for each day of the shown month
// in order, whether that day carries a badge and how it looks. Days of the neighbouring
// months are not shown.
class MonthCalendar : public QCalendarWidget
{
    Q_OBJECT

public:
    // date in; status text, badge and offsets in and out. A non-empty status draws a badge.
    using StatusRequest = std::function<void(const QDate& date, QString& status, BadgeAppearance& badge,
                                             int& offsetX, int& offsetY)>;

    explicit MonthCalendar(QWidget* parent = nullptr);

    void setStatusRequest(StatusRequest request) { m_request = std::move(request); }
    BadgeAppearance& badgeAppearance() { return m_badge; }
    void setBadgeAppearance(const BadgeAppearance& badge) { m_badge = badge; }

    // Where the badge of a day with the given status would be drawn in a cell, before offsets.
    QRect defaultBadgeRect(const QRect& cell, const QString& status) const;
    // The badge of each day of the shown month as the last paint left it (index 0 is day 1).
    struct DayBadge
    {
        QString status;
        BadgeAppearance badge;
        int offsetX = 0;
        int offsetY = 0;
    };
    const std::vector<DayBadge>& lastBadges() const { return m_days; }
    // Asks for every day of the shown month, as a paint does.
    void requestStatuses();
    // Paints the days once more when the present paint is over, which asks for every day again;
    // asked several times during one paint, it paints once.
    void repaintDaysAfterThisPaint();

Q_SIGNALS:
    void monthChanged(int month);

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StatusRequest m_request;
    BadgeAppearance m_badge;
    std::vector<DayBadge> m_days;
    QWidget* m_viewport = nullptr;
    bool m_repaintAsked = false;
};

} // namespace ui
