// finance.mdb as it should not be, and surroundings that get in the way: each is refused with a
// message that says what is wrong, nothing crashes, and not one byte of the folder changes.
#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "WindowRun.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <QFileInfo>
#include <QtTest>
#include <sys/stat.h>

using Kind = engine::EngineError::Kind;

Q_DECLARE_METATYPE(Kind)

namespace {

const QString fileName = QStringLiteral("finance.mdb");

// The working directory laid out for a case, put back when the case ends: the folder's own
// permissions restored, and the second copy that holds the file, if any, ended.
class Case
{
public:
    Case(const QString& setup, const QString& folder) : m_folder(folder)
    {
        const QString path = QDir(folder).filePath(fileName);
        if (setup == QLatin1String("empty file")) {
            testing::writeFileBytes(path, QByteArray());
        } else if (setup == QLatin1String("text file")) {
            testing::writeFileBytes(
                path, QStringLiteral("這不是資料庫,是一封信。\nDear Velloran,\n").repeated(40).toUtf8());
        } else if (setup == QLatin1String("folder in its place")) {
            QDir(folder).mkdir(fileName);
        } else {
            reliability::writeStarterCopy(path);
            if (setup == QLatin1String("first 3000 bytes")) {
                testing::writeFileBytes(path, testing::fileBytes(path).left(3000));
            } else if (setup == QLatin1String("cut at a page boundary")) {
                const QByteArray whole = testing::fileBytes(path);
                testing::writeFileBytes(path, whole.left(whole.size() / 1024 / 2 * 1024));
            } else if (setup == QLatin1String("read-only file")) {
                // The folder open to everyone; only the file closed to writing.
                setMode(folder, 0777);
                setMode(path, 0444);
            } else if (setup == QLatin1String("read-only folder")) {
                setMode(folder, 0555);
                setMode(path, 0666);
            } else if (setup == QLatin1String("held by another copy")) {
                m_holder = std::make_unique<QProcess>();
                m_holder->setWorkingDirectory(folder);
                m_holder->start(QStringLiteral(LEDGER_WRITER), {QStringLiteral("hold")});
                QByteArray said;
                while (!said.contains("holding") && m_holder->waitForReadyRead(30000))
                    said += m_holder->readAllStandardOutput();
                m_holding = said.contains("holding");
            }
        }
    }
    ~Case()
    {
        release();
        setMode(m_folder, 0700);
    }

    // Whether the case is in place; false only when the second copy could not get the file.
    bool ready() const { return !m_holder || m_holding; }
    // Ends the second copy: true when there was none or it ended as it should.
    bool release()
    {
        if (!m_holder)
            return true;
        m_holder->closeWriteChannel();
        const bool ended = m_holder->waitForFinished(30000) &&
                           m_holder->exitStatus() == QProcess::NormalExit && m_holder->exitCode() == 0;
        if (!ended)
            qWarning("the second copy ended badly: %s", m_holder->readAllStandardError().constData());
        m_holder.reset();
        return ended;
    }

private:
    static void setMode(const QString& path, mode_t mode)
    {
        ::chmod(QFile::encodeName(path).constData(), mode);
    }

    QString m_folder;
    std::unique_ptr<QProcess> m_holder;
    bool m_holding = false;
};

struct Attempt
{
    QString message; // "open" when it opened
    Kind kind = Kind::Other;
};

// One opening of finance.mdb in the working directory, in this process or, for the cases that
// root's privileges would hide, by the open-probe as a user without them.
Attempt attemptOpen(const QString& password, bool unprivileged, const QString& folder)
{
    Attempt attempt;
    if (unprivileged) {
        QProcess probe;
        reliability::prepareUnprivileged(probe, QStringLiteral(OPEN_PROBE), {password});
        probe.setWorkingDirectory(folder);
        probe.start();
        probe.waitForFinished(60000);
        attempt.message = QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
        if (probe.exitStatus() != QProcess::NormalExit || (probe.exitCode() != 0 && probe.exitCode() != 1))
            attempt.message = QStringLiteral("the probe failed (%1): %2")
                                  .arg(probe.exitCode())
                                  .arg(QString::fromLocal8Bit(probe.readAllStandardError()));
        return attempt;
    }
    try {
        testing::connect(password);
        attempt.message = QStringLiteral("open");
    } catch (const engine::EngineError& error) {
        attempt.message = error.message();
        attempt.kind = error.kind();
    }
    return attempt;
}

void verifyWords(const QString& message, const QStringList& words)
{
    for (const QString& word : words)
        QVERIFY2(message.contains(word),
                 qPrintable(QStringLiteral("「%1」 lacks 「%2」").arg(message, word)));
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedAndLeftAlone_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<bool>("unprivileged"); // opened by a user whom file permissions stop
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("words"); // the message holds every one of them
        QTest::addColumn<bool>("opensLater");   // the right password opens it once the case is over

        struct Row
        {
            const char* name;
            const char* setup;
            const char* password;
            int attempts;
            bool unprivileged;
            Kind kind;
            QStringList words;
            bool opensLater;
        };
        // clang-format off
        const Row rows[] = {
            {"wrong password, again and again", "wrong password", "12345", 50, false, Kind::WrongPassword,
             {"資料庫密碼錯誤", "finance.mdb"}, true},
            {"a wrong password written as SQL", "wrong password", "x'; PRAGMA key = '1234", 1, false,
             Kind::WrongPassword, {"資料庫密碼錯誤"}, true},
            {"held by another copy", "held by another copy", "1234", 3, false, Kind::FileInUse,
             {"finance.mdb", "使用中"}, true},
            {"read-only file", "read-only file", "1234", 1, true, Kind::ReadOnly,
             {"finance.mdb", "唯讀"}, false},
            {"read-only folder", "read-only folder", "1234", 1, true, Kind::ReadOnly,
             {"finance.mdb", "資料夾無法寫入"}, false},
            {"a text file", "text file", "1234", 1, false, Kind::NotADatabase,
             {"finance.mdb", "不是 Velloran 的資料庫檔"}, false},
            {"first 3000 bytes", "first 3000 bytes", "1234", 1, false, Kind::NotADatabase,
             {"損毀"}, false},
            {"cut at a page boundary", "cut at a page boundary", "1234", 1, false, Kind::NotADatabase,
             {"損毀"}, false},
            {"empty file", "empty file", "1234", 1, false, Kind::NotADatabase,
             {"finance.mdb", "空的檔案"}, false},
            {"a folder in its place", "folder in its place", "1234", 1, false, Kind::NotADatabase,
             {"finance.mdb", "資料夾", "不是 Velloran 的資料庫檔"}, false},
        };
        // clang-format on
        for (const Row& row : rows)
            QTest::newRow(row.name) << QString::fromUtf8(row.setup) << QString::fromUtf8(row.password)
                                    << row.attempts << row.unprivileged << row.kind << row.words
                                    << row.opensLater;
    }
    void refusedAndLeftAlone()
    {
        QFETCH(QString, setup);
        QFETCH(QString, password);
        QFETCH(int, attempts);
        QFETCH(bool, unprivileged);
        QFETCH(Kind, kind);
        QFETCH(QStringList, words);
        QFETCH(bool, opensLater);
        testing::TempWorkdir dir;
        Case layout(setup, dir.path());
        if (QTest::currentTestFailed())
            return;
        QVERIFY(layout.ready());
        if (unprivileged)
            if (const QString why =
                    reliability::unprivilegedRunsUnavailable(dir.path(), {QStringLiteral(OPEN_PROBE)});
                !why.isEmpty())
                QSKIP(qPrintable(why));
        const QStringList before = reliability::folderState(dir.path());

        for (int i = 0; i < attempts; ++i) {
            const Attempt attempt = attemptOpen(password, unprivileged, dir.path());
            verifyWords(attempt.message, words);
            if (QTest::currentTestFailed())
                return;
            if (!unprivileged)
                QCOMPARE(attempt.kind, kind);
        }
        QCOMPARE(reliability::folderState(dir.path()), before);

        QVERIFY(layout.release());
        if (opensLater) {
            auto connection = testing::connect();
            QCOMPARE(reliability::integrityOf(connection->handle()), QStringLiteral("ok"));
            QCOMPARE(testing::rowsOf(*connection,
                                     QStringLiteral("select 帳戶名稱 from account_type order by 編號")),
                     QStringLiteral("現金;銀行"));
        }
    }

    // The same through the window: after the password prompt exactly one error box says what
    // is wrong, and the window goes on answering.
    void oneErrorBoxAndTheWindowRuns_data() { refusedAndLeftAlone_data(); }
    void oneErrorBoxAndTheWindowRuns()
    {
        QFETCH(QString, setup);
        QFETCH(QString, password);
        QFETCH(bool, unprivileged);
        QFETCH(QStringList, words);
        testing::TempWorkdir dir;
        Case layout(setup, dir.path());
        if (QTest::currentTestFailed())
            return;
        QVERIFY(layout.ready());
        if (unprivileged)
            if (const QString why =
                    reliability::unprivilegedRunsUnavailable(dir.path(), {QStringLiteral(WINDOW_PROBE)});
                !why.isEmpty())
                QSKIP(qPrintable(why));
        const QStringList before = reliability::folderState(dir.path());

        QStringList lines;
        if (unprivileged) {
            QProcess probe;
            reliability::prepareUnprivileged(probe, QStringLiteral(WINDOW_PROBE), {password});
            probe.setWorkingDirectory(dir.path());
            probe.start();
            QVERIFY(probe.waitForFinished(60000));
            QVERIFY2(probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0,
                     probe.readAllStandardError().constData());
            lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        } else {
            lines = reliability::runWindow(password);
        }

        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QStringLiteral("input 請輸入密碼"));
        QVERIFY2(lines.at(1).startsWith(QLatin1String("error ")), qPrintable(lines.at(1)));
        verifyWords(lines.at(1), words);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(lines.at(2), QStringLiteral("running"));
        QCOMPARE(lines.at(3), QStringLiteral("message 請選擇支出類型"));
        QVERIFY2(lines.at(4).startsWith(QLatin1String("error ")), qPrintable(lines.at(4)));
        QVERIFY(layout.release());
        QCOMPARE(reliability::folderState(dir.path()), before);
    }
};

QTEST_MAIN(TestHostileFiles)
#include "test_hostile_files.moc"
