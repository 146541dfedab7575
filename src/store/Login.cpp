#include "Login.h"

#include "app/TForm1.h"
#include "store/engine/Connection.h"
#include "store/engine/DataSource.h"
#include "store/engine/EngineError.h"
#include "store/engine/JetFile.h"
#include "store/engine/Query.h"
#include "store/import/JetImport.h"
#include "ui/Dialogs.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>
#include <climits>

namespace store {

QString passwordReminder()
{
    return QStringLiteral("請輸密碼,預設密碼為 ") + QString::fromUtf16(defaultPassword);
}

} // namespace store

void TForm1::CreateDatabaseObjects()
{
    Connection = std::make_unique<engine::Connection>();
    for (auto& query : Query) {
        query = std::make_unique<engine::Query>();
        QObject::connect(query.get(), &engine::Query::fieldsUnreadable, query.get(),
                         [](const QString& message) { ui::ShowError(message); });
    }
    for (auto& source : DataSource)
        source = std::make_unique<engine::DataSource>();
}

void TForm1::PromptForPassword()
{
    const QString placeholder = QString::fromUtf16(ui::placeholderWord);
    DatabasePassword = placeholder;
    while (true) {
        ui::PasswordQuery(QStringLiteral("請輸入密碼"), QStringLiteral("密碼 :"), DatabasePassword);
        if (!DatabasePassword.isEmpty() && DatabasePassword != placeholder)
            break;
        ui::ShowMessage(store::passwordReminder());
    }
}

void TForm1::OpenDatabase()
{
    // A failure here is silent: the connection stays closed and the first statement that
    // needs it reports why. The connection never prompts for a login and stays open between
    // statements.
    try {
        Connection->setConnectionString(QString::fromUtf16(store::connectionString));
        Connection->setProperty(QString::fromLatin1(engine::Connection::passwordProperty), DatabasePassword);
        Connection->setShareMode(engine::Connection::ShareMode::Exclusive);
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
