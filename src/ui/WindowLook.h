#pragma once

#include <QFont>
#include <QPixmap>
#include <QSize>

class QWidget;

// The window's look: fonts, colours, page backgrounds, and the sizes of a page inside the pagers.
namespace ui::look {

// The space a page of the main pager, and of an inner pager, offers its controls.
inline constexpr int pageWidth = 1066;
inline constexpr int pageHeight = 646;
inline constexpr int innerWidth = 1058;
inline constexpr int innerHeight = 604;

// Liberation Sans and Noto Sans CJK TC in place of "微軟正黑體", and the style sheet.
void applyTo(QWidget* window);
// "微軟正黑體" 15 pixels bold, for every control without a font of its own: given to the window
// and its controls once they are made.
QFont windowFont();
void applyFont(QWidget* window);
// The font for a box whose lines are compared across: every line one height, Han or digits.
QFont oneFaceForLines(const QFont& base);
QPixmap chartBackground(const QSize& size);

} // namespace ui::look
