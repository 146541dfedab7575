#pragma once

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

// "微軟正黑體" 15 pixels bold for everything, Liberation Sans and Noto Sans CJK TC in its place,
// and the style sheet.
void applyTo(QWidget* window);
QPixmap chartBackground(const QSize& size);

} // namespace ui::look
