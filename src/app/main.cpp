#include "TForm1.h"
#include "app/Guard.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    try {
        QApplication::setApplicationName(QStringLiteral("Velloran"));
        QFont::insertSubstitution(QStringLiteral("微軟正黑體"), QStringLiteral("Noto Sans CJK TC"));
        QApplication::setFont(QFont(QStringLiteral("微軟正黑體"), 10));
        TForm1 form;
        Form1 = &form;
        form.show();
        QApplication::exec();
        Form1 = nullptr;
    } catch (...) {
        app::showEscapedError(std::current_exception());
    }
    return 0;
}
