// Opens finance.mdb in the working directory the way the program does and reports the outcome:
// "open" and exit code 0, or the error's message and exit code 1.
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    try {
        const auto connection = engine::Connection::openFile(QStringLiteral("finance.mdb"),
                                                             QCoreApplication::arguments().value(1));
        engine::Query query;
        query.setConnection(connection.get());
        query.setSql(QStringLiteral("select * from spend"));
        query.open();
        out << "open" << Qt::endl;
        return 0;
    } catch (const engine::EngineError& error) {
        out << error.message() << Qt::endl;
        return 1;
    }
}
