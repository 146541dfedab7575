#include "Tray.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace platform {

Tray::Tray() = default;

Tray::~Tray() = default;

bool Tray::request(Action action, const QIcon& icon, const QString& tip)
{
    switch (action) {
    case Add:
        if (m_icon)
            return false;
        // The icon goes on screen with its picture, at the modify request.
        m_icon = std::make_unique<QSystemTrayIcon>();
        return QSystemTrayIcon::isSystemTrayAvailable();
    case Modify: {
        if (!m_icon)
            return false;
        QByteArray bytes = tip.toUtf8();
        if (bytes.size() > tipLimit - 1)
            bytes.truncate(tipLimit - 1);
        m_icon->setIcon(icon);
        m_icon->setToolTip(QString::fromUtf8(bytes));
        // Shown even with no notification area yet: on X11 one that starts later takes the icon
        // in. Elsewhere (the offscreen platform of the tests) none can come.
        if (QSystemTrayIcon::isSystemTrayAvailable() ||
            QGuiApplication::platformName() == QLatin1String("xcb"))
            m_icon->show();
        return QSystemTrayIcon::isSystemTrayAvailable();
    }
    case Remove:
        if (!m_icon)
            return false;
        m_icon.reset();
        return true;
    }
    return false;
}

bool Tray::exists() const
{
    return m_icon != nullptr;
}

bool Tray::inNotificationArea() const
{
    // Asked to show, and a notification area there to show it (a desktop's own tray host gives
    // no geometry, so that says nothing).
    return m_icon && m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

QString Tray::tip() const
{
    return m_icon ? m_icon->toolTip() : QString();
}

} // namespace platform
