#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testing {

// A folder on a file system of its own with room for `bytes`: a tmpfs mounted for the test and
// unmounted after, so that a write can run out of space for real. Mounting needs root; where it
// is refused, ready() is false and why() says so.
class SmallDisk
{
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool ready() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Bytes still free for a file.
    qint64 freeBytes() const;
    // Fills the disk with a file of its own until only `leave` bytes are free.
    bool fillUpTo(qint64 leave);

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};

} // namespace testing
