#pragma once

#include "EngineSupport.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

class TForm1;

namespace ui {
class ScriptedDialogs;
}

namespace testing {

// Whether a test takes error boxes as part of what it checks, or each one as a failure.
enum class ErrorBoxes
{
    Fail,
    Expected
};

// Scripted dialogs that fail the running test at once, naming the box, when a box finds no
// answer waiting (it is then answered as Cancel would answer it) and when an error box comes
// that the test did not expect. Outside a test they end the process instead.
std::unique_ptr<ui::ScriptedDialogs> scriptedDialogs(ErrorBoxes errors = ErrorBoxes::Fail);

// The window started with scripted dialogs: the password prompt is answered from the given
// inputs (std::nullopt for Cancel). The dialogs stay installed while the object lives.
class StartedForm
{
public:
    explicit StartedForm(const QList<std::optional<QString>>& inputs = {password},
                         ErrorBoxes errors = ErrorBoxes::Fail);
    ~StartedForm();
    TForm1& form() const { return *m_form; }
    ui::ScriptedDialogs& dialogs() const { return *m_dialogs; }
    // Closes the window as the user would, which releases finance.mdb.
    void close();

private:
    ui::ScriptedDialogs* m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

} // namespace testing
