// Writes the finance.mdb a new user starts with.
#include "store/Login.h"
#include "store/StarterDatabase.h"
#include "store/engine/EngineError.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString path = arguments.size() > 1 ? arguments.at(1) : QStringLiteral("finance.mdb");
    QTextStream out(stdout), err(stderr);
    try {
        store::writeStarterDatabase(path, QString::fromUtf16(store::defaultPassword));
    } catch (const engine::EngineError& error) {
        err << error.message() << Qt::endl;
        return 1;
    }
    out << QStringLiteral("已建立 %1,預設密碼為 %2").arg(path, QString::fromUtf16(store::defaultPassword)) << Qt::endl;
    return 0;
}
