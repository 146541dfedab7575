#pragma once

#include <QIcon>
#include <QString>
#include <memory>

class QSystemTrayIcon;

namespace platform {

// The window's icon in the notification area, driven by the add, modify and remove
// requests the window has always sent.
class Tray
{
public:
    static constexpr int tipLimit = 128; // bytes, the terminator included
    enum Action
    {
        Add = 0,
        Modify = 1,
        Remove = 2
    };

    Tray();
    ~Tray();

    // Returns whether the notification area took the request.
    bool request(Action action, const QIcon& icon = QIcon(), const QString& tip = QString());
    // The icon was added and not yet removed.
    bool exists() const;
    // The icon sits in a notification area now; one may come and go while the program runs.
    bool inNotificationArea() const;
    QString tip() const;
    QSystemTrayIcon* icon() const { return m_icon.get(); }

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace platform
