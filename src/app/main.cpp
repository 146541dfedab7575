#include "TForm1.h"
#include "ui/Guard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    try {
        QApplication::setApplicationName(QStringLiteral("Velloran"));
        TForm1 form;
        Form1 = &form;
        form.show();
        QApplication::exec();
        Form1 = nullptr;
    } catch (...) {
        ui::showEscapedError(std::current_exception());
    }
    return 0;
}
