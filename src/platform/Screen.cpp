#include "Screen.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace platform {

QImage copyOfWindowArea(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QPoint origin = screen->geometry().topLeft();
    QImage image =
        screen->grabWindow(0, frame.x() - origin.x(), frame.y() - origin.y(), frame.width(), frame.height())
            .toImage();
    // Where the platform cannot read the screen (no display server), the window draws itself.
    if (image.isNull() || image.size() != frame.size() * screen->devicePixelRatio())
        image = const_cast<QWidget*>(window)->grab().toImage();
    return image;
}

} // namespace platform
