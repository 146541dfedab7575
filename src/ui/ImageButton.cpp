#include "ImageButton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ui {

ImageButton::ImageButton(const QString& caption, QWidget* parent) : QAbstractButton(parent)
{
    setText(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QFont badge = font();
    badge.setPixelSize(badgeFontPixels);
    badge.setBold(true);
    setFont(badge);
    setPicture(QStringLiteral("document-new"), QStyle::SP_FileIcon);
}

void ImageButton::setPicture(const QString& themeName, QStyle::StandardPixmap fallback)
{
    setIcon(QIcon::fromTheme(themeName, style()->standardIcon(fallback)));
}

QSize ImageButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int badgeWidth = metrics.horizontalAdvance(text()) + 20;
    return QSize(qMax(76, badgeWidth), 72);
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect area = rect();
    const QFontMetrics metrics(font());
    const int badgeHeight = metrics.height() + 6;
    const QRect badge(area.left() + 1, area.bottom() - badgeHeight, area.width() - 2, badgeHeight);
    const int pictureSide = qMax(16, qMin(area.height() - badgeHeight - 6, 40));
    const QRect picture(area.center().x() - pictureSide / 2, area.top() + 2, pictureSide, pictureSide);
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : (m_hovered ? QIcon::Active : QIcon::Normal);
    // Small standard pictures are scaled up to fill their place.
    const QPixmap pixmap = icon().pixmap(QSize(96, 96), devicePixelRatioF(), mode);
    if (!pixmap.isNull())
        painter.drawPixmap(picture, pixmap.scaled(picture.size() * devicePixelRatioF(), Qt::KeepAspectRatio,
                                                  Qt::SmoothTransformation));

    QPainterPath path;
    path.addRoundedRect(QRectF(badge).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    const QColor face = isDown()    ? QColor(0x9c, 0xc3, 0xe6)
                        : m_hovered ? QColor(0xd6, 0xe9, 0xfa)
                                    : QColor(0xe8, 0xf1, 0xfb);
    painter.fillPath(path, face);
    painter.fillPath(path, QBrush(QColor(0x5a, 0x8d, 0xc8, 60), Qt::BDiagPattern));
    painter.setPen(QPen(QColor(0x5a, 0x8d, 0xc8), hasFocus() ? 2 : 1));
    painter.drawPath(path);
    painter.setPen(isEnabled() ? QColor(0x1d, 0x33, 0x57)
                               : palette().color(QPalette::Disabled, QPalette::WindowText));
    painter.drawText(badge, Qt::AlignCenter, text());
}

void ImageButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace ui
