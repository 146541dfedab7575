#include "LargeLabel.h"

namespace ui {

LargeLabel::LargeLabel(const QString& text, Qt::Alignment alignment, QWidget* parent) : QLabel(text, parent)
{
    QFont large = font();
    large.setPixelSize(fontPixels);
    large.setBold(true);
    setFont(large);
    setAlignment(alignment);
}

} // namespace ui
