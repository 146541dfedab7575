#include "Backup.h"

#include "SafeFiles.h"
#include "WholeFile.h"

#include "store/engine/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace store {

using engine::EngineError;

namespace {

constexpr qint64 chunk = 1 << 20;

struct Copy
{
    QString name;
    QString stamp;
    int number = 1;
    bool operator<(const Copy& other) const
    {
        return stamp != other.stamp ? stamp < other.stamp : number < other.number;
    }
};

std::vector<Copy> copiesIn(const QDir& folder, const QString& stem)
{
    const QRegularExpression pattern(
        QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.mdb$").arg(QRegularExpression::escape(stem)));
    std::vector<Copy> copies;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const auto match = pattern.match(name);
        if (match.hasMatch())
            copies.push_back(
                {name, match.captured(1), match.captured(2).isEmpty() ? 1 : match.captured(2).toInt()});
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

bool sameBytes(const QString& a, const QString& b)
{
    QFile first(a), second(b);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly) ||
        !second.open(QIODevice::ReadOnly))
        return false;
    while (!first.atEnd()) {
        const QByteArray left = first.read(chunk), right = second.read(chunk);
        if (left.isEmpty() || left != right)
            return false;
    }
    return true;
}

void copyWhole(const QString& from, const QString& to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw files::cannotWrite(to, source.errorString());
    files::WholeFile copy(to, 0600);
    while (!source.atEnd()) {
        const QByteArray bytes = source.read(chunk);
        if (bytes.isEmpty() && source.error() != QFileDevice::NoError)
            throw files::cannotWrite(to, source.errorString());
        copy.write(bytes);
    }
    copy.commit(files::WholeFile::Existing::Keep);
}

} // namespace

QString backUpDatabase(const QString& databasePath, const QDateTime& now, int keep)
{
    const QFileInfo database(databasePath);
    const QString stem = database.completeBaseName();
    const QString folderPath = database.absoluteDir().filePath(QStringLiteral("backups"));
    QDir folder(folderPath);
    try {
        if (!folder.exists()) {
            if (::mkdir(files::encoded(folderPath).constData(), 0700) != 0 && errno != EEXIST)
                throw files::cannotWrite(folderPath, files::lastSystemError());
        }
        files::clearAbandonedParts(folder, QString());
        auto copies = copiesIn(folder, stem);
        QString made;
        if (copies.empty() || !sameBytes(database.absoluteFilePath(), folder.filePath(copies.back().name))) {
            const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
            int number = 1;
            for (const Copy& copy : copies)
                if (copy.stamp == stamp)
                    number = std::max(number, copy.number + 1);
            made = folder.filePath(number == 1 ? QStringLiteral("%1-%2.mdb").arg(stem, stamp)
                                               : QStringLiteral("%1-%2-%3.mdb").arg(stem, stamp).arg(number));
            copyWhole(database.absoluteFilePath(), made);
            copies = copiesIn(folder, stem);
        }
        for (size_t i = 0; i + size_t(std::max(keep, 1)) < copies.size(); ++i)
            QFile::remove(folder.filePath(copies[i].name));
        return made;
    } catch (const EngineError& error) {
        throw EngineError(error.kind(), QStringLiteral("無法把 %1 備份到 %2:%3。%1 沒有變動。")
                                            .arg(database.fileName(), folderPath, error.message()));
    }
}

} // namespace store
