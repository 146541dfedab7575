#pragma once

#include <QIcon>

namespace platform {

// The program's icon, for its windows and its tray icon: the same picture the desktop's menu
// shows, at each size it is drawn in.
QIcon programIcon();

} // namespace platform
