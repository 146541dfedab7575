#pragma once

#include "ledger/Find.h"
#include "store/QueryRoles.h"

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

namespace analysis {
struct Analysis;
}

namespace ui {
struct BadgeAppearance;
class Chart;
class ChartSeries;
class DataGrid;
class DatePicker;
class FlatButton;
class ImageButton;
class LabeledEdit;
class LargeLabel;
class MonthCalendar;
class MultiLineEdit;
class OptionalDate;
class Navigator;
class PickList;
} // namespace ui

class QAction;
class QDate;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QTimer;

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

    // The controls, by page (ui/MainWindowLayout.cpp).
    QTabWidget* TabPagerMain;
    QWidget* TabPageOverView;
    QWidget* TabPageSave;
    QWidget* TabPageSpend;
    QWidget* TabPageHealthy;
    QWidget* TabPagerChar;
    QWidget* TabPageCalender;
    QWidget* TabPageBatch;
    QWidget* TabPageManage;
    QWidget* TabPageAbout;

    // The thirteen Home buttons.
    ui::ImageButton* AdvSmoothButton17;
    ui::ImageButton* AdvSmoothButton4;
    ui::ImageButton* AdvSmoothButton7;
    ui::ImageButton* AdvSmoothButton8;
    ui::ImageButton* AdvSmoothButton9;
    ui::ImageButton* AdvSmoothButton10;
    ui::ImageButton* AdvSmoothButton11;
    ui::ImageButton* AdvSmoothButton12;
    ui::ImageButton* AdvSmoothButton2;
    ui::ImageButton* AdvSmoothButton13;
    ui::ImageButton* AdvSmoothButton1;
    ui::ImageButton* AdvSmoothButton14;
    ui::ImageButton* BtnSetUp;

    // 總覽
    ui::LargeLabel* Label_OverView;
    ui::DataGrid* DBGrid_OverView;

    // 收入
    QLabel* Label_Save_Date;
    ui::DatePicker* DTP_Save;
    QLabel* Label_Save_type;
    ui::PickList* Combobox_Save;
    ui::LabeledEdit* LE_Note_Save;
    ui::LabeledEdit* LE_Save;
    QLabel* Label_Save_cost;
    ui::PickList* Combobox_Cost2;
    ui::ImageButton* btnAddSave;
    ui::ImageButton* btnAnalySaveType;
    ui::ImageButton* btnAnalySaveMonth;
    ui::ImageButton* btnAnalySaveTypeMax;
    ui::ImageButton* btnAnalySaveYear;
    ui::ImageButton* btnBalanceMonth2;
    ui::ImageButton* btnBalanceYear2;
    ui::DataGrid* DBGrid_save;
    ui::LabeledEdit* LE_SaveFind;
    QLabel* Label_SaveFound;

    // 支出
    QLabel* Label_date;
    ui::DatePicker* DTP_spend;
    QLabel* Label_spendtype;
    ui::PickList* Combobox_Spend;
    QLabel* Label_Spend_cost;
    ui::PickList* Combobox_Cost;
    ui::LabeledEdit* LE_Cost;
    QLabel* Label4;
    ui::PickList* ComboBoxSubSpendTypeChoose;
    ui::ImageButton* btnAddSpend;
    ui::ImageButton* btnAnalySpendType;
    ui::ImageButton* btnAnalySpendTypeMax;
    ui::ImageButton* btnAnalySpendMonth;
    ui::ImageButton* btnAnalySpendYear;
    ui::ImageButton* btnBalanceMonth;
    ui::ImageButton* btnBalanceYear;
    ui::DataGrid* DBGrid_spend;
    ui::LabeledEdit* LE_SpendFind;
    QLabel* Label_SpendFound;

    // 健康
    QLabel* Label_health_date;
    ui::DatePicker* DTP_Weight;
    ui::LabeledEdit* LE_Height;
    ui::LabeledEdit* LE_Waistline;
    ui::LabeledEdit* LE_Weight;
    ui::LabeledEdit* LE_Hip;
    ui::ImageButton* btnAddWeight;
    ui::ImageButton* btnReCountBmiWHR;
    ui::DataGrid* DBGrid_Weight;
    ui::Navigator* DBNavigator_Weight;
    ui::ImageButton* btnAnalyBMI;
    ui::ImageButton* btnAnalyWeightType;
    ui::ImageButton* btnAnalyWeightMonthAvg;
    ui::ImageButton* btnAnalyWHR;
    ui::ImageButton* btnAnalyMinMax;
    ui::ImageButton* btnAnalyWeightYearAvg;

    // 圖表
    ui::Chart* Chart1;
    ui::ChartSeries* Series1;
    ui::ChartSeries* Series2;

    // 日結算
    ui::MonthCalendar* Calendar;

    // 批次
    QTabWidget* TabPagerBarchChild;
    QWidget* TabPageSaveBatch;
    QWidget* TabPageSpendBatch;
    QLabel* Label_Save_Date_Batch;
    QLabel* Label_Save_Type_Batch;
    QLabel* Label_Save_Note_Batch;
    QLabel* Label_Save_Account_Batch;
    QLabel* Label_Save_Cost_Batch;
    ui::MultiLineEdit* Memo_Save_Data_Batch;
    ui::MultiLineEdit* Memo_Save_Type_Batch;
    ui::MultiLineEdit* Memo_Save_Note_Batch;
    ui::MultiLineEdit* Memo_Save_Account_Batch;
    ui::MultiLineEdit* Memo_Save_Cost_Batch;
    ui::FlatButton* SBtn_Save_Batch;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label_Spend_Date_Batch;
    QLabel* Label_Spend_Type_Batch;
    QLabel* Label_Spend_Note_Batch;
    QLabel* Label_Spend_Account_Batch;
    QLabel* Label_Spend_Cost_Batch;
    ui::MultiLineEdit* Memo_Spend_Data_Batch;
    ui::MultiLineEdit* Memo_Spend_Type_Batch;
    ui::MultiLineEdit* Memo_Spend_Note_Batch;
    ui::MultiLineEdit* Memo_Spend_Account_Batch;
    ui::MultiLineEdit* Memo_Spend_Cost_Batch;
    ui::FlatButton* Sbtn_Spend_Add_Batch;

    // 管理
    QTabWidget* TabPagerManageChild;
    QWidget* TabPageSaveType;
    QWidget* TabPageSpendType;
    QWidget* TabPageSubSpendType;
    QWidget* TabPageAccountType;
    QWidget* TabPageTrans;
    QWidget* TabPagePassowrd;
    ui::DataGrid* DBGrid_Save_Type;
    ui::LabeledEdit* LE_Save_Type;
    ui::ImageButton* btnAddSaveType;
    ui::DataGrid* DBGrid_Spend_Type;
    ui::LabeledEdit* LE_Spend_Type;
    ui::ImageButton* BtnAddSpendType;
    QLabel* LabelSpendTypeFather;
    ui::PickList* ComboBoxSpendTypeFather;
    ui::DataGrid* DBGrid_Sub_Spend_Type;
    ui::LabeledEdit* LE_SubSpendType;
    ui::ImageButton* buttonAddSpednSubType;
    ui::DataGrid* DBGrid_Account_Type;
    ui::LabeledEdit* LE_Account_Type;
    ui::ImageButton* btnAccount;
    QLabel* LabelSource;
    ui::PickList* ComboBoxSource;
    QLabel* LabelTarget;
    ui::PickList* ComboBoxTarget;
    QLabel* Label1;
    ui::DatePicker* DTP_Transfer;
    ui::LabeledEdit* LE_TransferMoney;
    ui::ImageButton* btnTransfer;
    ui::LabeledEdit* LE_Pw_Old;
    ui::LabeledEdit* LE_Pw_New;
    ui::LabeledEdit* LE_Pw_Check;
    ui::ImageButton* btnPasswordChange;

    // 關於
    ui::ImageButton* btnAuthor;
    ui::ImageButton* btnSystemTray;
    ui::ImageButton* AdvSmoothButton6;
    ui::LargeLabel* AdvSmoothLabel1;

    // Pop-up menus.
    QMenu* PopupMenu1;
    QAction* popmenu_Show;
    QAction* Item_sp;
    QAction* popmenu_Close;
    QMenu* PopupMenu_OverView;
    QAction* itemAddSpend;
    QAction* itemAddSave;
    QAction* itemTransfer;
    QAction* itemAddAccount;

    // Members of the window besides its controls.
    QString DatabasePassword;
    std::array<qint32, 32> DayNet{};
    qint32 DayQueriesLeft = 0;
    std::unique_ptr<engine::Connection> Connection;
    // Reached by role: Query[role::Spend] (store/QueryRoles.h).
    std::array<std::unique_ptr<engine::Query>, role::count> Query;
    std::array<std::unique_ptr<engine::DataSource>, role::count> DataSource;

    // Lifecycle (app/).
    void FormCreate();
    void FormClose();
    void FormDestroy();
    // The steps of the start-up sequence in their order, each named for what it has done.
    enum class StartupStep
    {
        None,
        DatabaseObjectsMade,
        PasswordTyped,
        DatabaseOpened,
        SchemaUpgraded,
        SpendGridOpened,
        SaveGridOpened,
        CatalogGridsOpened,
        WeightGridOpened,
        BalancesComputed,
        AccountListsFilled,
        SpendTypeListsFilled,
        SaveTypeListsFilled,
        TrayIconAdded,
        TrayIconShown,
        BodyMeasuresLoaded,
        DayCacheReset,
    };
    Q_ENUM(StartupStep)
    // The last step of the start-up sequence that ran to its end.
    StartupStep startupStepsRun() const { return m_startupStepsRun; }

    // Connection and login (store/).
    void CreateDatabaseObjects();
    void PromptForPassword();
    void OpenDatabase();
    void BringAcrossWindowsFile();
    void UpgradeSchema();

    // View refresh routines (store/).
    void OpenSpendGrid();
    void OpenSaveGrid();
    void OpenCatalogGrids();
    void OpenWeightGrid();
    void FillSpendTypeLists();
    void FillSaveTypeLists();
    void FillAccountLists();
    // Gives the slot to its data source and the source to the grid.
    void BindGrid(role::Role role, ui::DataGrid* grid);
    // Every column (grid width - 40) / columns wide, the last 2 more.
    void ApplyColumnWidths(ui::DataGrid* grid);
    // The ledger grids' select and binding alone, without resetting the page's date. The
    // statement carries the filter row's filter, none unless the user asked for one.
    void ReloadSpendGrid();
    void ReloadSaveGrid();

    // The filter row beside each ledger grid (ledger/FindRow.cpp).
    struct FindRow
    {
        QString table; // "spend" or "save"
        ui::LabeledEdit* words = nullptr;
        ui::OptionalDate* from = nullptr;
        ui::OptionalDate* to = nullptr;
        QLineEdit* least = nullptr;
        QLineEdit* most = nullptr;
        ui::FlatButton* clear = nullptr;
        ui::FlatButton* exportRows = nullptr;
        QLabel* found = nullptr;
        QTimer* pause = nullptr; // the short pause after typing before the grid follows
        QTimer* count = nullptr; // the label's count, once the events that asked for it are done
        ledger::EntryFilter filter;
        // The same as the statements read it, the rarest word first: looked up once per filter.
        ledger::EntryFilter planned;
    };
    FindRow SpendFind;
    FindRow SaveFind;
    void BuildFindRow(QWidget* page, FindRow& row, const char* prefix, int x, int y);
    void BindFindEvents();
    // Reads the row's fields; the grid follows when the filter changed. Bounds that are not
    // numbers are said in the row's label, and the filter stays as it was.
    void ApplyFind(FindRow& row);
    void ClearFind(FindRow& row);
    // The count and the sum of the rows the grid shows, in the label: ShowFound asks for them
    // once the grid is painted (several asks in one handler give one count), CountFound
    // counts now.
    void ShowFound(FindRow& row);
    void CountFound(FindRow& row);
    void ExportFound(FindRow& row);
    void ReloadLedgerGrid(const FindRow& row);
    // After a handler that left the grid on a statement of its own: the filter in force again,
    // or only the count when there is none.
    void PutFindBack(FindRow& row);

    // Balances and overview, entry, grid work (ledger/).
    void RecalcBalances();
    void btnAddSpendClick();
    void btnAddSaveClick();
    // The amount fields' key filter: whether a typed character may reach the field.
    bool LE_CostKeyPress(QChar key);
    bool LE_SaveKeyPress(QChar key);
    void Combobox_SpendChange();
    void DBGrid_spendKeyDown(int key, Qt::KeyboardModifiers shift);
    void DBGrid_saveKeyDown(int key, Qt::KeyboardModifiers shift);
    void DBGrid_spendTitleClick(int column, const QString& title);
    void DBGrid_saveTitleClick(int column, const QString& title);
    void DBGrid_WeightTitleClick(int column, const QString& title);
    void btnTransferClick();
    void Sbtn_Spend_Add_BatchClick();
    void SBtn_Save_BatchClick();
    void itemAddSpendClick();
    void itemAddSaveClick();
    void itemTransferClick();
    void itemAddAccountClick();
    // The account of the overview grid's current row.
    QString OverviewAccount() const;

    // Accounts and categories, sub-categories (catalog/).
    void btnAccountClick();
    void btnAddSaveTypeClick();
    void BtnAddSpendTypeClick();
    void DBGrid_Account_TypeKeyDown(int key, Qt::KeyboardModifiers shift);
    void DBGrid_Save_TypeKeyDown(int key, Qt::KeyboardModifiers shift);
    void DBGrid_Spend_TypeKeyDown(int key, Qt::KeyboardModifiers shift);
    void DBGrid_Account_TypeExit();
    void DBGrid_Save_TypeExit();
    void DBGrid_Spend_TypeExit();
    void ComboBoxSpendTypeFatherChange();
    void buttonAddSpednSubTypeClick();
    void DBGrid_Sub_Spend_TypeKeyDown(int key, Qt::KeyboardModifiers shift);
    void DBGrid_Sub_Spend_TypeExit();

    // Chart procedure, year prompt and analyses (analysis/).
    bool IsInteger(const QString& text) const;
    // The year prompt: asks until the text is an integer, then gives the text as typed.
    QString AskYear();
    void RunAnalysis(const analysis::Analysis& analysis);
    void btnAnalySpendTypeClick();
    void btnAnalySpendTypeMaxClick();
    void btnAnalySpendMonthClick();
    void btnAnalySpendYearClick();
    void btnAnalySaveTypeClick();
    void btnAnalySaveTypeMaxClick();
    void btnAnalySaveMonthClick();
    void btnAnalySaveYearClick();
    void btnBalanceYearClick();
    void btnBalanceMonthClick();
    void btnAnalyWeightTypeClick();
    void btnAnalyBMIClick();
    void btnAnalyWHRClick();
    void btnAnalyWeightMonthAvgClick();
    void btnAnalyWeightYearAvgClick();
    void btnAnalyMinMaxClick();

    // Body measures, weight records (health/).
    void LoadBodyMeasures();
    void SaveBodyMeasures();
    void btnAddWeightClick();
    void btnReCountBmiWHRClick();

    // Database password change (store/).
    void btnPasswordChangeClick();

    // Daily settlement calendar (calendar/).
    void CalendarDateStatus(const QDate& date, QString& status, ui::BadgeAppearance& badge, int& offsetX,
                            int& offsetY);
    void CalendarMonthChanged(int month);

    // Navigation, tray menu and about page (app/).
    void AdvSmoothButton17Click();
    void TabPagerMainChange();
    // The tray icon was clicked; reason is the QSystemTrayIcon::ActivationReason.
    void WMTrayIcon(int reason);
    void popmenu_ShowClick();
    void popmenu_CloseClick();
    void btnSystemTrayClick();
    void btnAuthorClick();
    void AdvSmoothButton6Click();

    // Tray icon (app/).
    bool SetTrayIcon(int action);
    platform::Tray* tray() const { return m_tray.get(); }

Q_SIGNALS:
    // The window was closed: the file is closed and the measures are saved.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The window's controls, page by page (app/MainWindowLayout.cpp).
    void BuildLayout();
    void BuildOverviewPage();
    void BuildIncomePage();
    void BuildExpensePage();
    void BuildHealthPage();
    void BuildChartPage();
    void BuildCalendarPage();
    void BuildBatchPages();
    void BuildManagePages();
    void BuildAboutPage();
    void BuildMenus();
    // Each subsystem binds its own controls' events to its handlers, in its own folder.
    void BindStoreEvents();    // store/form/Events.cpp
    void BindLedgerEvents();   // ledger/Events.cpp
    void BindCatalogEvents();  // catalog/Events.cpp
    void BindHealthEvents();   // health/Events.cpp
    void BindAnalysisEvents(); // analysis/Events.cpp
    void BindCalendarEvents(); // calendar/Events.cpp
    void BindShellEvents();    // app/Events.cpp
    void ResetIncomeForm();
    void StartupSequence();

    std::unique_ptr<platform::Tray> m_tray;
    StartupStep m_startupStepsRun = StartupStep::None;
    bool m_closed = false;
    bool m_calendarShown = false;
    bool m_measuresLoaded = false;
};
