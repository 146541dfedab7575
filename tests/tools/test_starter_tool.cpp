// The make-starter-db tool as ./run uses it: options, refusals, interruption, file mode.
#include "TestSupport.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ToolRun
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString& folder, const QStringList& arguments, mode_t mask = 022)
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
    tool.setChildProcessModifier([mask] { ::umask(mask); });
    tool.start(QStringLiteral(MAKE_STARTER_DB), arguments);
    ToolRun run;
    run.finished = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit;
    run.exitCode = tool.exitCode();
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Each entry of the folder with its kind, mode and bytes (or link target), to see that nothing changed.
QStringList snapshotOf(const QString& folder)
{
    QStringList entries;
    for (const QString& name : namesIn(folder)) {
        const QString path = QDir(folder).filePath(name);
        struct stat status
        {
        };
        ::lstat(QFile::encodeName(path).constData(), &status);
        QString what = QString::number(status.st_mode, 8);
        if (S_ISLNK(status.st_mode)) {
            what += u'>' + QFile::symLinkTarget(path);
        } else if (S_ISREG(status.st_mode)) {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            what += u'#' + QString::fromLatin1(
                               QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        }
        entries << name + u'|' + what;
    }
    return entries;
}

// The ledger's tables (and the texts the search looks words up in), then their starting rows.
const QString wholeStarter =
    QStringLiteral("account_type;entry_texts;save;save_type;spend;spend_type;weight / "
                   "1|食物;2|交通;3|居家;4|娛樂;5|醫療 / 1|薪資;2|獎金;3|利息 / "
                   "1|現金|0;2|銀行|0");

// What a starter file holds, or why it cannot be read.
QString contentsOf(const QString& path)
{
    try {
        const auto connection = engine::Connection::openFile(path, testing::password);
        return QStringList{
            testing::rowsOf(*connection,
                            QStringLiteral("select name from sqlite_master where type = 'table' and "
                                           "name not like 'sqlite%' order by name")),
            testing::rowsOf(*connection, QStringLiteral("select 編號, 類型 from spend_type order by 編號")),
            testing::rowsOf(*connection, QStringLiteral("select 編號, 類型 from save_type order by 編號")),
            testing::rowsOf(*connection,
                            QStringLiteral("select 編號, 帳戶名稱, 餘額 from account_type order by 編號")),
        }
            .join(QStringLiteral(" / "));
    } catch (const engine::EngineError& error) {
        return error.message();
    }
}

int modeOf(const QString& path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return int(status.st_mode & 07777);
}

enum class Existing
{
    File,
    EmptyFile,
    DanglingLink,
    MissingFolder
};

} // namespace

Q_DECLARE_METATYPE(Existing)

class TestStarterTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("named"); // what the error names besides the usage
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << QString();
        QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0 << QString();
        QTest::newRow("help after a name")
            << QStringList{QStringLiteral("x.mdb"), QStringLiteral("--help")} << 0 << QString();
        QTest::newRow("unknown long option")
            << QStringList{QStringLiteral("--force")} << 2 << QStringLiteral("--force");
        QTest::newRow("unknown short option before a name")
            << QStringList{QStringLiteral("-x"), QStringLiteral("x.mdb")} << 2 << QStringLiteral("-x");
        QTest::newRow("two names") << QStringList{QStringLiteral("a.mdb"), QStringLiteral("b.mdb")} << 2
                                   << QStringLiteral("b.mdb");
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, named);
        QTemporaryDir folder;
        const ToolRun run = runTool(folder.path(), arguments);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, exitCode);
        const QString usageStream = exitCode == 0 ? run.out : run.err;
        QVERIFY2(usageStream.contains(QStringLiteral("make-starter-db")) &&
                     usageStream.contains(QStringLiteral("--help")),
                 qPrintable(run.out + run.err));
        QVERIFY2(run.err.contains(named), qPrintable(run.err));
        QCOMPARE(namesIn(folder.path()), QStringList());
    }

    void writesAWholePrivateFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("umask");
        QTest::newRow("default name, umask 022") << QStringList() << QStringLiteral("finance.mdb") << 022;
        QTest::newRow("named, umask 000")
            << QStringList{QStringLiteral("mine.mdb")} << QStringLiteral("mine.mdb") << 0;
        QTest::newRow("name after --") << QStringList{QStringLiteral("--"), QStringLiteral("-odd.mdb")}
                                       << QStringLiteral("-odd.mdb") << 022;
    }
    void writesAWholePrivateFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, written);
        QFETCH(int, umask);
        QTemporaryDir folder;
        const ToolRun run = runTool(folder.path(), arguments, mode_t(umask));
        QVERIFY(run.finished);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.contains(QStringLiteral("1234")));
        QCOMPARE(namesIn(folder.path()), QStringList{written});
        const QString path = QDir(folder.path()).filePath(written);
        QCOMPARE(QString::number(modeOf(path), 8), QStringLiteral("600"));
        QCOMPARE(contentsOf(path), wholeStarter);
    }

    void failureNamesThePathAndChangesNothing_data()
    {
        QTest::addColumn<Existing>("existing");
        QTest::newRow("a file with data") << Existing::File;
        QTest::newRow("an empty file") << Existing::EmptyFile;
        QTest::newRow("a link to nothing") << Existing::DanglingLink;
        QTest::newRow("a missing folder") << Existing::MissingFolder;
    }
    void failureNamesThePathAndChangesNothing()
    {
        QFETCH(Existing, existing);
        QTemporaryDir folder;
        QString path = folder.filePath(QStringLiteral("finance.mdb"));
        QFile file(path);
        switch (existing) {
        case Existing::File:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("the user's own ledger");
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
            break;
        case Existing::EmptyFile:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            break;
        case Existing::DanglingLink:
            QVERIFY(QFile::link(folder.filePath(QStringLiteral("elsewhere.mdb")), path));
            break;
        case Existing::MissingFolder:
            path = folder.filePath(QStringLiteral("nowhere/finance.mdb"));
            break;
        }
        const QStringList before = snapshotOf(folder.path());
        const ToolRun run = runTool(folder.path(), {path});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(path), qPrintable(run.err));
        QCOMPARE(snapshotOf(folder.path()), before);
    }

    // Whenever the tool is stopped, the final name is either absent or a whole file, so that the
    // next ./run either writes it anew or starts on it.
    void interruptedLeavesNothingHalf_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("delayMs"); // after the first file appears in the folder
        for (int delay : {0, 5, 15, 30, 45, 60, 80, 200})
            QTest::addRow("SIGKILL +%d ms", delay) << int(SIGKILL) << delay;
        for (int delay : {0, 30, 60})
            QTest::addRow("SIGINT +%d ms", delay) << int(SIGINT) << delay;
    }
    void interruptedLeavesNothingHalf()
    {
        QFETCH(int, signal);
        QFETCH(int, delayMs);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("finance.mdb"));
        QProcess tool;
        tool.setWorkingDirectory(folder.path());
        tool.start(QStringLiteral(MAKE_STARTER_DB), {QStringLiteral("finance.mdb")});
        QVERIFY(tool.waitForStarted());
        QDeadlineTimer deadline(30000);
        while (namesIn(folder.path()).isEmpty() && !deadline.hasExpired())
            QThread::usleep(100);
        QVERIFY(!namesIn(folder.path()).isEmpty());
        QThread::msleep(ulong(delayMs));
        const qint64 pid = tool.processId();
        if (!tool.waitForFinished(0)) {
            ::kill(pid_t(pid), signal);
            QVERIFY(tool.waitForFinished(30000));
        }

        const QStringList left = namesIn(folder.path());
        if (left.contains(QStringLiteral("finance.mdb"))) {
            QCOMPARE(contentsOf(path), wholeStarter);
            QCOMPARE(left, QStringList{QStringLiteral("finance.mdb")});
            return;
        }
        for (const QString& name : left)
            QVERIFY2(!name.startsWith(QStringLiteral("finance.mdb")), qPrintable(name));
        // The next start writes it anew, and clears what the stopped run left behind.
        const ToolRun again = runTool(folder.path(), {QStringLiteral("finance.mdb")});
        QVERIFY2(again.finished && again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(namesIn(folder.path()), QStringList{QStringLiteral("finance.mdb")});
        QCOMPARE(contentsOf(path), wholeStarter);
    }
};

QTEST_MAIN(TestStarterTool)
#include "test_starter_tool.moc"
