#include "SafeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store::files {

using engine::EngineError;

namespace {
const QLatin1String partialMark(".partial-");
const char* const sidecars[] = {"-journal", "-wal", "-shm"};

} // namespace

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("磁碟空間不足");
    case EDQUOT:
        return QStringLiteral("超過磁碟配額");
    case EACCES:
    case EPERM:
        return QStringLiteral("沒有權限");
    case EROFS:
        return QStringLiteral("磁碟是唯讀的");
    case EIO:
        return QStringLiteral("磁碟讀寫錯誤");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString lastSystemError()
{
    return systemError(errno);
}

bool nameTaken(const QString& path)
{
    struct stat status;
    return ::lstat(encoded(path).constData(), &status) == 0;
}

EngineError alreadyThere(const QString& path)
{
    return EngineError(EngineError::Kind::Other, QStringLiteral("%1 已經存在,不會覆蓋。").arg(path));
}

EngineError cannotWrite(const QString& path, const QString& detail, EngineError::Kind kind)
{
    return EngineError(kind, QStringLiteral("無法建立 %1:%2").arg(path, detail));
}

void removeWithSidecars(const QString& path)
{
    ::unlink(encoded(path).constData());
    for (const char* sidecar : sidecars)
        ::unlink(encoded(path + QLatin1String(sidecar)).constData());
}

void clearAbandonedParts(const QDir& folder, const QString& name)
{
    const QString prefix = u'.' + name + partialMark;
    const auto entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const qsizetype mark = entry.lastIndexOf(partialMark);
        if (name.isEmpty() ? !entry.startsWith(u'.') || mark < 1 : !entry.startsWith(prefix))
            continue;
        QString pid = entry.mid(name.isEmpty() ? mark + partialMark.size() : prefix.size());
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

QString partialPathFor(const QString& absolutePath)
{
    const QFileInfo info(absolutePath);
    return info.absoluteDir().filePath(u'.' + info.fileName() + partialMark + QString::number(::getpid()));
}

void syncFolder(const QString& folder)
{
    syncToDisk(folder, O_RDONLY | O_DIRECTORY);
}

} // namespace store::files
