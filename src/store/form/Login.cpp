#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/DataSource.h"
#include "engine/EngineError.h"
#include "engine/JetFile.h"
#include "engine/Query.h"
#include "store/LedgerIndexes.h"
#include "store/Texts.h"
#include "store/import/JetImport.h"
#include "ui/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

void TForm1::CreateDatabaseObjects()
{
    Connection = std::make_unique<engine::Connection>();
    store::keepLedgerIndexes(*Connection);
    for (auto& query : Query) {
        query = std::make_unique<engine::Query>();
        QObject::connect(query.get(), &engine::Query::fieldsUnreadable, query.get(),
                         [](const QString& message) { ui::showError(message); });
    }
    for (auto& source : DataSource)
        source = std::make_unique<engine::DataSource>();
}

void TForm1::PromptForPassword()
{
    const QString placeholder = QString::fromUtf16(ui::placeholderWord);
    DatabasePassword = placeholder;
    while (true) {
        ui::passwordQuery(QStringLiteral("請輸入密碼"), QStringLiteral("密碼 :"), DatabasePassword);
        if (!DatabasePassword.isEmpty() && DatabasePassword != placeholder)
            break;
        ui::showMessage(store::passwordReminder());
    }
}

namespace {

// The data folder held by this start from before its file is looked at until the connection
// holds the file: of two copies started together, only one brings a Windows-era file across,
// and the other finds the file in use, as it would find a file of ours.
class FolderLock
{
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        // A folder that cannot be opened to lock is left to the file's own lock.
        m_held = m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return m_held; }

private:
    int m_fd;
    bool m_held = false;
};

} // namespace

void TForm1::OpenDatabase()
{
    // A failure here is silent: the connection stays closed and the first statement that
    // needs it reports why. The connection never prompts for a login and stays open between
    // statements.
    try {
        Connection->setConnectionString(QString::fromUtf16(store::connectionString));
        Connection->setProperty(QString::fromLatin1(engine::Connection::passwordProperty), DatabasePassword);
        Connection->setShareMode(engine::Connection::ShareMode::Exclusive);
        const QFileInfo file(Connection->databasePath());
        const FolderLock lock(file.absolutePath());
        if (!lock.held()) {
            Connection->refuseUntilChanged(engine::EngineError(
                engine::EngineError::Kind::FileInUse,
                QStringLiteral("%1 正被另一個 Velloran 使用中,無法開啟。請先關閉另一個視窗。")
                    .arg(file.fileName())));
            return;
        }
        BringAcrossWindowsFile();
        Connection->open();
    } catch (...) {
    }
}

void TForm1::BringAcrossWindowsFile()
{
    // A finance.mdb of the Windows release opens with its own database password and is
    // imported once, here; a wrong password leaves it untouched for the engine to refuse.
    const QString path = Connection->databasePath();
    const auto header = engine::readJetHeader(path);
    if (!header || !engine::jetPasswordMatches(*header, DatabasePassword))
        return;
    // A Jet file without a password opens with whatever was typed, which becomes the new file's
    // password: a slip of the finger must not lock the user out.
    if (header->password.isEmpty()) {
        QString again;
        const bool answered = ui::passwordQuery(
            QStringLiteral("確認密碼"),
            QStringLiteral("Windows 版的 %1 沒有密碼,轉換後的新檔將以剛才輸入的密碼保護。請再輸入一次:")
                .arg(QFileInfo(path).fileName()),
            again);
        if (!answered || again != DatabasePassword) {
            Connection->refuseUntilChanged(engine::EngineError(
                engine::EngineError::Kind::WrongPassword,
                QStringLiteral("兩次輸入的密碼不一樣,Windows 版的 %1 沒有轉換,檔案沒有變動。請重新啟動程式。")
                    .arg(QFileInfo(path).fileName())));
            return;
        }
    }
    QProgressDialog progress(
        QStringLiteral("正在把 Windows 版的 %1 轉換成這一版的格式,請稍候…").arg(QFileInfo(path).fileName()),
        QString(), 0, 0);
    progress.setWindowTitle(QStringLiteral("Velloran"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    try {
        store::bringAcrossJetFile(path, DatabasePassword, [&progress](qint64 done, qint64 total) {
            progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            progress.setValue(int(std::min<qint64>(done, INT_MAX)));
        });
    } catch (const engine::EngineError& error) {
        // Shown once, by the first statement of the start-up, like any file that does not open.
        Connection->refuseUntilChanged(error);
    }
}
