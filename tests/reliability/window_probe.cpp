// Starts the window on finance.mdb in the working directory with the password given as the
// only argument and prints, one per line, what it showed (see WindowRun.h).
#include "WindowRun.h"

#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QTextStream out(stdout);
    for (const QString& line : reliability::runWindow(QApplication::arguments().value(1)))
        out << line << Qt::endl;
    return 0;
}
