#include "ScriptedDialogs.h"

#include <stdexcept>

namespace ui {

void ScriptedDialogs::message(const QString& text)
{
    m_shown.append({Kind::Message, QString(), text, QString(), false});
}

bool ScriptedDialogs::input(const QString& title, const QString& prompt, QString& value, bool masked)
{
    m_shown.append({Kind::Input, title, prompt, value, masked});
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
    m_shown.append({Kind::Confirm, title, body, QString(), false});
    if (m_confirms.empty())
        throw std::logic_error("scripted dialogs: a confirmation found no answer waiting");
    const Answer answer = m_confirms.front();
    m_confirms.pop_front();
    return answer;
}

bool ScriptedDialogs::confirm(const QString& text)
{
    m_shown.append({Kind::Question, QString(), text, QString(), false});
    if (m_questions.empty())
        throw std::logic_error("scripted dialogs: a question found no answer waiting");
    const bool ok = m_questions.front();
    m_questions.pop_front();
    return ok;
}

void ScriptedDialogs::error(const QString& text)
{
    m_shown.append({Kind::Error, QString(), text, QString(), false});
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
