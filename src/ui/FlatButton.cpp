#include "FlatButton.h"

namespace ui {

FlatButton::FlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid #5a8dc8; border-radius: 4px; padding: 4px 14px;"
                       " background: #e8f1fb; } QPushButton:hover { background: #d6e9fa; }"
                       " QPushButton:pressed { background: #9cc3e6; }"));
}

} // namespace ui
