// A Windows-era file that is damaged, read by two copies at once, or has no password: the import
// refuses what it cannot read whole, never takes the program down, and never turns a slip of
// the finger into the new file's password.
#include "TestSupport.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/JetFile.h"
#include "store/import/JetImport.h"
#include "ui/ScriptedDialogs.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

using namespace testing;

namespace {

const QString fixture = QStringLiteral(LEGACY_FIXTURE);
constexpr int jetPage = 4096;

// One byte of the fixture's first table definition changed: libmdb follows it out of its
// buffer and dies with a segmentation fault.
QByteArray damagedDefinition()
{
    QByteArray bytes = fileBytes(fixture);
    bytes[122935] = char(0x10);
    return bytes;
}

// The fixture's pages of a kind (1 data, 2 table definition); for data pages, those of the
// table whose definition is at `owner` (2 is the catalog), or of every table with -1.
QList<int> pagesOf(const QByteArray& bytes, int kind, int owner = -1)
{
    QList<int> pages;
    for (int page = 1; page * jetPage < bytes.size(); ++page) {
        const char* at = bytes.constData() + qsizetype(page) * jetPage;
        if (at[0] != char(kind))
            continue;
        if (kind == 1 && owner >= 0 && qFromLittleEndian<quint32>(at + 4) != quint32(owner))
            continue;
        pages << page;
    }
    return pages;
}

struct Outcome
{
    bool imported = false;
    QString refusal;
};

// Imports the bytes as a Jet file into a new file and checks what came of it: a refusal, or
// all six tables of every release; the Jet file only ever read.
Outcome importBytes(const QByteArray& bytes, const QString& folder, QString& fault)
{
    const QString jet = QDir(folder).filePath(QStringLiteral("old.mdb"));
    const QString made = QDir(folder).filePath(QStringLiteral("new.mdb"));
    QFile::remove(made);
    writeFileBytes(jet, bytes);
    Outcome outcome;
    try {
        store::importJetFile(jet, made, password);
        outcome.imported = true;
    } catch (const engine::EngineError& error) {
        outcome.refusal = error.message();
    }
    if (fileBytes(jet) != bytes)
        fault = QStringLiteral("the Jet file changed");
    if (outcome.imported) {
        const auto connection = engine::Connection::openFile(made, password);
        for (const char* table : {"spend", "save", "spend_type", "save_type", "account_type", "weight"})
            if (!connection->findTableInfo(QLatin1String(table)))
                fault = QStringLiteral("imported without %1").arg(QLatin1String(table));
    } else if (QFile::exists(made) || filesIn(folder).size() != 1) {
        fault = QStringLiteral("a refusal left files: ") + filesIn(folder).join(u',');
    }
    return outcome;
}

} // namespace

class TestDamagedImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A file that makes libmdb crash is read in a process of its own: the crash is a refusal
    // naming the file, in the program (one error box, the window opens, the file untouched)
    // and in the tool (a message and status 1).
    void crashingFileIsRefused()
    {
        const QByteArray bytes = damagedDefinition();
        {
            TempWorkdir dir;
            writeFileBytes(dir.file(QStringLiteral("finance.mdb")), bytes);
            StartedForm started({password}, ErrorBoxes::Expected);
            const QStringList errors = started.dialogs().errors();
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.front().startsWith(QStringLiteral("無法讀取 Windows 版的資料庫檔")),
                     qPrintable(errors.front()));
            started.close();
            QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.mdb"))), bytes);
            QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("finance.mdb")});
        }
        TempWorkdir dir;
        writeFileBytes(dir.file(QStringLiteral("old.mdb")), bytes);
        QProcess tool;
        tool.start(QStringLiteral(IMPORT_TOOL), {QStringLiteral("old.mdb"), QStringLiteral("new.mdb")});
        tool.write("1234\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(QString::fromUtf8(tool.readAllStandardError())
                    .contains(QStringLiteral("無法讀取 Windows 版的資料庫檔")));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("old.mdb")});
    }

    // A catalog page that cannot be read whole loses tables without a word from libmdb: the
    // import is refused rather than made without them.
    void partialCatalogIsRefused()
    {
        const QByteArray original = fileBytes(fixture);
        const QList<int> catalog = pagesOf(original, 1, 2);
        QVERIFY(!catalog.isEmpty());
        TempWorkdir dir;
        // The catalog's data page says it holds fewer rows than it does.
        QByteArray bytes = original;
        const qsizetype at = qsizetype(catalog.first()) * jetPage + 12;
        bytes[at] = char(quint8(bytes[at]) / 2);
        bytes[at + 1] = 0;
        QString fault;
        const Outcome outcome = importBytes(bytes, dir.path(), fault);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QVERIFY(!outcome.imported);
        QVERIFY2(outcome.refusal.startsWith(QStringLiteral("無法讀取 Windows 版的資料庫檔")),
                 qPrintable(outcome.refusal));
    }

    // Mutated copies of the fixture: bit flips and bytes anywhere, and fields of the table
    // definitions and the catalog's rows. Every one ends in a refusal or in an import with all
    // six tables; the Jet file is never written; nothing takes this process down. Set
    // VELLORAN_IMPORT_FUZZ_CASES for a longer run.
    void mutatedFiles()
    {
        const int cases = qEnvironmentVariableIntValue("VELLORAN_IMPORT_FUZZ_CASES") > 0
                              ? qEnvironmentVariableIntValue("VELLORAN_IMPORT_FUZZ_CASES")
                              : 80;
        const QByteArray original = fileBytes(fixture);
        const QList<int> definitions = pagesOf(original, 2);
        const QList<int> catalog = pagesOf(original, 1, 2);
        QVERIFY(!definitions.isEmpty() && !catalog.isEmpty());
        QRandomGenerator random(20261211);
        TempWorkdir dir;
        std::map<QString, int> seen;
        int imported = 0;
        for (int n = 0; n < cases; ++n) {
            QByteArray bytes = original;
            const int kind = n % 4;
            const int changes = 1 + int(random.bounded(3));
            for (int c = 0; c < changes; ++c) {
                qsizetype at = 0;
                if (kind == 0 || kind == 1) {
                    at = jetPage + qsizetype(random.bounded(quint32(original.size() - jetPage)));
                } else if (kind == 2) {
                    const int page = definitions[int(random.bounded(quint32(definitions.size())))];
                    at = qsizetype(page) * jetPage + 8 + random.bounded(120);
                } else {
                    const int page = catalog[int(random.bounded(quint32(catalog.size())))];
                    at = qsizetype(page) * jetPage + 8 + random.bounded(quint32(jetPage - 8));
                }
                if (kind == 0)
                    bytes[at] = char(quint8(bytes[at]) ^ (1u << random.bounded(8)));
                else
                    bytes[at] = char(random.bounded(256));
            }
            QString fault;
            const Outcome outcome = importBytes(bytes, dir.path(), fault);
            QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("case %1: %2").arg(n).arg(fault)));
            if (outcome.imported)
                ++imported;
            else
                ++seen[outcome.refusal.section(u':', 1).section(u'(', 0, 0).left(24)];
        }
        qInfo("%d mutated files: %d imported with all six tables, %d refused", cases, imported,
              cases - imported);
        for (const auto& [why, count] : seen)
            qInfo("  %4d refused: %s", count, qPrintable(why));
    }

    // Two copies started together on a Windows-era folder: the one that finds the folder held
    // says the file is in use and brings nothing across; the other imports alone.
    void secondCopyDuringImportFindsTheFileInUse()
    {
        TempWorkdir dir;
        QVERIFY(QFile::copy(fixture, dir.file(QStringLiteral("finance.mdb"))));
        const int held =
            ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        {
            StartedForm started({password}, ErrorBoxes::Expected);
            const QStringList errors = started.dialogs().errors();
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.front().contains(QStringLiteral("正被另一個 Velloran 使用中")),
                     qPrintable(errors.front()));
            started.close();
        }
        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.mdb"))), fileBytes(fixture));
        ::close(held);
        StartedForm started({password});
        QVERIFY(!engine::isJetFile(dir.file(QStringLiteral("finance.mdb"))));
        QCOMPARE(rowsOf(*started.form().Connection, QStringLiteral("select count(*) from spend")),
                 QStringLiteral("308"));
    }

    // A Jet file without a password takes whatever was typed; the new file is written with it
    // only once it has been typed a second time the same.
    void passwordlessFileAsksForThePasswordAgain()
    {
        QByteArray bytes = fileBytes(fixture);
        // The first character of the stored password ("1") made a terminator: no password.
        bytes[0x42] = char(quint8(bytes[0x42]) ^ 0x31);
        TempWorkdir dir;
        writeFileBytes(dir.file(QStringLiteral("finance.mdb")), bytes);
        QVERIFY(engine::readJetHeader(dir.file(QStringLiteral("finance.mdb")))->password.isEmpty());
        {
            StartedForm started({QStringLiteral("abcd"), QStringLiteral("abce")}, ErrorBoxes::Expected);
            const QStringList errors = started.dialogs().errors();
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.front().startsWith(QStringLiteral("兩次輸入的密碼不一樣")),
                     qPrintable(errors.front()));
            started.close();
        }
        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.mdb"))), bytes);
        {
            StartedForm started({QStringLiteral("abcd"), std::nullopt}, ErrorBoxes::Expected);
            QCOMPARE(started.dialogs().errors().size(), 1);
            started.close();
        }
        QCOMPARE(fileBytes(dir.file(QStringLiteral("finance.mdb"))), bytes);
        {
            StartedForm started({QStringLiteral("abcd"), QStringLiteral("abcd")});
            QCOMPARE(rowsOf(*started.form().Connection, QStringLiteral("select count(*) from weight")),
                     QStringLiteral("30"));
            started.close();
        }
        QCOMPARE(rowsOf(*engine::Connection::openFile(dir.file(QStringLiteral("finance.mdb")),
                                                      QStringLiteral("abcd")),
                        QStringLiteral("select count(*) from spend")),
                 QStringLiteral("308"));
    }
};

QTEST_MAIN(TestDamagedImport)
#include "test_damaged_import.moc"
