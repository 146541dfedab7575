// Writes the finance.mdb a new user starts with.
#include "ToolSupport.h"
#include "engine/EngineError.h"
#include "store/StarterDatabase.h"
#include "store/Texts.h"

#include <QCoreApplication>
#include <QTextStream>
#include <sys/stat.h>

namespace {

const char usage[] =
    "用法: make-starter-db [-h | --help] [--] [檔名]\n"
    "建立新使用者的資料庫檔 (預設為目前資料夾的 finance.mdb):六個資料表與幾個常用的類別和帳戶,\n"
    "預設密碼 1234,只有擁有者可以讀寫。檔名已經存在時不會覆蓋。\n"
    "  -h, --help  顯示這段說明\n"
    "  --          其後的引數都是檔名,即使以 - 開頭\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout), err(stderr);
    const CommandLine line = parseCommandLine(QStringLiteral("make-starter-db"), usage);
    if (line.exitCode)
        return *line.exitCode;
    const QStringList& names = line.names;
    if (names.size() > 1)
        return usageError(QStringLiteral("make-starter-db"),
                          QStringLiteral("只能給一個檔名,多了 %1").arg(names.mid(1).join(u' ')), usage);
    const QString path = names.value(0, QStringLiteral("finance.mdb"));
    // The writer makes the file private once it exists; the mask keeps it and the journal the
    // engine writes while creating it private from the first moment too.
    ::umask(077);
    try {
        store::writeStarterDatabase(path, QString::fromUtf16(store::defaultPassword));
    } catch (const engine::EngineError& error) {
        err << QStringLiteral("make-starter-db: ") << error.message() << Qt::endl;
        return 1;
    }
    out << QStringLiteral("已建立 %1,預設密碼為 %2").arg(path, QString::fromUtf16(store::defaultPassword))
        << Qt::endl;
    return 0;
}
