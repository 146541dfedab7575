#pragma once

#include <Qt>

namespace ui {

// The keys the grids' handlers act on, as Qt gives them: Delete, or the keypad's decimal point
// beside it (a period or a comma, after the keyboard's layout), deletes the current row.
inline bool isDeleteKey(int key, Qt::KeyboardModifiers modifiers)
{
    return key == Qt::Key_Delete ||
           ((modifiers & Qt::KeypadModifier) && (key == Qt::Key_Period || key == Qt::Key_Comma));
}

// Return, or Enter on the keypad.
inline bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace ui
