#include "ScriptedDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <stdexcept>

namespace ui {

namespace {

QString describe(const ScriptedDialogs::Shown& shown)
{
    switch (shown.kind) {
    case ScriptedDialogs::Kind::Input:
        return QStringLiteral("input box: %1 %2").arg(shown.title, shown.text);
    case ScriptedDialogs::Kind::Confirm:
        return QStringLiteral("delete confirmation box: ") + shown.text;
    case ScriptedDialogs::Kind::Question:
        return QStringLiteral("question box: ") + shown.text;
    case ScriptedDialogs::Kind::Error:
        return QStringLiteral("error box: ") + shown.text;
    case ScriptedDialogs::Kind::SaveFile:
        return QStringLiteral("save box: %1 %2").arg(shown.title, shown.value);
    case ScriptedDialogs::Kind::Message:
        break;
    }
    return QStringLiteral("message box: ") + shown.text;
}

} // namespace

void ScriptedDialogs::unanswered(const Shown& shown)
{
    const QString what = describe(shown);
    if (!m_unexpected)
        throw std::logic_error(("scripted dialogs: no answer waiting for the " + what).toStdString());
    // The same box again, with nothing answered since: the program asks again after Cancel
    // and would go on asking.
    if (m_lastUnanswered == what)
        throw std::logic_error(("scripted dialogs: the unanswered " + what + " came back").toStdString());
    m_lastUnanswered = what;
    m_unexpected(QStringLiteral("unexpected ") + what);
}

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
    const Shown shown{Kind::Input, title, prompt, value, masked};
    show(shown);
    if (m_inputs.empty()) {
        unanswered(shown);
        return false;
    }
    answered();
    std::optional<QString> answer = std::move(m_inputs.front());
    m_inputs.pop_front();
    if (!answer)
        return false;
    value = answer->left(255);
    return true;
}

Answer ScriptedDialogs::confirmDelete(const QString& title, const QString& body)
{
    const Shown shown{Kind::Confirm, title, body, QString(), false};
    show(shown);
    if (m_confirms.empty()) {
        unanswered(shown);
        return Answer::Cancel;
    }
    answered();
    const Answer answer = m_confirms.front();
    m_confirms.pop_front();
    return answer;
}

bool ScriptedDialogs::confirm(const QString& text)
{
    const Shown shown{Kind::Question, QString(), text, QString(), false};
    show(shown);
    if (m_questions.empty()) {
        unanswered(shown);
        return false;
    }
    answered();
    const bool ok = m_questions.front();
    m_questions.pop_front();
    return ok;
}

void ScriptedDialogs::error(const QString& text)
{
    const Shown shown{Kind::Error, QString(), text, QString(), false};
    show(shown);
    if (m_unexpected && !m_errorsExpected)
        m_unexpected(QStringLiteral("unexpected ") + describe(shown));
}

QStringList ScriptedDialogs::texts(Kind kind) const
{
    QStringList result;
    for (const Shown& shown : m_shown)
        if (shown.kind == kind)
            result << shown.text;
    return result;
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& suggested, const QString&)
{
    const Shown shown{Kind::SaveFile, title, QString(), suggested};
    show(shown);
    if (m_saveFiles.empty()) {
        unanswered(shown);
        return {};
    }
    answered();
    QString path = m_saveFiles.front();
    m_saveFiles.pop_front();
    return path;
}

} // namespace ui
