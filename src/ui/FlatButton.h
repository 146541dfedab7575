#pragma once

#include <QPushButton>

namespace ui {

// A flat button with a text caption.
class FlatButton : public QPushButton
{
    Q_OBJECT

public:
    explicit FlatButton(const QString& caption, QWidget* parent = nullptr);
};

} // namespace ui
