#pragma once

#include <QLabel>

namespace ui {

// A label in large type, its text set to one corner.
class LargeLabel : public QLabel
{
    Q_OBJECT

public:
    LargeLabel(const QString& text, Qt::Alignment alignment, QWidget* parent = nullptr);
    static constexpr int fontPixels = 27;
};

} // namespace ui
