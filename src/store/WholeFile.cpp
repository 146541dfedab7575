#include "WholeFile.h"

#include "SafeFiles.h"

#include "engine/EngineError.h"

#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store::files {

namespace {
constexpr qsizetype bufferSize = 64 * 1024;
}

WholeFile::WholeFile(const QString& path, std::optional<mode_t> mode)
    : m_path(QFileInfo(path).absoluteFilePath()), m_partial(partialPathFor(m_path))
{
    ::unlink(encoded(m_partial).constData());
    m_fd = ::open(encoded(m_partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  mode.value_or(0666));
    if (m_fd < 0)
        fail(errno);
    if (mode && ::fchmod(m_fd, *mode) != 0) {
        const int error = errno;
        ::close(m_fd);
        ::unlink(encoded(m_partial).constData());
        fail(error);
    }
}

WholeFile::~WholeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_placed)
        ::unlink(encoded(m_partial).constData());
}

void WholeFile::write(const QByteArray& bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() >= bufferSize)
        writeBuffer();
}

void WholeFile::writeBuffer()
{
    const char* data = m_buffer.constData();
    size_t left = size_t(m_buffer.size());
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        // A regular file that takes nothing has run out of room.
        if (written <= 0)
            fail(written < 0 ? errno : ENOSPC);
        data += written;
        left -= size_t(written);
    }
    m_buffer.clear();
}

void WholeFile::finish()
{
    writeBuffer();
    if (::fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
}

void WholeFile::place(Existing existing)
{
    // rename() replaces the name itself: a link found there is never followed.
    if (existing == Existing::Keep)
        placeWithoutOverwrite(m_partial, m_path);
    else if (::rename(encoded(m_partial).constData(), encoded(m_path).constData()) != 0)
        fail(errno);
    m_placed = true;
    syncFolder(QFileInfo(m_path).absolutePath());
}

void WholeFile::fail(int error) const
{
    throw engine::EngineError(engine::EngineError::Kind::Other,
                              QStringLiteral("無法寫入 %1:%2").arg(m_path, systemError(error)));
}

} // namespace store::files
