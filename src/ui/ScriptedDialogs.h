#pragma once

#include "Dialogs.h"

#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

namespace ui {

// Dialogs for tests and benchmarks: every box shown is recorded, and the answers come from
// queues. A box that finds no answer waiting throws, so a test never hangs on a prompt, unless
// a handler for unexpected boxes is set (see setUnexpectedBoxHandler).
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind
    {
        Message,
        Input,
        Confirm,
        Question,
        Error,
        SaveFile
    };
    struct Shown
    {
        Kind kind;
        QString title;
        QString text;
        QString value; // the value an input box opened with
        bool masked = false;
    };

    void message(const QString& text) override;
    bool input(const QString& title, const QString& prompt, QString& value, bool masked) override;
    Answer confirmDelete(const QString& title, const QString& body) override;
    bool confirm(const QString& text) override;
    void error(const QString& text) override;
    QString saveFileName(const QString& title, const QString& suggested, const QString& filter) override;

    // An input answer: the text typed and OK, or std::nullopt for Cancel.
    void answerInput(std::optional<QString> answer) { m_inputs.push_back(std::move(answer)); }
    void answerConfirm(Answer answer) { m_confirms.push_back(answer); }
    void answerQuestion(bool ok) { m_questions.push_back(ok); }
    // A save box's answer: the path chosen, or empty for Cancel.
    void answerSaveFile(const QString& path) { m_saveFiles.push_back(path); }
    // Each box then takes the keyboard focus while it is up, in a window of its own, as a real
    // modal box does.
    void setTakesFocus(bool takes) { m_takesFocus = takes; }

    // Called with "unexpected <kind> box: <text>" for a box that finds no answer waiting, and
    // for an error box unless errors are expected. A box without an answer then gets the one
    // Cancel gives, so the program goes on; only the same box coming back with nothing answered
    // in between still throws, since the program would ask for ever.
    void setUnexpectedBoxHandler(std::function<void(const QString&)> handler)
    {
        m_unexpected = std::move(handler);
    }
    // Error boxes are part of what the caller checks from now on, not failures.
    void expectErrors() { m_errorsExpected = true; }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts(Kind kind) const;
    QStringList messages() const { return texts(Kind::Message); }
    QStringList errors() const { return texts(Kind::Error); }
    void clear() { m_shown.clear(); }
    bool answersLeft() const
    {
        return !m_inputs.empty() || !m_confirms.empty() || !m_questions.empty() || !m_saveFiles.empty();
    }

private:
    void show(Shown shown);
    // Reports a box that found no answer waiting; throws where no handler is set.
    void unanswered(const Shown& shown);
    void answered() { m_lastUnanswered.reset(); }

    bool m_takesFocus = false;
    bool m_errorsExpected = false;
    std::optional<QString> m_lastUnanswered; // since the last box that found its answer
    std::function<void(const QString&)> m_unexpected;
    QList<Shown> m_shown;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<Answer> m_confirms;
    std::deque<bool> m_questions;
    std::deque<QString> m_saveFiles;
};

} // namespace ui
