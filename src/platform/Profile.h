#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

// An INI file of sections and key=value lines, read and written as the program's settings
// always have been: sections and keys match without regard to case, a missing file, section or
// key reads as the default, and a write changes only its own line. Every other line is written
// back byte for byte, with its own line break, in the file's own encoding: UTF-8 or UTF-16
// (either byte order, with or without a byte-order mark), or Big5 (code page 950, as the
// Windows release wrote it) where the file is not UTF-8. A new file is UTF-8 with CRLF.
class Profile
{
public:
    // Reads the file; a missing or unreadable one reads as empty.
    explicit Profile(const QString& path);

    QString path() const { return m_path; }
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // Replaces the key's value, or adds the key, or the section and the key, at its end.
    void writeString(const QString& section, const QString& key, const QString& value);
    // Writes the whole file beside its name and renames it into place, so it is never left
    // half written. Throws EngineError (a std::runtime_error), naming the path, when it cannot;
    // the file then stays as it was.
    void save() const;

private:
    enum class Encoding
    {
        Utf8,
        Utf16LE,
        Utf16BE,
        Big5,
    };
    struct Line
    {
        QString text;
        QByteArray bytes; // as read, while the line is not rewritten
        QString end;      // its line break; empty for a last line without one
        bool rewritten = false;
    };

    int sectionLine(const QString& section) const; // -1 when missing
    int sectionEnd(int header) const;              // the line after the section's last line
    int keyLine(int header, const QString& key) const;
    void insertLine(int at, const QString& text);
    QString decode(const QByteArray& bytes) const;
    QByteArray encode(const QString& text) const;

    QString m_path;
    QList<Line> m_lines;
    QString m_newline = QStringLiteral("\r\n");
    Encoding m_encoding = Encoding::Utf8;
    QByteArray m_bom;
};

// Where setting.ini is written: beside the executable, or in the user's configuration folder
// where the executable's folder cannot be written (an installed program).
QString settingsPath();
// Where it is read: the same, or a file beside the executable not yet written elsewhere.
QString settingsReadPath();
// Tests and tools put the settings in a folder of their own.
void setSettingsFolder(const QString& folder);

} // namespace platform
