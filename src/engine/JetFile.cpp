#include "JetFile.h"

#include <QFile>
#include <QtEndian>
#include <array>
#include <cstring>

namespace engine {
namespace {

constexpr int versionOffset = 0x14;
// From here on the first page is RC4-encoded with a fixed key.
constexpr int maskedOffset = 0x18;
constexpr int maskedLength = 128;
constexpr quint32 headerKey = 0x6b39dac7;
constexpr int passwordOffset = 0x42;
constexpr int jet3PasswordLength = 20;
constexpr int jet4PasswordLength = 40;
// Jet 4 masks its password further with the file's creation date, a double of days.
constexpr int creationDateOffset = 0x72;

std::array<quint8, maskedLength> headerKeystream()
{
    quint8 key[4];
    qToLittleEndian(headerKey, key);
    std::array<quint8, 256> state;
    for (int i = 0; i < 256; ++i)
        state[size_t(i)] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[size_t(i)] + key[i % 4]) & 0xff;
        std::swap(state[size_t(i)], state[size_t(j)]);
    }
    std::array<quint8, maskedLength> stream;
    for (int n = 0, i = 0, j = 0; n < maskedLength; ++n) {
        i = (i + 1) & 0xff;
        j = (j + state[size_t(i)]) & 0xff;
        std::swap(state[size_t(i)], state[size_t(j)]);
        stream[size_t(n)] = state[size_t((state[size_t(i)] + state[size_t(j)]) & 0xff)];
    }
    return stream;
}

} // namespace

std::optional<JetHeader> readJetHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray page = file.read(maskedOffset + maskedLength);
    if (page.size() < maskedOffset + maskedLength || page.mid(4, 15) != "Standard Jet DB")
        return std::nullopt;
    const auto stream = headerKeystream();
    for (int i = 0; i < maskedLength; ++i)
        page[maskedOffset + i] = char(quint8(page[maskedOffset + i]) ^ stream[size_t(i)]);

    JetHeader header;
    header.jet4 = page[versionOffset] != 0;
    header.pageSize = header.jet4 ? 4096 : 2048;
    QByteArray secret = page.mid(passwordOffset, header.jet4 ? jet4PasswordLength : jet3PasswordLength);
    if (header.jet4) {
        double created = 0;
        std::memcpy(&created, page.constData() + creationDateOffset, sizeof created);
        created = qFromLittleEndian(created);
        quint8 mask[4] = {};
        // The whole days of the creation date, as Jet truncates them; a damaged date masks nothing.
        if (created > -2147483648.0 && created < 2147483648.0)
            qToLittleEndian(qint32(created), mask);
        for (int i = 0; i < secret.size(); ++i)
            secret[i] = char(quint8(secret[i]) ^ mask[i % 4]);
        QString text;
        for (int i = 0; i + 1 < secret.size(); i += 2) {
            const char16_t unit = char16_t(quint8(secret[i]) | (quint8(secret[i + 1]) << 8));
            if (unit == 0)
                break;
            text += QChar(unit);
        }
        header.password = text;
    } else {
        const int end = secret.indexOf('\0');
        header.password = QString::fromLatin1(end < 0 ? secret : secret.left(end));
    }
    return header;
}

bool isJetFile(const QString& path)
{
    return readJetHeader(path).has_value();
}

bool jetPasswordMatches(const JetHeader& header, const QString& typed)
{
    return header.password.isEmpty() || header.password == typed;
}

} // namespace engine
