#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace store::files {

// A file that appears under its name whole or not at all. It is filled under a hidden name
// beside its own, every write checked, synced and closed by finish(), and takes its name only in
// place(): until then a file of that name stays as it was. Dropped before place(), it removes
// what it wrote. Failures throw EngineError naming the file and the system's reason.
class WholeFile
{
public:
    enum class Existing
    {
        Replace, // a file or a link of that name is replaced, never written through
        Keep,    // a taken name is an error, and what has it stays
    };

    // mode: the file's permissions, whatever the umask; none for the process's default.
    WholeFile(const QString& path, std::optional<mode_t> mode);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    QString path() const { return m_path; }
    void write(const QByteArray& bytes);
    void finish();
    void place(Existing existing = Existing::Replace);
    void commit(Existing existing = Existing::Replace)
    {
        finish();
        place(existing);
    }

private:
    void writeBuffer();
    [[noreturn]] void fail(int error) const;

    QString m_path;
    QString m_partial;
    int m_fd = -1;
    QByteArray m_buffer;
    bool m_placed = false;
};

} // namespace store::files
