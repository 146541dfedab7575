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

// The window started with scripted dialogs: the password prompt is answered from the given
// inputs (std::nullopt for Cancel). The dialogs stay installed while the object lives.
class StartedForm
{
public:
    explicit StartedForm(const QList<std::optional<QString>>& inputs = {password});
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
