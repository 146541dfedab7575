#include "TForm1.h"
#include "platform/Icon.h"
#include "ui/Guard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    try {
        QApplication::setApplicationName(QStringLiteral("Velloran"));
        // Dialogs shown before the window carry the icon too; the desktop entry's name lets a
        // Wayland desktop match the window to its menu entry.
        QApplication::setWindowIcon(platform::programIcon());
        QGuiApplication::setDesktopFileName(QStringLiteral("velloran"));
        TForm1 form;
        QObject::connect(&form, &TForm1::closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
        form.show();
        QApplication::exec();
    } catch (...) {
        ui::showEscapedError(std::current_exception());
    }
    return 0;
}
