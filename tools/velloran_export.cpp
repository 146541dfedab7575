// Writes every table of finance.mdb as a CSV file, for spreadsheets and other programs.
#include "ToolSupport.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "store/CsvExport.h"

#include <QCoreApplication>
#include <QTextStream>
#include <sys/stat.h>

namespace {

const char usage[] =
    "用法: velloran-export [-h | --help] [--database <檔名>] [--] <資料夾>\n"
    "把資料庫檔 (預設為目前資料夾的 finance.mdb) 的每個資料表寫成資料夾裡的一個 CSV 檔\n"
    "(spend.csv、save.csv、weight.csv 與各個類別表):UTF-8、第一列是欄位名稱、日期為 yyyy/MM/dd。\n"
    "同名的 CSV 檔會被取代。密碼在終端機上詢問 (不顯示),或從標準輸入讀一行。\n"
    "程式正在使用資料庫時無法匯出,請先關閉程式。\n"
    "  --database <檔名>  要匯出的資料庫檔\n"
    "  -h, --help         顯示這段說明\n"
    "  --                 其後的引數都是資料夾名稱,即使以 - 開頭\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout), err(stderr);
    const CommandLine line =
        parseCommandLine(QStringLiteral("velloran-export"), usage, {QStringLiteral("--database")});
    if (line.exitCode)
        return *line.exitCode;
    const QStringList& names = line.names;
    const QString database = line.values.value(QStringLiteral("--database"), QStringLiteral("finance.mdb"));
    if (names.size() != 1)
        return usageError(QStringLiteral("velloran-export"), QStringLiteral("需要一個資料夾名稱"), usage);
    const auto password = readToolPassword("密碼: ");
    if (!password) {
        err << QStringLiteral("velloran-export: 沒有讀到密碼") << Qt::endl;
        return 2;
    }
    ::umask(077);
    try {
        const auto connection = engine::Connection::openFile(database, *password);
        const auto tables = store::exportTables(*connection, names[0]);
        for (const auto& table : tables)
            out << QStringLiteral("%1\t%2 筆").arg(table.file).arg(table.rows) << Qt::endl;
    } catch (const engine::EngineError& error) {
        err << QStringLiteral("velloran-export: ") << error.message() << Qt::endl;
        return 1;
    }
    return 0;
}
