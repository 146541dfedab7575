#include "TForm1.h"

#include "engine/Connection.h"
#include "engine/DataSource.h"
#include "engine/Query.h"
#include "platform/Clock.h"
#include "platform/Icon.h"
#include "platform/Tray.h"
#include "store/Backup.h"
#include "ui/Guard.h"

#include <QCloseEvent>
#include <QSystemTrayIcon>

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), m_tray(std::make_unique<platform::Tray>())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Velloran"));
    setWindowIcon(platform::programIcon());
    BuildLayout();
    BindStoreEvents();
    BindLedgerEvents();
    BindCatalogEvents();
    BindHealthEvents();
    BindAnalysisEvents();
    BindCalendarEvents();
    BindShellEvents();
    resize(clientWidth, clientHeight);
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
    // The slots outlive the connection: let them go before it.
    for (auto& query : Query)
        query.reset();
    Connection.reset();
}

void TForm1::FormCreate()
{
    StartupSequence();
}

void TForm1::StartupSequence()
{
    CreateDatabaseObjects();
    m_startupStepsRun = 1;
    PromptForPassword();
    m_startupStepsRun = 2;
    OpenDatabase();
    m_startupStepsRun = 3;

    // From here on the first error ends the sequence; it is shown once and the window opens.
    const std::pair<int, void (TForm1::*)()> steps[] = {
        {4, &TForm1::UpgradeSchema},     {5, &TForm1::OpenSpendGrid},       {6, &TForm1::OpenSaveGrid},
        {7, &TForm1::OpenCatalogGrids},  {8, &TForm1::OpenWeightGrid},      {9, &TForm1::RecalcBalances},
        {10, &TForm1::FillAccountLists}, {11, &TForm1::FillSpendTypeLists}, {12, &TForm1::FillSaveTypeLists},
    };
    try {
        for (const auto& [number, step] : steps) {
            (this->*step)();
            m_startupStepsRun = number;
        }
        SetTrayIcon(platform::Tray::Add);
        m_startupStepsRun = 13;
        SetTrayIcon(platform::Tray::Modify);
        m_startupStepsRun = 14;
        LoadBodyMeasures();
        m_startupStepsRun = 15;
        DayQueriesLeft = 31;
        m_startupStepsRun = 16;
    } catch (...) {
        ui::showEscapedError(std::current_exception());
    }
}

void TForm1::FormClose()
{
    const bool wasOpen = Connection && Connection->isOpen();
    const QString database = Connection ? Connection->databasePath() : QString();
    if (Connection)
        Connection->close();
    Connection.reset();
    // A copy of the closed file for the backups; a failed copy is told once, after the
    // measures are saved, and never touches the file itself.
    std::exception_ptr backupFailed;
    if (wasOpen) {
        try {
            store::backUpDatabase(database, platform::now());
        } catch (...) {
            backupFailed = std::current_exception();
        }
    }
    SaveBodyMeasures();
    if (backupFailed)
        std::rethrow_exception(backupFailed);
}

void TForm1::FormDestroy()
{
    SetTrayIcon(platform::Tray::Remove);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        ui::guarded([this] { FormClose(); })();
        // Closing ends the program also when the window is hidden in the tray, where no window
        // closes last for the application to notice.
        Q_EMIT closed();
    }
    event->accept();
}

bool TForm1::SetTrayIcon(int action)
{
    const QString tip = QStringLiteral("Velloran ... ");
    // The tray shows the window's own icon.
    const QIcon icon = windowIcon();
    const bool taken =
        m_tray->request(platform::Tray::Action(action), action == platform::Tray::Modify ? icon : QIcon(),
                        action == platform::Tray::Modify ? tip : QString());
    // A click on the icon, left or right, opens the tray menu.
    if (action == platform::Tray::Add && m_tray->icon())
        connect(m_tray->icon(), &QSystemTrayIcon::activated, this,
                ui::guarded([this](QSystemTrayIcon::ActivationReason reason) { WMTrayIcon(int(reason)); }));
    return taken;
}
