#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

namespace engine {
class Connection;
class DataSource;
class Query;
} // namespace engine

namespace platform {
class Tray;
}

// The one window of the program. It holds the controls, the connection to finance.mdb, the
// eight shared query slots with their data sources, and the handlers of every event.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int clientWidth = 1072;
    static constexpr int clientHeight = 686;

    // Creating the window runs FormCreate, the start-up sequence.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Members of the window besides its controls.
    QString DatabasePassword;
    std::array<qint32, 32> DayNet{};
    qint32 DayQueriesLeft = 0;
    std::unique_ptr<engine::Connection> Connection;
    std::array<std::unique_ptr<engine::Query>, 8> Query;
    std::array<std::unique_ptr<engine::DataSource>, 8> DataSource;

    // Lifecycle (app/).
    void FormCreate();
    void FormClose();
    void FormDestroy();
    // Which step of the start-up sequence ran last, 1 to 16.
    int startupStepsRun() const { return m_startupStepsRun; }

    // Connection and login (store/).
    void CreateDatabaseObjects();
    void PromptForPassword();
    void OpenDatabase();
    void UpgradeSchema();

    // View refresh routines (store/).
    void OpenSpendGrid();

    // Tray icon (app/).
    bool SetTrayIcon(int action);
    platform::Tray* tray() const { return m_tray.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartupSequence();

    std::unique_ptr<platform::Tray> m_tray;
    int m_startupStepsRun = 0;
    bool m_closed = false;
};

extern TForm1* Form1;
