#include "StarterDatabase.h"

#include "store/engine/Connection.h"
#include "store/engine/EngineError.h"

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
namespace {

using engine::EngineError;

const QLatin1String partialMark(".partial-");
const char* const sidecars[] = {"-journal", "-wal", "-shm"};

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString lastSystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A link is a taken name even when it points nowhere: writing through it would create its target.
bool nameTaken(const QString& path)
{
    struct stat status;
    return ::lstat(encoded(path).constData(), &status) == 0;
}

EngineError alreadyThere(const QString& path)
{
    return EngineError(EngineError::Kind::Other, QStringLiteral("%1 已經存在,不會覆蓋。").arg(path));
}

EngineError cannotWrite(const QString& path, const QString& detail,
                        EngineError::Kind kind = EngineError::Kind::Other)
{
    return EngineError(kind, QStringLiteral("無法建立 %1:%2").arg(path, detail));
}

void removeWithSidecars(const QString& path)
{
    ::unlink(encoded(path).constData());
    for (const char* sidecar : sidecars)
        ::unlink(encoded(path + QLatin1String(sidecar)).constData());
}

// A writer that was killed leaves its partial file behind; clear those whose process is gone,
// never one that another writer is still filling.
void clearAbandonedParts(const QDir& folder, const QString& name)
{
    const QString prefix = u'.' + name + partialMark;
    const auto entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (!entry.startsWith(prefix))
            continue;
        QString pid = entry.mid(prefix.size());
        for (const char* sidecar : sidecars)
            if (pid.endsWith(QLatin1String(sidecar)))
                pid.chop(int(std::strlen(sidecar)));
        bool isNumber = !pid.isEmpty();
        for (QChar c : pid)
            isNumber = isNumber && c >= u'0' && c <= u'9';
        const long id = isNumber ? pid.toLong(&isNumber) : 0;
        if (isNumber && id > 0 && ::kill(pid_t(id), 0) != 0 && errno == ESRCH)
            ::unlink(encoded(folder.filePath(entry)).constData());
    }
}

bool syncToDisk(const QString& path, int flags)
{
    const int fd = ::open(encoded(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

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
    connection->ensureKeptIndexes();
    connection->close();
}

// Gives the whole file its final name, unless something took that name meanwhile.
void placeWithoutOverwrite(const QString& from, const QString& to)
{
    const QByteArray source = encoded(from), target = encoded(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno == EEXIST)
        throw alreadyThere(to);
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        throw cannotWrite(to, lastSystemError());
    // File systems without an exclusive rename: a hard link is just as exclusive.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return;
    }
    if (errno == EEXIST)
        throw alreadyThere(to);
    if (errno != EPERM && errno != EOPNOTSUPP)
        throw cannotWrite(to, lastSystemError());
    // Nor links (FAT, some network shares): the last check is as close as it gets.
    if (nameTaken(to))
        throw alreadyThere(to);
    if (::rename(source.constData(), target.constData()) != 0)
        throw cannotWrite(to, lastSystemError());
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
    const QString partial =
        folder.filePath(u'.' + info.fileName() + partialMark + QString::number(::getpid()));
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
    syncToDisk(folder.absolutePath(), O_RDONLY | O_DIRECTORY); // the rename; the file is whole either way
}

} // namespace store
