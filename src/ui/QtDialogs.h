#pragma once

#include "Dialogs.h"

namespace ui {

// The dialogs a person sees: Qt message boxes and the input box.
class QtDialogs : public Dialogs
{
public:
    void message(const QString& text) override;
    bool input(const QString& title, const QString& prompt, QString& value, bool masked) override;
    Answer confirmDelete(const QString& title, const QString& body) override;
    bool confirm(const QString& text) override;
    void error(const QString& text) override;
    QString saveFileName(const QString& title, const QString& suggested, const QString& filter) override;
};

} // namespace ui
