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
    using Step = StartupStep;
    CreateDatabaseObjects();
    m_startupStepsRun = Step::DatabaseObjectsMade;
    PromptForPassword();
    m_startupStepsRun = Step::PasswordTyped;
    OpenDatabase();
    m_startupStepsRun = Step::DatabaseOpened;

    // From here on the first error ends the sequence; it is shown once and the window opens.
    const std::pair<Step, void (TForm1::*)()> steps[] = {
        {Step::SchemaUpgraded, &TForm1::UpgradeSchema},
        {Step::SpendGridOpened, &TForm1::OpenSpendGrid},
        {Step::SaveGridOpened, &TForm1::OpenSaveGrid},
        {Step::CatalogGridsOpened, &TForm1::OpenCatalogGrids},
        {Step::WeightGridOpened, &TForm1::OpenWeightGrid},
        {Step::BalancesComputed, &TForm1::RecalcBalances},
        {Step::AccountListsFilled, &TForm1::FillAccountLists},
        {Step::SpendTypeListsFilled, &TForm1::FillSpendTypeLists},
        {Step::SaveTypeListsFilled, &TForm1::FillSaveTypeLists},
    };
    try {
        for (const auto& [done, step] : steps) {
            (this->*step)();
            m_startupStepsRun = done;
        }
        SetTrayIcon(platform::Tray::Add);
        m_startupStepsRun = Step::TrayIconAdded;
        SetTrayIcon(platform::Tray::Modify);
        m_startupStepsRun = Step::TrayIconShown;
        LoadBodyMeasures();
        m_startupStepsRun = Step::BodyMeasuresLoaded;
        DayQueriesLeft = 31;
        m_startupStepsRun = Step::DayCacheReset;
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
    // A settings file that cannot be written either (one full disk) is told as well: neither
    // failure hides the other.
    try {
        SaveBodyMeasures();
    } catch (...) {
        if (backupFailed)
            ui::showEscapedError(backupFailed);
        throw;
    }
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
