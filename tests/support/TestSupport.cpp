#include "TestSupport.h"

#include "app/TForm1.h"
#include "platform/Profile.h"
#include "ui/ScriptedDialogs.h"

#include <QDir>
#include <QTest>

namespace testing {

std::unique_ptr<ui::ScriptedDialogs> scriptedDialogs(ErrorBoxes errors)
{
    auto dialogs = std::make_unique<ui::ScriptedDialogs>();
    dialogs->setUnexpectedBoxHandler([](const QString& what) {
        if (QTest::currentTestFunction())
            QTest::qFail(what.toUtf8().constData(), __FILE__, __LINE__);
        else
            qFatal("%s", what.toUtf8().constData());
    });
    if (errors == ErrorBoxes::Expected)
        dialogs->expectErrors();
    return dialogs;
}

StartedForm::StartedForm(const QList<std::optional<QString>>& inputs, ErrorBoxes errors)
{
    auto dialogs = scriptedDialogs(errors);
    m_dialogs = dialogs.get();
    for (const auto& input : inputs)
        m_dialogs->answerInput(input);
    ui::installDialogs(std::move(dialogs));
    // The window's setting.ini goes to the test's own folder, never beside the test program.
    platform::setSettingsFolder(QDir::currentPath());
    try {
        m_form = std::make_unique<TForm1>();
    } catch (...) {
        ui::installDialogs(nullptr);
        throw;
    }
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
