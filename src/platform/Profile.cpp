#include "Profile.h"

#include "store/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
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

// Converts with glibc's iconv, which knows code page 950. What the source holds no valid
// character at, or the target has no character for, becomes `replacement`, for each byte (from
// Big5) or character (from UTF-8) passed over. Without the converter the bytes pass as UTF-8.
QByteArray convert(const char* to, const char* from, const QByteArray& in, const QByteArray& replacement)
{
    const iconv_t converter = ::iconv_open(to, from);
    if (converter == iconv_t(-1))
        return in;
    const bool fromUtf8 = qstrcmp(from, "UTF-8") == 0;
    QByteArray out;
    char* input = const_cast<char*>(in.constData());
    size_t left = size_t(in.size());
    char buffer[256];
    while (left > 0) {
        char* output = buffer;
        size_t room = sizeof buffer;
        const size_t done = ::iconv(converter, &input, &left, &output, &room);
        out.append(buffer, output - buffer);
        if (done != size_t(-1) || errno == E2BIG)
            continue;
        size_t skip = 1;
        if (fromUtf8) {
            const uchar lead = uchar(*input);
            skip = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
        }
        skip = std::min(skip, left);
        input += skip;
        left -= skip;
        out += replacement;
    }
    char* output = buffer;
    size_t room = sizeof buffer;
    ::iconv(converter, nullptr, nullptr, &output, &room);
    out.append(buffer, output - buffer);
    ::iconv_close(converter);
    return out;
}

// UTF-8 and Big5 never hold a NUL byte; UTF-16 holds one in every ASCII character, on the
// side of each pair its byte order gives.
bool looksLikeUtf16(const QByteArray& bytes, bool* littleEndian)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return false;
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0')
            ++(i % 2 ? odd : even);
    *littleEndian = odd >= even;
    return even + odd > 0;
}

} // namespace

Profile::Profile(const QString& path) : m_path(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    bool littleEndian = true;
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        m_bom = bytes.left(2);
        m_encoding = bytes.startsWith("\xff") ? Encoding::Utf16LE : Encoding::Utf16BE;
    } else if (bytes.startsWith("\xef\xbb\xbf")) {
        m_bom = bytes.left(3);
    } else if (looksLikeUtf16(bytes, &littleEndian)) {
        m_encoding = littleEndian ? Encoding::Utf16LE : Encoding::Utf16BE;
    } else {
        QStringDecoder utf8(QStringConverter::Utf8);
        const QString text = utf8(bytes);
        if (utf8.hasError())
            m_encoding = Encoding::Big5;
    }
    // Lines end at LF, with a CR before it or not; in Big5 neither byte is ever part of a
    // character.
    const QByteArray body = bytes.mid(m_bom.size());
    const QByteArray lf = encode(QStringLiteral("\n")), cr = encode(QStringLiteral("\r"));
    const qsizetype unit = lf.size();
    bool anyCrlf = false, anyLf = false;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = start;
        while (end + unit <= body.size() &&
               std::memcmp(body.constData() + end, lf.constData(), size_t(unit)) != 0)
            end += unit;
        if (end + unit > body.size())
            end = body.size(); // the last line, without a line break
        Line line;
        line.bytes = body.mid(start, end - start);
        if (end < body.size()) {
            if (line.bytes.endsWith(cr)) {
                line.bytes.chop(unit);
                line.end = QStringLiteral("\r\n");
                anyCrlf = true;
            } else {
                line.end = QStringLiteral("\n");
                anyLf = true;
            }
        }
        line.text = decode(line.bytes);
        m_lines << line;
        start = end + unit;
    }
    if (!anyCrlf && anyLf)
        m_newline = QStringLiteral("\n");
}

QString Profile::decode(const QByteArray& bytes) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom)(bytes);
    case Encoding::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::ConvertInitialBom)(bytes);
    case Encoding::Big5:
        return QString::fromUtf8(convert("UTF-8", "CP950", bytes, "\xef\xbf\xbd"));
    case Encoding::Utf8:
        break;
    }
    return QString::fromUtf8(bytes);
}

QByteArray Profile::encode(const QString& text) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE)(text);
    case Encoding::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE)(text);
    case Encoding::Big5:
        return convert("CP950", "UTF-8", text.toUtf8(), "?");
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

int Profile::sectionLine(const QString& section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = sectionName(m_lines[i].text);
        if (!name.isNull() && same(name, section))
            return i;
    }
    return -1;
}

int Profile::sectionEnd(int header) const
{
    int end = header + 1;
    while (end < m_lines.size() && sectionName(m_lines[end].text).isNull())
        ++end;
    // Blank lines before the next section stay after the section's keys.
    while (end > header + 1 && m_lines[end - 1].text.trimmed().isEmpty())
        --end;
    return end;
}

int Profile::keyLine(int header, const QString& key) const
{
    for (int i = header + 1; i < m_lines.size() && sectionName(m_lines[i].text).isNull(); ++i)
        if (same(keyOf(m_lines[i].text), key))
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
    const QString& text = m_lines[line].text;
    QString value = text.mid(text.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"')) ||
                              (value.startsWith(u'\'') && value.endsWith(u'\''))))
        value = value.mid(1, value.size() - 2);
    return value;
}

void Profile::writeString(const QString& section, const QString& key, const QString& value)
{
    int header = sectionLine(section);
    if (header < 0) {
        header = int(m_lines.size());
        insertLine(header, u'[' + section + u']');
    }
    const int line = keyLine(header, key);
    if (line >= 0) {
        m_lines[line].text = keyOf(m_lines[line].text) + u'=' + value;
        m_lines[line].rewritten = true;
    } else {
        insertLine(sectionEnd(header), key + u'=' + value);
    }
}

void Profile::insertLine(int at, const QString& text)
{
    // Only the file's last line can be without a line break.
    if (at > 0 && m_lines[at - 1].end.isEmpty())
        m_lines[at - 1].end = m_newline;
    m_lines.insert(at, Line{text, {}, m_newline, true});
}

void Profile::save() const
{
    QByteArray bytes = m_bom;
    for (const Line& line : m_lines)
        bytes += (line.rewritten ? encode(line.text) : line.bytes) + encode(line.end);
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
