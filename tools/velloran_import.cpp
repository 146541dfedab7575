// Brings a finance.mdb of the Windows release (a Jet file) across into a new file of ours.
#include "ToolSupport.h"
#include "engine/EngineError.h"
#include "store/import/JetImport.h"

#include <QCoreApplication>
#include <QTextStream>
#include <sys/stat.h>

namespace {

const char usage[] =
    "用法: velloran-import [-h | --help] [--] <Windows 版的 finance.mdb> <新的檔名>\n"
    "把 Windows 版 (Jet 格式) 的資料庫檔轉換成這一版的加密資料庫檔:每個資料表、每一筆資料原樣保留,\n"
    "新檔案的密碼與舊檔案的資料庫密碼相同。舊檔案只會被讀取;新的檔名已經存在時不會覆蓋。\n"
    "密碼在終端機上詢問 (不顯示),或從標準輸入讀一行。\n"
    "  -h, --help  顯示這段說明\n"
    "  --          其後的引數都是檔名,即使以 - 開頭\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout), err(stderr);
    const CommandLine line = parseCommandLine(QStringLiteral("velloran-import"), usage);
    if (line.exitCode)
        return *line.exitCode;
    const QStringList& names = line.names;
    if (names.size() != 2)
        return usageError(QStringLiteral("velloran-import"),
                          QStringLiteral("需要兩個檔名,收到 %1 個").arg(names.size()), usage);
    const auto password = readToolPassword("密碼: ");
    if (!password) {
        err << QStringLiteral("velloran-import: 沒有讀到密碼") << Qt::endl;
        return 2;
    }
    ::umask(077);
    try {
        const auto tables = store::importJetFile(names[0], names[1], *password);
        for (const auto& table : tables)
            out << QStringLiteral("%1\t%2 筆").arg(table.name).arg(table.rows) << Qt::endl;
        out << QStringLiteral("已建立 %1").arg(names[1]) << Qt::endl;
    } catch (const engine::EngineError& error) {
        err << QStringLiteral("velloran-import: ") << error.message() << Qt::endl;
        return 1;
    }
    return 0;
}
