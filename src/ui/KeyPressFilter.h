#pragma once

#include <QObject>
#include <functional>

class QLineEdit;

namespace ui {

// Runs a key-press handler on the characters typed into an edit; what it refuses never
// reaches the edit. A validator keeps pasted and dropped text to the same digits.
class KeyPressFilter : public QObject
{
public:
    KeyPressFilter(QLineEdit* edit, std::function<bool(QChar)> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(QChar)> m_handler;
};

} // namespace ui
