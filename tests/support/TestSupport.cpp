#include "TestSupport.h"

#include "app/TForm1.h"
#include "ui/ScriptedDialogs.h"

namespace testing {

StartedForm::StartedForm(const QList<std::optional<QString>>& inputs)
{
    auto dialogs = std::make_unique<ui::ScriptedDialogs>();
    m_dialogs = dialogs.get();
    for (const auto& input : inputs)
        m_dialogs->answerInput(input);
    ui::installDialogs(std::move(dialogs));
    m_form = std::make_unique<TForm1>();
}

StartedForm::~StartedForm()
{
    m_form.reset();
    ui::installDialogs(nullptr);
}

void StartedForm::close()
{
    m_form->close();
}

} // namespace testing
