#pragma once

#include <QImage>

class QWidget;

namespace platform {

// What the screen shows where the window lies, its frame included, with whatever covers it.
QImage copyOfWindowArea(const QWidget* window);

} // namespace platform
