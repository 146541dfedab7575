// The window's pages and controls: every control with its name, caption, hint and options.
#include "app/TForm1.h"
#include "ui/Chart.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/LargeLabel.h"
#include "ui/MonthCalendar.h"
#include "ui/MultiLineEdit.h"
#include "ui/Navigator.h"
#include "ui/PickList.h"
#include "ui/WindowLook.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using ui::look::innerHeight;
using ui::look::innerWidth;
using ui::look::pageHeight;
using ui::look::pageWidth;

// Where the Home button sits on a page of the main pager, and of an inner pager.
constexpr int homeX = pageWidth - 84;
constexpr int innerHomeX = innerWidth - 84;
// The filter row of the ledger pages: to the right of the grid, at the height where the expense
// grid starts, in the room both pages leave free.
constexpr int findRowX = 830;
constexpr int findRowY = 240;

const QString gridHint = QStringLiteral("Delete = 刪除。 Enter = 確認修改。");

template <typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QWidget* addPage(QTabWidget* pager, const char* name, const QString& caption)
{
    auto* page = named(new QWidget(pager), name);
    page->setProperty("page", true);
    page->setAttribute(Qt::WA_StyledBackground, true);
    pager->addTab(page, caption);
    return page;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 200, int h = 24)
{
    auto* widget = named(new QLabel(text, parent), name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

ui::ImageButton* imageButton(QWidget* parent, const char* name, const QString& caption, const char* icon,
                             QStyle::StandardPixmap fallback, int x, int y, int w = 100, int h = 72)
{
    auto* button = named(new ui::ImageButton(caption, parent), name);
    button->setPicture(QString::fromLatin1(icon), fallback);
    button->setGeometry(x, y, w, h);
    return button;
}

ui::ImageButton* homeButton(QWidget* parent, const char* name, int x, int y = 4)
{
    return imageButton(parent, name, QStringLiteral("Home"), "go-home", QStyle::SP_DirHomeIcon, x, y, 76, 64);
}

ui::PickList* pickList(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 200)
{
    auto* box = named(new ui::PickList(text, parent), name);
    box->setGeometry(x, y, w, 32);
    return box;
}

ui::LabeledEdit* labeledEdit(QWidget* parent, const char* name, const QString& caption, int x, int y,
                             int w = 200)
{
    auto* edit = named(new ui::LabeledEdit(caption, parent), name);
    edit->edit()->setObjectName(QString::fromLatin1(name) + QStringLiteral("_edit"));
    edit->setGeometry(x, y, w, 60);
    return edit;
}

ui::DatePicker* datePicker(QWidget* parent, const char* name, int x, int y, int w = 200)
{
    auto* picker = named(new ui::DatePicker(parent), name);
    picker->setGeometry(x, y, w, 32);
    return picker;
}

ui::DataGrid* grid(QWidget* parent, const char* name, int x, int y, int w, int h, bool editable)
{
    auto* table = named(new ui::DataGrid(parent), name);
    table->setGeometry(x, y, w, h);
    table->setEditingAllowed(editable);
    // The family is named here because under the window's style sheet a child does not inherit
    // the window's font.
    QFont cells(QStringLiteral("微軟正黑體"));
    cells.setPixelSize(12);
    cells.setBold(true);
    table->setFont(cells);
    QFont titles = cells;
    titles.setPixelSize(15);
    table->horizontalHeader()->setFont(titles);
    return table;
}

ui::MultiLineEdit* memo(QWidget* parent, const char* name, const QString& hint, int x, int y, int w, int h)
{
    auto* edit = named(new ui::MultiLineEdit(parent), name);
    // The five boxes of a batch are read across, line by line.
    edit->setFont(ui::look::oneFaceForLines(ui::look::windowFont()));
    edit->setGeometry(x, y, w, h);
    edit->setToolTip(hint);
    return edit;
}

} // namespace

void TForm1::BuildLayout()
{
    ui::look::applyTo(this);

    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    TabPagerMain = named(new QTabWidget(central), "TabPagerMain");
    TabPagerMain->setMovable(false);
    TabPagerMain->setDocumentMode(false);
    centralLayout->addWidget(TabPagerMain);
    setCentralWidget(central);

    TabPageOverView = addPage(TabPagerMain, "TabPageOverView", QStringLiteral("總覽"));
    TabPageSave = addPage(TabPagerMain, "TabPageSave", QStringLiteral("收入"));
    TabPageSpend = addPage(TabPagerMain, "TabPageSpend", QStringLiteral("支出"));
    TabPageHealthy = addPage(TabPagerMain, "TabPageHealthy", QStringLiteral("健康"));
    TabPagerChar = addPage(TabPagerMain, "TabPagerChar", QStringLiteral("圖表"));
    TabPageCalender = addPage(TabPagerMain, "TabPageCalender", QStringLiteral("日結算"));
    TabPageBatch = addPage(TabPagerMain, "TabPageBatch", QStringLiteral("批次"));
    TabPageManage = addPage(TabPagerMain, "TabPageManage", QStringLiteral("管理"));
    TabPageAbout = addPage(TabPagerMain, "TabPageAbout", QStringLiteral("關於"));

    BuildOverviewPage();
    BuildIncomePage();
    BuildExpensePage();
    BuildHealthPage();
    BuildChartPage();
    BuildCalendarPage();
    BuildBatchPages();
    BuildManagePages();
    BuildAboutPage();
    BuildMenus();

    TabPagerMain->setCurrentWidget(TabPageOverView);
    TabPagerBarchChild->setCurrentWidget(TabPageSaveBatch);
    ui::look::applyFont(this);
}

void TForm1::BuildOverviewPage()
{
    // 總覽: the balance total above the account grid.
    Label_OverView =
        named(new ui::LargeLabel(QStringLiteral("結餘 :"), Qt::AlignLeft | Qt::AlignBottom, TabPageOverView),
              "Label_OverView");
    Label_OverView->setGeometry(40, 16, 700, 56);
    DBGrid_OverView = grid(TabPageOverView, "DBGrid_OverView", 40, 90, 700, 286, false);
    DBGrid_OverView->setRowSelect(true);
    DBGrid_OverView->setEnabled(false); // until the first run of the balances fills it
    {
        QFont overview = DBGrid_OverView->font();
        overview.setPixelSize(16);
        DBGrid_OverView->setFont(overview);
    }
    DBGrid_OverView->setContextMenuPolicy(Qt::CustomContextMenu);
    // One title row and one row per account, 27 pixels each: the grid's height follows them.
    DBGrid_OverView->setFrameShape(QFrame::NoFrame);
    DBGrid_OverView->verticalHeader()->setDefaultSectionSize(27);
    DBGrid_OverView->horizontalHeader()->setFixedHeight(27);
}

void TForm1::BuildIncomePage()
{
    // 收入: entry fields in two columns, the add button beside them, the analyses below, the grid at the
    // bottom.
    AdvSmoothButton17 = homeButton(TabPageSave, "AdvSmoothButton17", homeX);
    Label_Save_Date = label(TabPageSave, "Label_Save_Date", QStringLiteral("日期"), 20, 8);
    DTP_Save = datePicker(TabPageSave, "DTP_Save", 20, 32);
    Label_Save_type = label(TabPageSave, "Label_Save_type", QStringLiteral("類型"), 20, 70);
    Combobox_Save = pickList(TabPageSave, "Combobox_Save", QStringLiteral("請選擇"), 20, 94);
    Label_Save_cost = label(TabPageSave, "Label_Save_cost", QStringLiteral("帳戶"), 20, 132);
    Combobox_Cost2 = pickList(TabPageSave, "Combobox_Cost2", QStringLiteral("請選擇"), 20, 156);
    LE_Note_Save = labeledEdit(TabPageSave, "LE_Note_Save", QStringLiteral("摘要"), 250, 8);
    LE_Save = labeledEdit(TabPageSave, "LE_Save", QStringLiteral("金額"), 250, 70);
    btnAddSave = imageButton(TabPageSave, "btnAddSave", QStringLiteral("新增收入"), "list-add",
                             QStyle::SP_DialogApplyButton, 490, 40, 110, 90);
    {
        const std::tuple<ui::ImageButton**, const char*, QString> analyses[] = {
            {&btnAnalySaveType, "btnAnalySaveType", QStringLiteral("類別總合")},
            {&btnAnalySaveMonth, "btnAnalySaveMonth", QStringLiteral("月份總合")},
            {&btnAnalySaveTypeMax, "btnAnalySaveTypeMax", QStringLiteral("類別最大")},
            {&btnAnalySaveYear, "btnAnalySaveYear", QStringLiteral("年份總合")},
            {&btnBalanceMonth2, "btnBalanceMonth2", QStringLiteral("收支(月)")},
            {&btnBalanceYear2, "btnBalanceYear2", QStringLiteral("收支(年)")},
        };
        int x = 20;
        for (const auto& [member, name, caption] : analyses) {
            *member = imageButton(TabPageSave, name, caption, "x-office-spreadsheet",
                                  QStyle::SP_FileDialogDetailedView, x, 200, 104, 72);
            x += 114;
        }
    }
    DBGrid_save = grid(TabPageSave, "DBGrid_save", 20, 290, 693, 286, true);
    DBGrid_save->setToolTip(gridHint);
    // Ctrl+Delete would delete a second row right after the Delete key's own deletion.
    DBGrid_save->setCtrlDeleteAllowed(false);
    setTabOrder(DTP_Save, Combobox_Save);
    setTabOrder(Combobox_Save, LE_Note_Save->edit());
    setTabOrder(LE_Note_Save->edit(), LE_Save->edit());
    setTabOrder(LE_Save->edit(), Combobox_Cost2);
    SaveFind.table = QStringLiteral("save");
    BuildFindRow(TabPageSave, SaveFind, "Save", findRowX, findRowY);
    LE_SaveFind = SaveFind.words;
    Label_SaveFound = SaveFind.found;
}

void TForm1::BuildExpensePage()
{
    // 支出: the same, with the account in a third column.
    AdvSmoothButton4 = homeButton(TabPageSpend, "AdvSmoothButton4", homeX);
    Label_date = label(TabPageSpend, "Label_date", QStringLiteral("日期"), 20, 8);
    DTP_spend = datePicker(TabPageSpend, "DTP_spend", 20, 32);
    Label_spendtype = label(TabPageSpend, "Label_spendtype", QStringLiteral("類型"), 20, 70);
    Combobox_Spend = pickList(TabPageSpend, "Combobox_Spend", QStringLiteral("請選擇"), 20, 94);
    LE_Cost = labeledEdit(TabPageSpend, "LE_Cost", QStringLiteral("金額"), 250, 8);
    Label4 = label(TabPageSpend, "Label4", QStringLiteral("摘要 (子類型 )"), 250, 70);
    ComboBoxSubSpendTypeChoose =
        pickList(TabPageSpend, "ComboBoxSubSpendTypeChoose", QStringLiteral("請選擇或自行輸入"), 250, 94);
    Label_Spend_cost = label(TabPageSpend, "Label_Spend_cost", QStringLiteral("帳戶"), 480, 8);
    Combobox_Cost = pickList(TabPageSpend, "Combobox_Cost", QStringLiteral("請選擇"), 480, 32);
    btnAddSpend = imageButton(TabPageSpend, "btnAddSpend", QStringLiteral("新增支出"), "list-add",
                              QStyle::SP_DialogApplyButton, 720, 40, 110, 90);
    {
        const std::tuple<ui::ImageButton**, const char*, QString> analyses[] = {
            {&btnAnalySpendType, "btnAnalySpendType", QStringLiteral("類別總合")},
            {&btnAnalySpendTypeMax, "btnAnalySpendTypeMax", QStringLiteral("類別最大值")},
            {&btnAnalySpendMonth, "btnAnalySpendMonth", QStringLiteral("月份總合")},
            {&btnAnalySpendYear, "btnAnalySpendYear", QStringLiteral("年份總合")},
            {&btnBalanceMonth, "btnBalanceMonth", QStringLiteral("收支結算(月)")},
            {&btnBalanceYear, "btnBalanceYear", QStringLiteral("收支結算(年)")},
        };
        int x = 20;
        for (const auto& [member, name, caption] : analyses) {
            *member = imageButton(TabPageSpend, name, caption, "x-office-spreadsheet",
                                  QStyle::SP_FileDialogDetailedView, x, 150, 112, 72);
            x += 122;
        }
    }
    DBGrid_spend = grid(TabPageSpend, "DBGrid_spend", 20, 240, 794, 259, true);
    DBGrid_spend->setToolTip(gridHint);
    DBGrid_spend->setCtrlDeleteAllowed(false);
    DBGrid_spend->setCursor(Qt::DragMoveCursor);
    SpendFind.table = QStringLiteral("spend");
    BuildFindRow(TabPageSpend, SpendFind, "Spend", findRowX, findRowY);
    LE_SpendFind = SpendFind.words;
    Label_SpendFound = SpendFind.found;
    setTabOrder(DTP_spend, Combobox_Spend);
    setTabOrder(Combobox_Spend, Combobox_Cost);
    setTabOrder(Combobox_Cost, LE_Cost->edit());
}

void TForm1::BuildHealthPage()
{
    // 健康: the fields at the left, the buttons beside them, the weight grid at the top right.
    AdvSmoothButton7 = homeButton(TabPageHealthy, "AdvSmoothButton7", 400);
    Label_health_date = label(TabPageHealthy, "Label_health_date", QStringLiteral("日期"), 20, 8);
    DTP_Weight = datePicker(TabPageHealthy, "DTP_Weight", 20, 32);
    LE_Height = labeledEdit(TabPageHealthy, "LE_Height", QStringLiteral("身高 (公分)"), 20, 76);
    LE_Waistline = labeledEdit(TabPageHealthy, "LE_Waistline", QStringLiteral("腰圍 (公分)"), 20, 144);
    LE_Weight = labeledEdit(TabPageHealthy, "LE_Weight", QStringLiteral("體重(公斤)"), 20, 212);
    LE_Weight->setToolTip(
        QStringLiteral("BMI─20以下為體重不足, BMI─20～25為理想範圍, BMI─26～29具危害健康因子, "
                       "BMI─30以上具高危險因子!"));
    LE_Hip = labeledEdit(TabPageHealthy, "LE_Hip", QStringLiteral("臀圍 (公分)"), 20, 280);
    LE_Hip->setToolTip(
        QStringLiteral("WHR 腰圍比值 正常比值：男性 <= 1.0， 女性 <= 0.8, 若男性大於0.9，女性大於0.85，"
                       "則為上身肥胖"));
    btnAddWeight = imageButton(TabPageHealthy, "btnAddWeight", QStringLiteral("新增健康紀錄"), "list-add",
                               QStyle::SP_DialogApplyButton, 250, 90, 120, 90);
    btnReCountBmiWHR = imageButton(TabPageHealthy, "btnReCountBmiWHR", QStringLiteral("重制表格"),
                                   "view-refresh", QStyle::SP_BrowserReload, 250, 200, 120, 90);
    DBGrid_Weight = grid(TabPageHealthy, "DBGrid_Weight", pageWidth - 539 - 20, 76, 539, 407, true);
    DBNavigator_Weight = named(new ui::Navigator(TabPageHealthy), "DBNavigator_Weight");
    DBNavigator_Weight->setGeometry(pageWidth - 539 - 20, 40, 200, 30);
    DBNavigator_Weight->hide();
    {
        const std::tuple<ui::ImageButton**, const char*, QString> analyses[] = {
            {&btnAnalyBMI, "btnAnalyBMI", QStringLiteral("BMI")},
            {&btnAnalyWeightType, "btnAnalyWeightType", QStringLiteral("每日")},
            {&btnAnalyWeightMonthAvg, "btnAnalyWeightMonthAvg", QStringLiteral("月平均")},
            {&btnAnalyWHR, "btnAnalyWHR", QStringLiteral("WHR")},
            {&btnAnalyMinMax, "btnAnalyMinMax", QStringLiteral("極值")},
            {&btnAnalyWeightYearAvg, "btnAnalyWeightYearAvg", QStringLiteral("年平均")},
        };
        int x = pageWidth - 539 - 20;
        for (const auto& [member, name, caption] : analyses) {
            *member = imageButton(TabPageHealthy, name, caption, "x-office-spreadsheet",
                                  QStyle::SP_FileDialogDetailedView, x, 496, 84, 72);
            x += 91;
        }
    }
    setTabOrder(DTP_Weight, LE_Height->edit());
    setTabOrder(LE_Height->edit(), LE_Waistline->edit());
    setTabOrder(LE_Waistline->edit(), LE_Weight->edit());
    setTabOrder(LE_Weight->edit(), LE_Hip->edit());
}

void TForm1::BuildChartPage()
{
    // 圖表: the chart fills the page, the Home button on it.
    {
        auto* layout = new QVBoxLayout(TabPagerChar);
        layout->setContentsMargins(0, 0, 0, 0);
        Chart1 = named(new ui::Chart(TabPagerChar), "Chart1");
        Chart1->setBackground(ui::look::chartBackground(QSize(pageWidth, pageHeight)));
        layout->addWidget(Chart1);
        Series1 = &Chart1->series(0);
        Series2 = &Chart1->series(1);
        AdvSmoothButton8 = homeButton(Chart1, "AdvSmoothButton8", homeX);
    }
}

void TForm1::BuildCalendarPage()
{
    // 日結算: the month calendar fills the page.
    {
        auto* layout = new QVBoxLayout(TabPageCalender);
        layout->setContentsMargins(0, 0, 0, 0);
        Calendar = named(new ui::MonthCalendar(TabPageCalender), "Calendar");
        layout->addWidget(Calendar);
    }
}

void TForm1::BuildBatchPages()
{
    // 批次: an inner pager with batch income and batch expense.
    {
        auto* layout = new QVBoxLayout(TabPageBatch);
        layout->setContentsMargins(2, 2, 2, 2);
        TabPagerBarchChild = named(new QTabWidget(TabPageBatch), "TabPagerBarchChild");
        layout->addWidget(TabPagerBarchChild);
    }
    TabPageSaveBatch = addPage(TabPagerBarchChild, "TabPageSaveBatch", QStringLiteral("批次收入"));
    TabPageSpendBatch = addPage(TabPagerBarchChild, "TabPageSpendBatch", QStringLiteral("批次支出"));
    AdvSmoothButton9 = homeButton(TabPageSaveBatch, "AdvSmoothButton9", innerHomeX);
    Label_Save_Date_Batch =
        label(TabPageSaveBatch, "Label_Save_Date_Batch", QStringLiteral("日期"), 20, 50, 220);
    Memo_Save_Data_Batch =
        memo(TabPageSaveBatch, "Memo_Save_Data_Batch", QStringLiteral("ex: 2010/10/10"), 20, 76, 230, 220);
    Label_Save_Type_Batch =
        label(TabPageSaveBatch, "Label_Save_Type_Batch", QStringLiteral("類型"), 270, 50, 220);
    Memo_Save_Type_Batch =
        memo(TabPageSaveBatch, "Memo_Save_Type_Batch", QStringLiteral("ex: 薪資"), 270, 76, 230, 220);
    Label_Save_Note_Batch =
        label(TabPageSaveBatch, "Label_Save_Note_Batch", QStringLiteral("摘要"), 520, 50, 220);
    Memo_Save_Note_Batch =
        memo(TabPageSaveBatch, "Memo_Save_Note_Batch", QStringLiteral("ex: 10月份"), 520, 76, 230, 220);
    // Two labels that lie under the first row's edits and are never seen.
    Label2 = label(TabPageSaveBatch, "Label2", QStringLiteral("帳戶"), 30, 120, 60);
    Label3 = label(TabPageSaveBatch, "Label3", QStringLiteral("類型"), 280, 120, 60);
    Label2->lower();
    Label3->lower();
    Label2->hide();
    Label3->hide();
    Label_Save_Account_Batch =
        label(TabPageSaveBatch, "Label_Save_Account_Batch", QStringLiteral("帳戶"), 20, 310, 220);
    Memo_Save_Account_Batch =
        memo(TabPageSaveBatch, "Memo_Save_Account_Batch", QStringLiteral("ex: 現金"), 20, 336, 230, 220);
    Label_Save_Cost_Batch =
        label(TabPageSaveBatch, "Label_Save_Cost_Batch", QStringLiteral("金額"), 270, 310, 220);
    Memo_Save_Cost_Batch =
        memo(TabPageSaveBatch, "Memo_Save_Cost_Batch", QStringLiteral("ex: 50000"), 270, 336, 230, 220);
    SBtn_Save_Batch =
        named(new ui::FlatButton(QStringLiteral("批次新增收入"), TabPageSaveBatch), "SBtn_Save_Batch");
    SBtn_Save_Batch->setGeometry(520, 336, 180, 44);

    AdvSmoothButton10 = homeButton(TabPageSpendBatch, "AdvSmoothButton10", innerHomeX);
    {
        const std::tuple<QLabel**, const char*, ui::MultiLineEdit**, const char*, QString, QString>
            columns[] = {
                {&Label_Spend_Date_Batch, "Label_Spend_Date_Batch", &Memo_Spend_Data_Batch,
                 "Memo_Spend_Data_Batch", QStringLiteral("日期"), QStringLiteral("ex: 2010/10/10")},
                {&Label_Spend_Type_Batch, "Label_Spend_Type_Batch", &Memo_Spend_Type_Batch,
                 "Memo_Spend_Type_Batch", QStringLiteral("類型"), QStringLiteral("ex: 食物")},
                {&Label_Spend_Note_Batch, "Label_Spend_Note_Batch", &Memo_Spend_Note_Batch,
                 "Memo_Spend_Note_Batch", QStringLiteral("摘要"), QStringLiteral("ex: 早餐")},
                {&Label_Spend_Account_Batch, "Label_Spend_Account_Batch", &Memo_Spend_Account_Batch,
                 "Memo_Spend_Account_Batch", QStringLiteral("帳戶"), QStringLiteral("ex: 現金")},
                {&Label_Spend_Cost_Batch, "Label_Spend_Cost_Batch", &Memo_Spend_Cost_Batch,
                 "Memo_Spend_Cost_Batch", QStringLiteral("金額"), QStringLiteral("ex: 50")},
            };
        int x = 20;
        for (const auto& [labelMember, labelName, memoMember, memoName, caption, hint] : columns) {
            *labelMember = label(TabPageSpendBatch, labelName, caption, x, 50, 170);
            *memoMember = memo(TabPageSpendBatch, memoName, hint, x, 76, 170, 400);
            x += 186;
        }
    }
    Sbtn_Spend_Add_Batch = named(new ui::FlatButton(QStringLiteral("新增支出(批次)"), TabPageSpendBatch),
                                 "Sbtn_Spend_Add_Batch");
    Sbtn_Spend_Add_Batch->setGeometry(20, 492, 180, 44);
}

void TForm1::BuildManagePages()
{
    // 管理: an inner pager with the catalogs, the transfer and the password.
    {
        auto* layout = new QVBoxLayout(TabPageManage);
        layout->setContentsMargins(2, 2, 2, 2);
        TabPagerManageChild = named(new QTabWidget(TabPageManage), "TabPagerManageChild");
        layout->addWidget(TabPagerManageChild);
    }
    TabPageSaveType = addPage(TabPagerManageChild, "TabPageSaveType", QStringLiteral("收入類型"));
    TabPageSpendType = addPage(TabPagerManageChild, "TabPageSpendType", QStringLiteral("支出類型"));
    TabPageSubSpendType = addPage(TabPagerManageChild, "TabPageSubSpendType", QStringLiteral("支出子類型"));
    TabPageAccountType = addPage(TabPagerManageChild, "TabPageAccountType", QStringLiteral("帳戶"));
    TabPageTrans = addPage(TabPagerManageChild, "TabPageTrans", QStringLiteral("金流"));
    TabPagePassowrd = addPage(TabPagerManageChild, "TabPagePassowrd", QStringLiteral("密碼管理"));

    AdvSmoothButton11 = homeButton(TabPageSaveType, "AdvSmoothButton11", innerHomeX);
    DBGrid_Save_Type = grid(TabPageSaveType, "DBGrid_Save_Type", 20, 20, 270, 400, true);
    DBGrid_Save_Type->setToolTip(gridHint);
    DBGrid_Save_Type->setCtrlDeleteAllowed(false);
    LE_Save_Type = labeledEdit(TabPageSaveType, "LE_Save_Type", QStringLiteral("收入類型"), 320, 20);
    btnAddSaveType = imageButton(TabPageSaveType, "btnAddSaveType", QStringLiteral("新增收入類型"),
                                 "list-add", QStyle::SP_DialogApplyButton, 320, 100, 130, 90);

    AdvSmoothButton12 = homeButton(TabPageSpendType, "AdvSmoothButton12", innerHomeX);
    DBGrid_Spend_Type = grid(TabPageSpendType, "DBGrid_Spend_Type", 20, 20, 270, 400, true);
    DBGrid_Spend_Type->setToolTip(gridHint);
    DBGrid_Spend_Type->setCtrlDeleteAllowed(false);
    LE_Spend_Type = labeledEdit(TabPageSpendType, "LE_Spend_Type", QStringLiteral("支出類型"), 320, 20);
    BtnAddSpendType = imageButton(TabPageSpendType, "BtnAddSpendType", QStringLiteral("新增支出類型"),
                                  "list-add", QStyle::SP_DialogApplyButton, 320, 100, 130, 90);

    AdvSmoothButton2 = homeButton(TabPageSubSpendType, "AdvSmoothButton2", innerHomeX);
    LabelSpendTypeFather =
        label(TabPageSubSpendType, "LabelSpendTypeFather", QStringLiteral("支出類型"), 20, 8);
    ComboBoxSpendTypeFather =
        pickList(TabPageSubSpendType, "ComboBoxSpendTypeFather", QStringLiteral("請選擇"), 20, 32, 270);
    DBGrid_Sub_Spend_Type = grid(TabPageSubSpendType, "DBGrid_Sub_Spend_Type", 20, 76, 270, 400, true);
    DBGrid_Sub_Spend_Type->setToolTip(gridHint);
    DBGrid_Sub_Spend_Type->setCtrlDeleteAllowed(false);
    LE_SubSpendType =
        labeledEdit(TabPageSubSpendType, "LE_SubSpendType", QStringLiteral("支出子類型"), 320, 76);
    buttonAddSpednSubType =
        imageButton(TabPageSubSpendType, "buttonAddSpednSubType", QStringLiteral("新增支出子類型"),
                    "list-add", QStyle::SP_DialogApplyButton, 320, 156, 140, 90);

    AdvSmoothButton13 = homeButton(TabPageAccountType, "AdvSmoothButton13", innerHomeX);
    DBGrid_Account_Type = grid(TabPageAccountType, "DBGrid_Account_Type", 20, 20, 270, 400, true);
    DBGrid_Account_Type->setToolTip(gridHint);
    DBGrid_Account_Type->setCtrlDeleteAllowed(false);
    LE_Account_Type = labeledEdit(TabPageAccountType, "LE_Account_Type", QStringLiteral("帳戶"), 320, 20);
    btnAccount = imageButton(TabPageAccountType, "btnAccount", QStringLiteral("新增帳戶"), "list-add",
                             QStyle::SP_DialogApplyButton, 320, 100, 130, 90);

    AdvSmoothButton1 = homeButton(TabPageTrans, "AdvSmoothButton1", innerHomeX);
    LabelSource = label(TabPageTrans, "LabelSource", QStringLiteral("轉出帳戶"), 20, 20);
    ComboBoxSource = pickList(TabPageTrans, "ComboBoxSource", QStringLiteral("請選擇"), 20, 44);
    LabelTarget = label(TabPageTrans, "LabelTarget", QStringLiteral("轉入帳戶"), 260, 20);
    ComboBoxTarget = pickList(TabPageTrans, "ComboBoxTarget", QStringLiteral("請選擇"), 260, 44);
    Label1 = label(TabPageTrans, "Label1", QStringLiteral("日期"), 20, 96);
    DTP_Transfer = datePicker(TabPageTrans, "DTP_Transfer", 20, 120);
    LE_TransferMoney = labeledEdit(TabPageTrans, "LE_TransferMoney", QStringLiteral("金額"), 260, 96);
    btnTransfer = imageButton(TabPageTrans, "btnTransfer", QStringLiteral("移轉"), "go-next",
                              QStyle::SP_ArrowRight, 500, 60, 110, 90);

    AdvSmoothButton14 = homeButton(TabPagePassowrd, "AdvSmoothButton14", innerHomeX);
    LE_Pw_Old = labeledEdit(TabPagePassowrd, "LE_Pw_Old", QStringLiteral("舊密碼"), 20, 20, 240);
    LE_Pw_New = labeledEdit(TabPagePassowrd, "LE_Pw_New", QStringLiteral("新密碼"), 20, 90, 240);
    LE_Pw_Check = labeledEdit(TabPagePassowrd, "LE_Pw_Check", QStringLiteral("確認新密碼"), 20, 160, 240);
    for (ui::LabeledEdit* edit : {LE_Pw_Old, LE_Pw_New, LE_Pw_Check})
        edit->setPasswordMode(true);
    btnPasswordChange = imageButton(TabPagePassowrd, "btnPasswordChange", QStringLiteral("變更密碼"),
                                    "dialog-password", QStyle::SP_DialogApplyButton, 300, 80, 110, 90);
    TabPagerManageChild->setCurrentWidget(TabPageSubSpendType);
}

void TForm1::BuildAboutPage()
{
    // 關於
    BtnSetUp = homeButton(TabPageAbout, "BtnSetUp", homeX);
    btnAuthor = imageButton(TabPageAbout, "btnAuthor", QStringLiteral("作者網頁"), "applications-internet",
                            QStyle::SP_DriveNetIcon, 40, 40, 110, 90);
    btnSystemTray = imageButton(TabPageAbout, "btnSystemTray", QStringLiteral("縮小"), "go-down",
                                QStyle::SP_TitleBarMinButton, 170, 40, 110, 90);
    AdvSmoothButton6 = imageButton(TabPageAbout, "AdvSmoothButton6", QStringLiteral("快照"), "camera-photo",
                                   QStyle::SP_DesktopIcon, 300, 40, 110, 90);
    AdvSmoothButton6->hide();
    AdvSmoothLabel1 =
        named(new ui::LargeLabel(QStringLiteral("2.050"), Qt::AlignRight | Qt::AlignBottom, TabPageAbout),
              "AdvSmoothLabel1");
    AdvSmoothLabel1->setGeometry(pageWidth - 220, pageHeight - 70, 200, 56);
}

void TForm1::BuildMenus()
{
    // Pop-up menus.
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    popmenu_Show = named(PopupMenu1->addAction(QStringLiteral("顯示(&S)")), "popmenu_Show");
    Item_sp = named(PopupMenu1->addSeparator(), "Item_sp");
    popmenu_Close = named(PopupMenu1->addAction(QStringLiteral("關閉(&X)")), "popmenu_Close");
    PopupMenu_OverView = named(new QMenu(this), "PopupMenu_OverView");
    itemAddSpend = named(PopupMenu_OverView->addAction(QStringLiteral("新增支出")), "itemAddSpend");
    itemAddSave = named(PopupMenu_OverView->addAction(QStringLiteral("新增收入")), "itemAddSave");
    itemTransfer = named(PopupMenu_OverView->addAction(QStringLiteral("金流移轉")), "itemTransfer");
    itemAddAccount = named(PopupMenu_OverView->addAction(QStringLiteral("帳號管理")), "itemAddAccount");
}
