#pragma once

#include <Qt>

class QKeyEvent;

namespace ui {

// The key codes the handlers have always looked at.
namespace vk {
inline constexpr int Back = 8;
inline constexpr int Return = 13;
inline constexpr int Delete = 46;
inline constexpr int Decimal = 110; // the keypad's decimal point
} // namespace vk

// The virtual key code of a key press; 0 for keys the program has no code for.
int virtualKey(const QKeyEvent* event);

} // namespace ui
