#pragma once

#include "TestSupport.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QStringList>
#include <QtTest>

// The window started on finance.mdb in the working directory with one password, as a person
// would start it, written down as lines: every box it showed, one per line ("input <title>",
// "message <text>", "error <text>"), then "running" and what two later actions showed: the
// expense add on an empty form and the expense grid's reload. Shared by the tests and the
// window-probe helper, which runs it in a process of its own.
namespace reliability {

inline QString lineOf(const ui::ScriptedDialogs::Shown& shown)
{
    using Kind = ui::ScriptedDialogs::Kind;
    QString text;
    switch (shown.kind) {
    case Kind::Input:
        text = QStringLiteral("input ") + shown.title;
        break;
    case Kind::Message:
        text = QStringLiteral("message ") + shown.text;
        break;
    case Kind::Error:
        text = QStringLiteral("error ") + shown.text;
        break;
    default:
        text = QStringLiteral("other ") + shown.text;
    }
    return text.replace(u'\n', QLatin1String("\\n"));
}

inline QStringList runWindow(const QString& password)
{
    QStringList lines;
    testing::StartedForm started({password}, testing::ErrorBoxes::Expected);
    TForm1& form = started.form();
    form.show();
    QApplication::processEvents();
    for (const auto& shown : started.dialogs().shown())
        lines << lineOf(shown);
    started.dialogs().clear();
    if (form.isVisible())
        lines << QStringLiteral("running");
    QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
    ui::guarded([&form] { form.OpenSpendGrid(); })();
    QApplication::processEvents();
    for (const auto& shown : started.dialogs().shown())
        lines << lineOf(shown);
    started.close();
    return lines;
}

} // namespace reliability
