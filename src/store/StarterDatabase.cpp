#include "StarterDatabase.h"

#include "LedgerIndexes.h"
#include "SafeFiles.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

using engine::EngineError;
using namespace files;

namespace {

// Writes the starter tables into a new file at path, readable by its owner only.
void fill(const QString& path, const QString& password)
{
    engine::Connection::createDatabase(path, password);
    // Before the tables go in: SQLite gives each journal the mode of the database file.
    if (::chmod(encoded(path).constData(), 0600) != 0)
        throw EngineError(EngineError::Kind::Other, lastSystemError());
    const auto connection = engine::Connection::openFile(path, password);
    const char16_t* statements[] = {
        u"Create TABLE spend (流水號 counter, 日期 datetime, 類型 varchar(255), 摘要 varchar(255), "
        u"帳戶 varchar(255), 金額 float)",
        u"Create TABLE save (流水號 counter, 日期 datetime, 類型 varchar(255), 摘要 varchar(255), "
        u"帳戶 varchar(255), 金額 float)",
        u"Create TABLE spend_type (編號 int, 類型 varchar(255))",
        u"Create TABLE save_type (編號 int, 類型 varchar(255))",
        u"Create TABLE account_type (編號 int, 帳戶名稱 varchar(255), 餘額 float)",
        u"Create TABLE weight (流水號 counter, 日期 datetime, 體重 float, BMI float, 腰圍 float, 臀圍 float, "
        u"WHR float)",
        u"ALTER TABLE spend_type ADD CONSTRAINT pk_spend PRIMARY KEY(類型)",
        u"ALTER TABLE save_type ADD CONSTRAINT pk_save PRIMARY KEY(類型)",
        u"ALTER TABLE account_type ADD CONSTRAINT pk_account PRIMARY KEY(帳戶名稱)",
        u"insert into spend_type (編號, 類型) values (1, '食物')",
        u"insert into spend_type (編號, 類型) values (2, '交通')",
        u"insert into spend_type (編號, 類型) values (3, '居家')",
        u"insert into spend_type (編號, 類型) values (4, '娛樂')",
        u"insert into spend_type (編號, 類型) values (5, '醫療')",
        u"insert into save_type (編號, 類型) values (1, '薪資')",
        u"insert into save_type (編號, 類型) values (2, '獎金')",
        u"insert into save_type (編號, 類型) values (3, '利息')",
        u"insert into account_type (編號, 帳戶名稱, 餘額) values (1, '現金', 0)",
        u"insert into account_type (編號, 帳戶名稱, 餘額) values (2, '銀行', 0)",
    };
    for (const char16_t* statement : statements)
        connection->execute(QString::fromUtf16(statement));
    keepLedgerIndexes(*connection);
    connection->close();
}

} // namespace

void writeStarterDatabase(const QString& path, const QString& password)
{
    const QString absolute = QDir::current().absoluteFilePath(path);
    if (nameTaken(absolute))
        throw alreadyThere(absolute);
    // Written under a name of its own in the same folder and renamed when whole, so that an
    // interrupted run never leaves a half-written file under the final name.
    const QFileInfo info(absolute);
    const QDir folder = info.absoluteDir();
    clearAbandonedParts(folder, info.fileName());
    const QString partial = partialPathFor(absolute);
    removeWithSidecars(partial);
    try {
        try {
            fill(partial, password);
        } catch (const EngineError& error) {
            throw cannotWrite(absolute, error.message(), error.kind());
        }
        if (!syncToDisk(partial, O_RDONLY))
            throw cannotWrite(absolute, lastSystemError());
        placeWithoutOverwrite(partial, absolute);
    } catch (...) {
        removeWithSidecars(partial);
        throw;
    }
    syncFolder(folder.absolutePath()); // the rename; the file is whole either way
}

} // namespace store
