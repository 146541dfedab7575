#include "SmallDisk.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace testing {

SmallDisk::SmallDisk(qint64 bytes)
{
    if (!m_dir.isValid()) {
        m_why = QStringLiteral("no temporary folder");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) == 0)
        m_mounted = true;
    else
        m_why = QStringLiteral("cannot mount a tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

qint64 SmallDisk::freeBytes() const
{
    struct statvfs info = {};
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

bool SmallDisk::fillUpTo(qint64 leave)
{
    QFile filler(file(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::Append))
        return false;
    const QByteArray block(4096, 'x');
    while (freeBytes() > leave) {
        const qint64 room = freeBytes() - leave;
        if (filler.write(block.constData(), qMin<qint64>(room, block.size())) <= 0 || !filler.flush())
            break;
    }
    return freeBytes() <= leave + 4096;
}

} // namespace testing
