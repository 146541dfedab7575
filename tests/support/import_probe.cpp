// The first start's import of a Jet finance.mdb in the working directory, alone in a process,
// for the tests that kill it half way.
#include "engine/EngineError.h"
#include "store/import/JetImport.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 2;
    try {
        store::bringAcrossJetFile(QStringLiteral("finance.mdb"), QString::fromUtf8(argv[1]));
    } catch (const engine::EngineError& error) {
        qWarning("%s", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
