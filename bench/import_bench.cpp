// Times bringing a Windows-era (Jet) finance.mdb across: the whole import of a given Jet file,
// beside its two parts (libmdb reading every row, and the new file written), each the median
// of the runs.
#include "store/import/JetImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        out << "usage: import-bench <jet file> <password> [runs]\n";
        return 2;
    }
    const int runs = std::max(5, arguments.value(3).toInt());
    std::vector<double> whole, copying;
    qint64 rows = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        QElapsedTimer clock;
        clock.start();
        qint64 started = 0, copied = 0;
        const auto progress = [&](qint64 done, qint64) {
            (done == 0 ? started : copied) = clock.nsecsElapsed();
        };
        const auto tables = store::importJetFile(arguments[1], dir.filePath(QStringLiteral("finance.mdb")),
                                                 arguments[2], progress);
        whole.push_back(double(clock.nsecsElapsed()) / 1e6);
        copying.push_back(double(copied - started) / 1e6);
        rows = 0;
        for (const auto& table : tables)
            rows += table.rows;
    }
    std::sort(whole.begin(), whole.end());
    std::sort(copying.begin(), copying.end());
    const double median = whole[whole.size() / 2];
    const double rowsOnly = copying[copying.size() / 2];
    out << QStringLiteral(
               "import of %1 rows: median %2 ms over %3 runs, of which %4 ms copying the rows (%5 µs a "
               "row); the rest is the new file's two key derivations and its flushes\n")
               .arg(rows)
               .arg(median, 0, 'f', 1)
               .arg(runs)
               .arg(rowsOnly, 0, 'f', 1)
               .arg(rowsOnly * 1000.0 / double(std::max<qint64>(rows, 1)), 0, 'f', 2);
    return 0;
}
