#include "Backup.h"

#include "SafeFiles.h"
#include "WholeFile.h"

#include "engine/EngineError.h"

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

QString stampOf(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// The copies are ranked by the stamp of their names, the time the clock of the day gave when
// each was written: a name survives any copy or restore of the folder (a plain cp, a sync
// program, an archive), where a modification time is lost or reset. A stamp later than now was
// written under a clock set ahead, at a time no one can tell; such copies rank before every
// other, so that they are rotated out first and never pass for the copy written last.
struct Copy
{
    QString name;
    QString stamp;
    int number = 1;
    bool ahead = false;
    bool operator<(const Copy& other) const
    {
        if (ahead != other.ahead)
            return ahead;
        return stamp != other.stamp ? stamp < other.stamp : number < other.number;
    }
};

// The copies in the order they were written, the last one last.
std::vector<Copy> copiesIn(const QDir& folder, const QString& stem, const QString& now)
{
    const QRegularExpression pattern(
        QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.mdb$").arg(QRegularExpression::escape(stem)));
    std::vector<Copy> copies;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const auto match = pattern.match(name);
        if (match.hasMatch())
            copies.push_back({name, match.captured(1),
                              match.captured(2).isEmpty() ? 1 : match.captured(2).toInt(),
                              match.captured(1) > now});
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
        const QString stamp = stampOf(now);
        auto copies = copiesIn(folder, stem, stamp);
        QString made;
        if (copies.empty() || !sameBytes(database.absoluteFilePath(), folder.filePath(copies.back().name))) {
            int number = 1;
            for (const Copy& copy : copies)
                if (copy.stamp == stamp)
                    number = std::max(number, copy.number + 1);
            made = folder.filePath(number == 1 ? QStringLiteral("%1-%2.mdb").arg(stem, stamp)
                                               : QStringLiteral("%1-%2-%3.mdb").arg(stem, stamp).arg(number));
            copyWhole(database.absoluteFilePath(), made);
            copies = copiesIn(folder, stem, stamp);
        }
        for (size_t i = 0; i + size_t(std::max(keep, 1)) < copies.size(); ++i)
            if (folder.filePath(copies[i].name) != made)
                QFile::remove(folder.filePath(copies[i].name));
        return made;
    } catch (const EngineError& error) {
        throw EngineError(error.kind(), QStringLiteral("無法把 %1 備份到 %2:%3。%1 沒有變動。")
                                            .arg(database.fileName(), folderPath, error.message()));
    }
}

} // namespace store
