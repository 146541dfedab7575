#include "Login.h"

#include "app/TForm1.h"
#include "store/engine/Connection.h"
#include "store/engine/DataSource.h"
#include "store/engine/Query.h"
#include "ui/Dialogs.h"

namespace store {

QString passwordReminder()
{
    return QStringLiteral("請輸密碼,預設密碼為 ") + QString::fromUtf16(defaultPassword);
}

} // namespace store

void TForm1::CreateDatabaseObjects()
{
    Connection = std::make_unique<engine::Connection>();
    for (auto& query : Query)
        query = std::make_unique<engine::Query>();
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
        Connection->open();
    } catch (...) {
    }
}
