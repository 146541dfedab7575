// The Windows-era file read in a child process, which reports to its parent through a pipe.
#include "ImportApart.h"

#include "store/SafeFiles.h"

#include <QElapsedTimer>
#include <QList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace store {

using engine::EngineError;
using Kind = engine::EngineError::Kind;

EngineError unreadable(const QString& path, const QString& detail)
{
    return EngineError(
        Kind::NotADatabase,
        QStringLiteral("無法讀取 Windows 版的資料庫檔 %1:%2。檔案沒有變動。").arg(path, detail));
}

namespace {

// The child's report, a line at a time: "p <done> <total>", "t <rows> <name>" for each table
// written, then "ok", or "e <kind> <message>" (texts percent-encoded).
void writeLine(int fd, const QByteArray& line)
{
    const QByteArray whole = line + '\n';
    for (qsizetype at = 0; at < whole.size();) {
        const ssize_t written = ::write(fd, whole.constData() + at, size_t(whole.size() - at));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        at += written;
    }
}

constexpr int quietLimitMs = 60000;

} // namespace

std::vector<ImportedTable> runApart(const QString& jetPath, const ImportWork& work,
                                    const ImportProgress& progress)
{
    int report[2] = {-1, -1};
    int printed[2] = {-1, -1};
    if (::pipe2(report, O_CLOEXEC) != 0 || ::pipe2(printed, O_CLOEXEC) != 0) {
        const QString why = files::lastSystemError();
        for (int fd : {report[0], report[1], printed[0], printed[1]})
            if (fd >= 0)
                ::close(fd);
        throw unreadable(jetPath, why);
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::close(printed[0]);
        ::dup2(printed[1], STDERR_FILENO);
        int status = 0;
        try {
            const auto tables = work([&](qint64 done, qint64 total) {
                writeLine(report[1], "p " + QByteArray::number(done) + ' ' + QByteArray::number(total));
            });
            for (const ImportedTable& table : tables)
                writeLine(report[1], "t " + QByteArray::number(table.rows) + ' ' +
                                         table.name.toUtf8().toPercentEncoding());
            writeLine(report[1], "ok");
        } catch (const EngineError& error) {
            writeLine(report[1], "e " + QByteArray::number(int(error.kind())) + ' ' +
                                     error.message().toUtf8().toPercentEncoding());
            status = 1;
        } catch (...) {
            status = 2;
        }
        std::fflush(nullptr);
        ::_exit(status);
    }
    ::close(report[1]);
    ::close(printed[1]);
    if (child < 0) {
        const QString why = files::lastSystemError();
        ::close(report[0]);
        ::close(printed[0]);
        throw unreadable(jetPath, why);
    }

    QByteArray pending, errors;
    QList<QByteArray> verdict;
    bool reportOpen = true, printedOpen = true, quiet = false;
    QElapsedTimer sinceHeard;
    sinceHeard.start();
    while (reportOpen || printedOpen) {
        pollfd watched[2] = {{report[0], POLLIN, 0}, {printed[0], POLLIN, 0}};
        const int ready = ::poll(watched, 2, 250);
        if (ready < 0 && errno != EINTR)
            break;
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(watched[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t got = ::read(watched[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (i == 0 ? pending : errors).append(buffer, got);
                sinceHeard.restart();
            } else if (got == 0 || errno != EINTR) {
                (i == 0 ? reportOpen : printedOpen) = false;
            }
        }
        // Whole lines as they come: progress for the progress box, the rest kept for the verdict.
        for (qsizetype stop; (stop = pending.indexOf('\n')) >= 0;) {
            const QByteArray line = pending.left(stop);
            pending.remove(0, stop + 1);
            const QList<QByteArray> parts = line.split(' ');
            if (line.startsWith("p ") && parts.size() == 3) {
                if (progress)
                    progress(parts[1].toLongLong(), parts[2].toLongLong());
            } else {
                verdict << line;
            }
        }
        if (sinceHeard.elapsed() > quietLimitMs) {
            ::kill(child, SIGKILL);
            quiet = true;
            break;
        }
    }
    ::close(report[0]);
    ::close(printed[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (quiet)
        throw unreadable(jetPath, QStringLiteral("讀取超過 %1 秒沒有進展,已經停止").arg(quietLimitMs / 1000));
    std::vector<ImportedTable> tables;
    bool whole = false;
    for (const QByteArray& line : verdict) {
        if (line.startsWith("t ")) {
            const qsizetype space = line.indexOf(' ', 2);
            tables.push_back({QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(space + 1))),
                              line.mid(2, space - 2).toLongLong()});
        } else if (line == "ok") {
            whole = true;
        } else if (line.startsWith("e ")) {
            const qsizetype space = line.indexOf(' ', 2);
            throw EngineError(Kind(line.mid(2, space - 2).toInt()),
                              QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(space + 1))));
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !whole)
        throw unreadable(
            jetPath,
            WIFSIGNALED(status)
                ? QStringLiteral("讀取時發生嚴重錯誤 (訊號 %1),檔案可能已經損毀").arg(WTERMSIG(status))
                : QStringLiteral("讀取時發生嚴重錯誤,檔案可能已經損毀"));
    const QString said = QString::fromLocal8Bit(errors).trimmed();
    if (!said.isEmpty())
        throw unreadable(jetPath, QStringLiteral("讀取時出現錯誤:%1").arg(said.section(u'\n', 0, 2)));
    return tables;
}

} // namespace store
