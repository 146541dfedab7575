#include "ScriptedDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <stdexcept>

namespace ui {

void ScriptedDialogs::show(Shown shown)
{
    m_shown.append(shown);
    if (!m_takesFocus)
        return;
    QPointer<QWidget> active = QApplication::activeWindow();
    QLineEdit box;
    box.setWindowTitle(shown.title);
    box.show();
    QApplication::setActiveWindow(&box);
    box.setFocus(Qt::ActiveWindowFocusReason);
    QApplication::processEvents();
    box.hide();
    // The window gets the focus back later, as a window manager gives it: to whichever of its
    // widgets held it last, if that one is still there.
    QMetaObject::invokeMethod(
        qApp,
        [active] {
            if (active)
                QApplication::setActiveWindow(active);
        },
        Qt::QueuedConnection);
}

void ScriptedDialogs::message(const QString& text)
{
    show({Kind::Message, QString(), text, QString(), false});
}

bool ScriptedDialogs::input(const QString& title, const QString& prompt, QString& value, bool masked)
{
    show({Kind::Input, title, prompt, value, masked});
    if (m_inputs.empty())
        throw std::logic_error("scripted dialogs: an input box found no answer waiting");
    std::optional<QString> answer = std::move(m_inputs.front());
    m_inputs.pop_front();
    if (!answer)
        return false;
    value = answer->left(255);
    return true;
}

Answer ScriptedDialogs::confirmDelete(const QString& title, const QString& body)
{
    show({Kind::Confirm, title, body, QString(), false});
    if (m_confirms.empty())
        throw std::logic_error("scripted dialogs: a confirmation found no answer waiting");
    const Answer answer = m_confirms.front();
    m_confirms.pop_front();
    return answer;
}

bool ScriptedDialogs::confirm(const QString& text)
{
    show({Kind::Question, QString(), text, QString(), false});
    if (m_questions.empty())
        throw std::logic_error("scripted dialogs: a question found no answer waiting");
    const bool ok = m_questions.front();
    m_questions.pop_front();
    return ok;
}

void ScriptedDialogs::error(const QString& text)
{
    show({Kind::Error, QString(), text, QString(), false});
}

QStringList ScriptedDialogs::texts(Kind kind) const
{
    QStringList result;
    for (const Shown& shown : m_shown)
        if (shown.kind == kind)
            result << shown.text;
    return result;
}

} // namespace ui
