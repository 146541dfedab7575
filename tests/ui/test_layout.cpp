#include "TestSupport.h"
#include "app/TForm1.h"
#include "platform/Clock.h"
#include "store/Texts.h"
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
#include "ui/ScriptedDialogs.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

namespace {

const char* const gridHint = "Delete = 刪除。 Enter = 確認修改。";

struct Control
{
    const char* name;
    const char* kind;
    const char* text; // caption, label or initial text; nullptr where it has none
    const char* hint; // tooltip; nullptr for none
    bool shown = true;
};

// Every control of every page, in the pages' order.
const Control controls[] = {
    {"Label_OverView", "ui::LargeLabel", "結餘 :", nullptr},
    {"DBGrid_OverView", "ui::DataGrid", nullptr, nullptr},

    {"AdvSmoothButton17", "ui::ImageButton", "Home", nullptr},
    {"Label_Save_Date", "QLabel", "日期", nullptr},
    {"DTP_Save", "ui::DatePicker", nullptr, nullptr},
    {"Label_Save_type", "QLabel", "類型", nullptr},
    {"Combobox_Save", "ui::PickList", "請選擇", nullptr},
    {"LE_Note_Save", "ui::LabeledEdit", "摘要", nullptr},
    {"LE_Save", "ui::LabeledEdit", "金額", nullptr},
    {"Label_Save_cost", "QLabel", "帳戶", nullptr},
    {"Combobox_Cost2", "ui::PickList", "請選擇", nullptr},
    {"btnAddSave", "ui::ImageButton", "新增收入", nullptr},
    {"btnAnalySaveType", "ui::ImageButton", "類別總合", nullptr},
    {"btnAnalySaveMonth", "ui::ImageButton", "月份總合", nullptr},
    {"btnAnalySaveTypeMax", "ui::ImageButton", "類別最大", nullptr},
    {"btnAnalySaveYear", "ui::ImageButton", "年份總合", nullptr},
    {"btnBalanceMonth2", "ui::ImageButton", "收支(月)", nullptr},
    {"btnBalanceYear2", "ui::ImageButton", "收支(年)", nullptr},
    {"DBGrid_save", "ui::DataGrid", nullptr, gridHint},

    {"AdvSmoothButton4", "ui::ImageButton", "Home", nullptr},
    {"Label_date", "QLabel", "日期", nullptr},
    {"DTP_spend", "ui::DatePicker", nullptr, nullptr},
    {"Label_spendtype", "QLabel", "類型", nullptr},
    {"Combobox_Spend", "ui::PickList", "請選擇", nullptr},
    {"Label_Spend_cost", "QLabel", "帳戶", nullptr},
    {"Combobox_Cost", "ui::PickList", "請選擇", nullptr},
    {"LE_Cost", "ui::LabeledEdit", "金額", nullptr},
    {"Label4", "QLabel", "摘要 (子類型 )", nullptr},
    {"ComboBoxSubSpendTypeChoose", "ui::PickList", "請選擇或自行輸入", nullptr},
    {"btnAddSpend", "ui::ImageButton", "新增支出", nullptr},
    {"btnAnalySpendType", "ui::ImageButton", "類別總合", nullptr},
    {"btnAnalySpendTypeMax", "ui::ImageButton", "類別最大值", nullptr},
    {"btnAnalySpendMonth", "ui::ImageButton", "月份總合", nullptr},
    {"btnAnalySpendYear", "ui::ImageButton", "年份總合", nullptr},
    {"btnBalanceMonth", "ui::ImageButton", "收支結算(月)", nullptr},
    {"btnBalanceYear", "ui::ImageButton", "收支結算(年)", nullptr},
    {"DBGrid_spend", "ui::DataGrid", nullptr, gridHint},

    {"AdvSmoothButton7", "ui::ImageButton", "Home", nullptr},
    {"Label_health_date", "QLabel", "日期", nullptr},
    {"DTP_Weight", "ui::DatePicker", nullptr, nullptr},
    {"LE_Height", "ui::LabeledEdit", "身高 (公分)", nullptr},
    {"LE_Waistline", "ui::LabeledEdit", "腰圍 (公分)", nullptr},
    {"LE_Weight", "ui::LabeledEdit", "體重(公斤)",
     "BMI─20以下為體重不足, BMI─20～25為理想範圍, BMI─26～29具危害健康因子, BMI─30以上具高危險因子!"},
    {"LE_Hip", "ui::LabeledEdit", "臀圍 (公分)",
     "WHR 腰圍比值 正常比值：男性 <= 1.0， 女性 <= 0.8, 若男性大於0.9，女性大於0.85，則為上身肥胖"},
    {"btnAddWeight", "ui::ImageButton", "新增健康紀錄", nullptr},
    {"btnReCountBmiWHR", "ui::ImageButton", "重制表格", nullptr},
    {"DBGrid_Weight", "ui::DataGrid", nullptr, nullptr},
    {"DBNavigator_Weight", "ui::Navigator", nullptr, nullptr, false},
    {"btnAnalyBMI", "ui::ImageButton", "BMI", nullptr},
    {"btnAnalyWeightType", "ui::ImageButton", "每日", nullptr},
    {"btnAnalyWeightMonthAvg", "ui::ImageButton", "月平均", nullptr},
    {"btnAnalyWHR", "ui::ImageButton", "WHR", nullptr},
    {"btnAnalyMinMax", "ui::ImageButton", "極值", nullptr},
    {"btnAnalyWeightYearAvg", "ui::ImageButton", "年平均", nullptr},

    {"Chart1", "ui::Chart", nullptr, nullptr},
    {"AdvSmoothButton8", "ui::ImageButton", "Home", nullptr},
    {"Calendar", "ui::MonthCalendar", nullptr, nullptr},

    {"AdvSmoothButton9", "ui::ImageButton", "Home", nullptr},
    {"Label_Save_Date_Batch", "QLabel", "日期", nullptr},
    {"Memo_Save_Data_Batch", "ui::MultiLineEdit", nullptr, "ex: 2010/10/10"},
    {"Label_Save_Type_Batch", "QLabel", "類型", nullptr},
    {"Memo_Save_Type_Batch", "ui::MultiLineEdit", nullptr, "ex: 薪資"},
    {"Label_Save_Note_Batch", "QLabel", "摘要", nullptr},
    {"Memo_Save_Note_Batch", "ui::MultiLineEdit", nullptr, "ex: 10月份"},
    {"Label_Save_Account_Batch", "QLabel", "帳戶", nullptr},
    {"Memo_Save_Account_Batch", "ui::MultiLineEdit", nullptr, "ex: 現金"},
    {"Label_Save_Cost_Batch", "QLabel", "金額", nullptr},
    {"Memo_Save_Cost_Batch", "ui::MultiLineEdit", nullptr, "ex: 50000"},
    {"SBtn_Save_Batch", "ui::FlatButton", "批次新增收入", nullptr},
    {"Label2", "QLabel", "帳戶", nullptr, false},
    {"Label3", "QLabel", "類型", nullptr, false},
    {"AdvSmoothButton10", "ui::ImageButton", "Home", nullptr},
    {"Label_Spend_Date_Batch", "QLabel", "日期", nullptr},
    {"Memo_Spend_Data_Batch", "ui::MultiLineEdit", nullptr, "ex: 2010/10/10"},
    {"Label_Spend_Type_Batch", "QLabel", "類型", nullptr},
    {"Memo_Spend_Type_Batch", "ui::MultiLineEdit", nullptr, "ex: 食物"},
    {"Label_Spend_Note_Batch", "QLabel", "摘要", nullptr},
    {"Memo_Spend_Note_Batch", "ui::MultiLineEdit", nullptr, "ex: 早餐"},
    {"Label_Spend_Account_Batch", "QLabel", "帳戶", nullptr},
    {"Memo_Spend_Account_Batch", "ui::MultiLineEdit", nullptr, "ex: 現金"},
    {"Label_Spend_Cost_Batch", "QLabel", "金額", nullptr},
    {"Memo_Spend_Cost_Batch", "ui::MultiLineEdit", nullptr, "ex: 50"},
    {"Sbtn_Spend_Add_Batch", "ui::FlatButton", "新增支出(批次)", nullptr},

    {"AdvSmoothButton11", "ui::ImageButton", "Home", nullptr},
    {"DBGrid_Save_Type", "ui::DataGrid", nullptr, gridHint},
    {"LE_Save_Type", "ui::LabeledEdit", "收入類型", nullptr},
    {"btnAddSaveType", "ui::ImageButton", "新增收入類型", nullptr},
    {"AdvSmoothButton12", "ui::ImageButton", "Home", nullptr},
    {"DBGrid_Spend_Type", "ui::DataGrid", nullptr, gridHint},
    {"LE_Spend_Type", "ui::LabeledEdit", "支出類型", nullptr},
    {"BtnAddSpendType", "ui::ImageButton", "新增支出類型", nullptr},
    {"AdvSmoothButton2", "ui::ImageButton", "Home", nullptr},
    {"LabelSpendTypeFather", "QLabel", "支出類型", nullptr},
    {"ComboBoxSpendTypeFather", "ui::PickList", "請選擇", nullptr},
    {"DBGrid_Sub_Spend_Type", "ui::DataGrid", nullptr, gridHint},
    {"LE_SubSpendType", "ui::LabeledEdit", "支出子類型", nullptr},
    {"buttonAddSpednSubType", "ui::ImageButton", "新增支出子類型", nullptr},
    {"AdvSmoothButton13", "ui::ImageButton", "Home", nullptr},
    {"DBGrid_Account_Type", "ui::DataGrid", nullptr, gridHint},
    {"LE_Account_Type", "ui::LabeledEdit", "帳戶", nullptr},
    {"btnAccount", "ui::ImageButton", "新增帳戶", nullptr},
    {"AdvSmoothButton1", "ui::ImageButton", "Home", nullptr},
    {"LabelSource", "QLabel", "轉出帳戶", nullptr},
    {"ComboBoxSource", "ui::PickList", "請選擇", nullptr},
    {"LabelTarget", "QLabel", "轉入帳戶", nullptr},
    {"ComboBoxTarget", "ui::PickList", "請選擇", nullptr},
    {"Label1", "QLabel", "日期", nullptr},
    {"DTP_Transfer", "ui::DatePicker", nullptr, nullptr},
    {"LE_TransferMoney", "ui::LabeledEdit", "金額", nullptr},
    {"btnTransfer", "ui::ImageButton", "移轉", nullptr},
    {"AdvSmoothButton14", "ui::ImageButton", "Home", nullptr},
    {"LE_Pw_Old", "ui::LabeledEdit", "舊密碼", nullptr},
    {"LE_Pw_New", "ui::LabeledEdit", "新密碼", nullptr},
    {"LE_Pw_Check", "ui::LabeledEdit", "確認新密碼", nullptr},
    {"btnPasswordChange", "ui::ImageButton", "變更密碼", nullptr},

    {"BtnSetUp", "ui::ImageButton", "Home", nullptr},
    {"btnAuthor", "ui::ImageButton", "作者網頁", nullptr},
    {"btnSystemTray", "ui::ImageButton", "縮小", nullptr},
    {"AdvSmoothButton6", "ui::ImageButton", "快照", nullptr, false},
    {"AdvSmoothLabel1", "ui::LargeLabel", "2.050", nullptr},
};

QString textOf(QWidget* widget)
{
    if (auto* edit = qobject_cast<ui::LabeledEdit*>(widget))
        return edit->caption();
    if (auto* list = qobject_cast<ui::PickList*>(widget))
        return list->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return QString();
}

// The next widget that Tab reaches after the given one, skipping the parts it is made of.
QWidget* nextFocus(QWidget* widget)
{
    for (QWidget* next = widget->nextInFocusChain(); next && next != widget;
         next = next->nextInFocusChain()) {
        if (widget->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus))
            continue;
        // A composite control takes the focus through its own parts.
        for (QWidget* owner = next->parentWidget(); owner; owner = owner->parentWidget())
            if (qobject_cast<QComboBox*>(owner) || qobject_cast<QAbstractSpinBox*>(owner))
                next = owner;
        if (next != widget && !widget->isAncestorOf(next))
            return next;
    }
    return nullptr;
}

// Makes the page that holds the widget the shown one, through both pagers.
void showPageOf(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* pager =
                qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            if (pager->indexOf(w) >= 0)
                pager->setCurrentWidget(w);
    QApplication::processEvents();
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<testing::TempWorkdir> m_dir;
    std::unique_ptr<testing::StartedForm> m_started;

    TForm1& form() { return m_started->form(); }

private Q_SLOTS:
    void initTestCase()
    {
        m_dir = std::make_unique<testing::TempWorkdir>();
        testing::writeStarter();
        // A start that ends at the first grid leaves every control as the layout made it.
        m_started = std::make_unique<testing::StartedForm>(
            QList<std::optional<QString>>{QStringLiteral("9999")}, testing::ErrorBoxes::Expected);
        QCOMPARE(m_started->dialogs().errors().size(), 1);
        form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form()));
    }

    void cleanupTestCase()
    {
        m_started.reset();
        m_dir.reset();
    }

    void opensOnTheOverviewAndFirstInnerPages()
    {
        QCOMPARE(form().TabPagerMain->currentWidget(), form().TabPageOverView);
        QCOMPARE(form().TabPagerBarchChild->currentWidget(), form().TabPageSaveBatch);
        QCOMPARE(form().TabPagerManageChild->currentWidget(), form().TabPageSubSpendType);
        QStringList tabs;
        for (int i = 0; i < form().TabPagerMain->count(); ++i)
            tabs << form().TabPagerMain->tabText(i);
        QCOMPARE(tabs.join(u','), QStringLiteral("總覽,收入,支出,健康,圖表,日結算,批次,管理,關於"));
        QStringList manage;
        for (int i = 0; i < form().TabPagerManageChild->count(); ++i)
            manage << form().TabPagerManageChild->tabText(i);
        QCOMPARE(manage.join(u','), QStringLiteral("收入類型,支出類型,支出子類型,帳戶,金流,密碼管理"));
        QVERIFY(!form().TabPagerMain->isMovable());
        QCOMPARE(form().windowTitle(), QStringLiteral("Velloran"));
        QCOMPARE(form().centralWidget()->size(), QSize(1072, 686));
    }

    void everyControl_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(controls)); ++i)
            QTest::newRow(controls[i].name) << i;
    }
    void everyControl()
    {
        QFETCH(int, index);
        const Control& c = controls[index];
        auto* widget = form().findChild<QWidget*>(QString::fromLatin1(c.name));
        QVERIFY2(widget, "missing");
        QVERIFY2(widget->inherits(c.kind), widget->metaObject()->className());
        if (c.text)
            QCOMPARE(textOf(widget), QString::fromUtf8(c.text));
        QCOMPARE(widget->toolTip(), c.hint ? QString::fromUtf8(c.hint) : QString());
        showPageOf(widget);
        QCOMPARE(widget->isVisible(), c.shown);
        if (!c.shown)
            return;
        const QRect inWindow(widget->mapTo(&form(), QPoint(0, 0)), widget->size());
        QVERIFY2(form().rect().contains(inWindow), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                  .arg(inWindow.x())
                                                                  .arg(inWindow.y())
                                                                  .arg(inWindow.width())
                                                                  .arg(inWindow.height())));
        // Every caption reads whole.
        const QString text = textOf(widget);
        if (!text.isEmpty()) {
            int room = widget->width();
            QFont font = widget->font();
            if (auto* edit = qobject_cast<ui::LabeledEdit*>(widget)) {
                font = edit->label()->font();
                room = edit->label()->width();
            }
            if (qobject_cast<ui::PickList*>(widget))
                room -= 30; // the drop-down arrow
            QVERIFY2(QFontMetrics(font).horizontalAdvance(text) <= room - 4, qPrintable(text));
        }
    }

    // Every control without a font of its own shows the window's: 15 pixels, bold.
    void windowFontReachesEveryControl()
    {
        int checked = 0;
        for (QWidget* widget : form().findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QLineEdit*>(widget) &&
                !qobject_cast<QComboBox*>(widget) && !qobject_cast<QAbstractSpinBox*>(widget) &&
                !qobject_cast<QAbstractButton*>(widget))
                continue;
            // The grids, the image buttons' badges, the large labels and the batch boxes have
            // fonts of their own.
            bool ownFont = false;
            for (QWidget* w = widget; w && w != &form(); w = w->parentWidget())
                ownFont = ownFont || w->isWindow() || qobject_cast<ui::DataGrid*>(w) ||
                          qobject_cast<ui::ImageButton*>(w) || qobject_cast<ui::LargeLabel*>(w) ||
                          qobject_cast<ui::MultiLineEdit*>(w);
            if (ownFont)
                continue;
            ++checked;
            QVERIFY2(widget->font().pixelSize() == 15 && widget->font().bold(),
                     qPrintable(widget->objectName() + u' ' + widget->font().toString()));
        }
        QVERIFY(checked > 40);
    }

    // The five boxes of a batch page are read across: Han text and digits, each line is as
    // high as the next, so line 17 of one box sits beside line 17 of the others.
    void batchBoxesLineUp()
    {
        const QList<ui::MultiLineEdit*> boxes = form().findChildren<ui::MultiLineEdit*>();
        QCOMPARE(boxes.size(), 10);
        const QStringList lines = {QStringLiteral("2012/01/05"), QStringLiteral("早餐"),
                                   QStringLiteral("50000"), QStringLiteral("現金 Cash"),
                                   QStringLiteral("10月份")};
        for (ui::MultiLineEdit* box : boxes) {
            QCOMPARE(box->font().pixelSize(), 15);
            QVERIFY(box->font().bold());
            box->setPlainText(lines.join(u'\n') + u'\n');
            QTextBlock block = box->document()->begin();
            const qreal height = box->document()->documentLayout()->blockBoundingRect(block).height();
            // The last block is taller by the box's bottom margin; the text ends in a line break.
            for (; block.next().isValid(); block = block.next())
                QVERIFY2(
                    box->document()->documentLayout()->blockBoundingRect(block).height() == height,
                    qPrintable(QStringLiteral("%1: %2 is %3 high, the first line %4")
                                   .arg(box->objectName(), block.text())
                                   .arg(box->document()->documentLayout()->blockBoundingRect(block).height())
                                   .arg(height)));
            box->clear();
        }
    }

    void nothingOverlaps()
    {
        QList<QWidget*> pages{form().TabPageOverView, form().TabPageSave, form().TabPageSpend,
                              form().TabPageHealthy, form().TabPageAbout};
        for (int i = 0; i < form().TabPagerBarchChild->count(); ++i)
            pages << form().TabPagerBarchChild->widget(i);
        for (int i = 0; i < form().TabPagerManageChild->count(); ++i)
            pages << form().TabPagerManageChild->widget(i);
        for (QWidget* page : pages) {
            showPageOf(page);
            QList<QWidget*> children;
            for (QObject* child : page->children())
                if (auto* w = qobject_cast<QWidget*>(child); w && w->isVisible())
                    children << w;
            for (int a = 0; a < children.size(); ++a) {
                QVERIFY2(page->rect().contains(children[a]->geometry()),
                         qPrintable(page->objectName() + u' ' + children[a]->objectName()));
                for (int b = a + 1; b < children.size(); ++b)
                    QVERIFY2(!children[a]->geometry().intersects(children[b]->geometry()),
                             qPrintable(children[a]->objectName() + QStringLiteral(" / ") +
                                        children[b]->objectName()));
            }
        }
    }

    void gridsAsLaidOut()
    {
        // After a wrong password every grid is empty; only the overview is greyed out, as the
        // layout leaves it until the balances first fill it.
        const std::tuple<ui::DataGrid*, QSize, bool, bool> grids[] = {
            {form().DBGrid_OverView, QSize(700, 286), false, false},
            {form().DBGrid_save, QSize(693, 286), true, true},
            {form().DBGrid_spend, QSize(794, 259), true, true},
            {form().DBGrid_Weight, QSize(539, 407), true, true},
            {form().DBGrid_Save_Type, QSize(270, 400), true, true},
            {form().DBGrid_Spend_Type, QSize(270, 400), true, true},
            {form().DBGrid_Sub_Spend_Type, QSize(270, 400), true, true},
            {form().DBGrid_Account_Type, QSize(270, 400), true, true},
        };
        for (const auto& [grid, size, editable, enabled] : grids) {
            QCOMPARE(grid->size(), size);
            QCOMPARE(grid->editingAllowed(), editable);
            QVERIFY2(grid->isEnabled() == enabled, qPrintable(grid->objectName()));
            QCOMPARE(grid->model()->rowCount(), 0);
            QVERIFY(!grid->horizontalHeader()->isHidden());
            QVERIFY(!grid->verticalHeader()->isHidden());
            QVERIFY(grid->showGrid());
            QVERIFY(grid->tabKeyNavigation());
            QCOMPARE(grid->horizontalHeader()->font().pixelSize(), 15);
        }
        QCOMPARE(form().DBGrid_OverView->font().pixelSize(), 16);
        QCOMPARE(form().DBGrid_spend->font().pixelSize(), 12);
        QCOMPARE(form().DBGrid_OverView->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(form().DBGrid_OverView->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void weightGridShowsDatesWhole()
    {
        ui::DataGrid* grid = form().DBGrid_Weight;
        const int column = store::columnWidths(grid->width(), 7).front();
        // A cell's text keeps the style's margin on both sides, and the grid line takes a pixel.
        const int margins =
            2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
        const int date = QFontMetrics(grid->font()).horizontalAdvance(QStringLiteral("2012/01/05"));
        QVERIFY2(date + margins <= column,
                 qPrintable(QStringLiteral("%1 + %2 > %3").arg(date).arg(margins).arg(column)));
        // Han text still comes from the Traditional Chinese font.
        QTextLayout layout(QStringLiteral("體重腰圍臀圍"), grid->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QVERIFY(!runs.isEmpty());
        for (const QGlyphRun& run : runs)
            QCOMPARE(run.rawFont().familyName().toLower(), QStringLiteral("noto sans cjk tc"));
    }

    void focusOrderAndPasswordFields()
    {
        QCOMPARE(nextFocus(form().DTP_Save), form().Combobox_Save);
        QCOMPARE(nextFocus(form().Combobox_Save), form().LE_Note_Save->edit());
        QCOMPARE(nextFocus(form().LE_Note_Save->edit()), form().LE_Save->edit());
        QCOMPARE(nextFocus(form().LE_Save->edit()), form().Combobox_Cost2);
        QCOMPARE(nextFocus(form().DTP_spend), form().Combobox_Spend);
        QCOMPARE(nextFocus(form().Combobox_Spend), form().Combobox_Cost);
        QCOMPARE(nextFocus(form().Combobox_Cost), form().LE_Cost->edit());
        QCOMPARE(nextFocus(form().DTP_Weight), form().LE_Height->edit());
        QCOMPARE(nextFocus(form().LE_Weight->edit()), form().LE_Hip->edit());
        for (ui::LabeledEdit* edit : {form().LE_Pw_Old, form().LE_Pw_New, form().LE_Pw_Check})
            QCOMPARE(edit->edit()->echoMode(), QLineEdit::Password);
    }

    void menus()
    {
        QStringList tray, overview;
        for (QAction* action : form().PopupMenu1->actions())
            tray << (action->isSeparator() ? QStringLiteral("-") : action->text());
        for (QAction* action : form().PopupMenu_OverView->actions())
            overview << action->text();
        QCOMPARE(tray,
                 QStringList({QStringLiteral("顯示(&S)"), QStringLiteral("-"), QStringLiteral("關閉(&X)")}));
        QCOMPARE(overview, QStringList({QStringLiteral("新增支出"), QStringLiteral("新增收入"),
                                        QStringLiteral("金流移轉"), QStringLiteral("帳號管理")}));
        QCOMPARE(form().Chart1->title(), QStringLiteral("圖表"));
        QCOMPARE(form().Series1, &form().Chart1->series(0));
        QCOMPARE(form().Series2->colour(), QColor(255, 128, 0));
        QCOMPARE(form().Calendar->firstDayOfWeek(), Qt::Monday);
        // Once shown, the calendar is on this month, not the month the layout keeps.
        showPageOf(form().Calendar);
        QCOMPARE(form().Calendar->monthShown(), platform::now().date().month());
        QCOMPARE(form().Calendar->yearShown(), platform::now().date().year());
        // Days of the months around it are blank cells of the grid's white, whatever the page's
        // palette; the last cell of the six weeks is always one.
        auto* days = form().Calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
        QVERIFY(days);
        const QImage grid = days->viewport()->grab().toImage();
        QCOMPARE(grid.pixelColor(grid.width() - 20, grid.height() - 20), QColor(Qt::white));
    }

    // Each page paints a picture of its own: not one flat colour, and not one that another page
    // shows as well.
    void pagesRender()
    {
        QList<std::pair<QString, QImage>> seen;
        for (int i = 0; i < form().TabPagerMain->count(); ++i) {
            form().TabPagerMain->setCurrentIndex(i);
            const QImage window = form().grab().toImage();
            QCOMPARE(window.size(), form().size());
            QWidget* page = form().TabPagerMain->currentWidget();
            const QImage image = window.copy(QRect(page->mapTo(&form(), QPoint(0, 0)), page->size()))
                                     .convertToFormat(QImage::Format_RGB32);
            const QString name = form().TabPagerMain->tabText(i);
            QImage flat(image.size(), image.format());
            flat.fill(image.pixel(0, 0));
            QVERIFY2(image != flat, qPrintable(name));
            for (const auto& [other, picture] : seen)
                QVERIFY2(image != picture, qPrintable(name + QStringLiteral(" looks like ") + other));
            seen.append({name, image});
        }
        form().TabPagerMain->setCurrentWidget(form().TabPageOverView);
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"
