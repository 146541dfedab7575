#include "Profile.h"

#include "store/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>
#include <sys/stat.h>

namespace platform {

namespace {

QString& folderOverride()
{
    static QString folder;
    return folder;
}

// "[name]" with blanks around allowed; the name, or a null string for any other line.
QString sectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
        return {};
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

bool same(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString keyOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return {};
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? QString() : line.left(equals).trimmed();
}

} // namespace

Profile::Profile(const QString& path) : m_path(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    QString text;
    if (bytes.startsWith("\xff\xfe")) {
        m_utf16 = m_bom = true;
        text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    } else {
        if (bytes.startsWith("\xef\xbb\xbf")) {
            m_bom = true;
            bytes.remove(0, 3);
        }
        text = QString::fromUtf8(bytes);
    }
    if (!text.contains(QLatin1String("\r\n")) && text.contains(u'\n'))
        m_newline = QStringLiteral("\n");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    if (!text.isEmpty())
        m_lines = text.split(u'\n');
}

int Profile::sectionLine(const QString& section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = sectionName(m_lines[i]);
        if (!name.isNull() && same(name, section))
            return i;
    }
    return -1;
}

int Profile::sectionEnd(int header) const
{
    int end = header + 1;
    while (end < m_lines.size() && sectionName(m_lines[end]).isNull())
        ++end;
    // Blank lines before the next section stay after the section's keys.
    while (end > header + 1 && m_lines[end - 1].trimmed().isEmpty())
        --end;
    return end;
}

int Profile::keyLine(int header, const QString& key) const
{
    for (int i = header + 1; i < m_lines.size() && sectionName(m_lines[i]).isNull(); ++i)
        if (same(keyOf(m_lines[i]), key))
            return i;
    return -1;
}

QString Profile::readString(const QString& section, const QString& key, const QString& fallback) const
{
    const int header = sectionLine(section);
    if (header < 0)
        return fallback;
    const int line = keyLine(header, key);
    if (line < 0)
        return fallback;
    QString value = m_lines[line].mid(m_lines[line].indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"')) ||
                              (value.startsWith(u'\'') && value.endsWith(u'\''))))
        value = value.mid(1, value.size() - 2);
    return value;
}

void Profile::writeString(const QString& section, const QString& key, const QString& value)
{
    int header = sectionLine(section);
    if (header < 0) {
        m_lines << u'[' + section + u']';
        header = int(m_lines.size()) - 1;
    }
    const int line = keyLine(header, key);
    if (line >= 0)
        m_lines[line] = keyOf(m_lines[line]) + u'=' + value;
    else
        m_lines.insert(sectionEnd(header), key + u'=' + value);
}

void Profile::save() const
{
    QString text = m_lines.join(m_newline);
    if (!m_lines.isEmpty())
        text += m_newline;
    QByteArray bytes;
    if (m_utf16)
        bytes = QByteArray("\xff\xfe", 2) + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(text));
    else
        bytes = (m_bom ? QByteArray("\xef\xbb\xbf") : QByteArray()) + text.toUtf8();
    // A setting.ini that is a link (kept with the user's other files) stays one: the file it
    // names is replaced, with the permissions it had.
    const QFileInfo info(m_path);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : m_path;
    struct stat status;
    const bool exists = ::stat(QFile::encodeName(target).constData(), &status) == 0;
    store::files::WholeFile file(target,
                                 exists ? std::optional<mode_t>(status.st_mode & 07777) : std::nullopt);
    file.write(bytes);
    file.commit();
}

QString settingsPath()
{
    const QString name = QStringLiteral("setting.ini");
    if (!folderOverride().isEmpty())
        return QDir(folderOverride()).filePath(name);
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QFileInfo folder(QCoreApplication::applicationDirPath());
    if (folder.isWritable() && (!QFileInfo::exists(beside) || QFileInfo(beside).isWritable()))
        return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir(config).filePath(name);
}

QString settingsReadPath()
{
    const QString path = settingsPath();
    if (QFileInfo::exists(path) || !folderOverride().isEmpty())
        return path;
    // Until the first close writes the settings elsewhere, a file beside the executable is read.
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("setting.ini"));
    return QFileInfo::exists(beside) ? beside : path;
}

void setSettingsFolder(const QString& folder)
{
    folderOverride() = folder;
}

} // namespace platform
