#include "Dialogs.h"

#include "QtDialogs.h"

namespace ui {

namespace {

std::unique_ptr<Dialogs>& installed()
{
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}

} // namespace

Dialogs& dialogs()
{
    auto& current = installed();
    if (!current)
        current = std::make_unique<QtDialogs>();
    return *current;
}

std::unique_ptr<Dialogs> installDialogs(std::unique_ptr<Dialogs> dialogs)
{
    std::swap(installed(), dialogs);
    return dialogs;
}

bool inputQuery(const QString& title, const QString& prompt, QString& value)
{
    return dialogs().input(title, prompt, value, value == QStringView(placeholderWord));
}

bool passwordQuery(const QString& title, const QString& prompt, QString& value)
{
    return dialogs().input(title, prompt, value, true);
}

void showMessage(const QString& text)
{
    dialogs().message(text);
}

void showError(const QString& text)
{
    dialogs().error(text);
}

Answer confirmDelete(const QString& body)
{
    return dialogs().confirmDelete(QString::fromUtf16(deleteConfirmationTitle), body);
}

bool confirm(const QString& text)
{
    return dialogs().confirm(text);
}

QString saveFileName(const QString& title, const QString& suggested, const QString& filter)
{
    return dialogs().saveFileName(title, suggested, filter);
}

} // namespace ui
