#include "KeyPressFilter.h"

#include "Guard.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace ui {

KeyPressFilter::KeyPressFilter(QLineEdit* edit, std::function<bool(QChar)> handler)
    : QObject(edit), m_handler(std::move(handler))
{
    edit->installEventFilter(this);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
}

bool KeyPressFilter::eventFilter(QObject*, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.isEmpty())
        return false;
    const QChar key = text.front();
    if (!key.isPrint() && key.unicode() != 8)
        return false; // shortcuts such as copy and paste
    bool allowed = true;
    guarded([&] { allowed = m_handler(key); })();
    return !allowed;
}

} // namespace ui
