// Writes a generated finance.mdb (password 1234) into a folder, for trying the program or the
// benchmarks on a ledger of a given size.
//
//   bench-generate <rows> <folder> [--chronological]
//
// rows: entries in spend and again in save; the folder is created when missing and must not
// hold a finance.mdb yet.
#include "BenchData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <exception>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    QTextStream out(stdout), err(stderr);

    bench::LedgerShape shape;
    shape.chronological = arguments.removeAll(QStringLiteral("--chronological")) > 0;
    bool ok = arguments.size() == 3;
    if (ok)
        shape.entries = arguments.at(1).toInt(&ok);
    if (!ok || shape.entries < 0) {
        err << "usage: bench-generate <rows> <folder> [--chronological]" << Qt::endl;
        return 2;
    }
    const QString folder = arguments.at(2);
    if (!QDir().mkpath(folder)) {
        err << "cannot create " << folder << Qt::endl;
        return 1;
    }
    const QString path = QDir(folder).absoluteFilePath(bench::databaseFile);
    try {
        QElapsedTimer timer;
        timer.start();
        const bench::LedgerSummary summary = bench::writeLedger(path, shape);
        out << path << ": " << summary.spendRows << " spend, " << summary.saveRows << " save, "
            << summary.weightRows << " weight rows, " << summary.fileBytes / 1024 << " KiB, written in "
            << timer.elapsed() << " ms (password " << bench::databasePassword << ")" << Qt::endl;
    } catch (const std::exception& error) {
        err << "error: " << error.what() << Qt::endl;
        return 1;
    }
    return 0;
}
