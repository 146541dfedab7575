#include "TestSupport.h"
#include "engine/Connection.h"
#include "engine/DataSource.h"
#include "engine/Query.h"
#include "ui/Chart.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"
#include "ui/DatePicker.h"
#include "ui/ImageButton.h"
#include "ui/InputBox.h"
#include "ui/Keys.h"
#include "ui/LabeledEdit.h"
#include "ui/MonthCalendar.h"
#include "ui/MultiLineEdit.h"
#include "ui/PickList.h"
#include "ui/QtDialogs.h"
#include "ui/ScriptedDialogs.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

// A grid over the expense table of a temporary file holding three entries.
struct GridFixture
{
    testing::TempWorkdir dir;
    std::unique_ptr<engine::Connection> connection;
    engine::Query query;
    engine::DataSource source;
    QWidget window;
    ui::DataGrid* grid;
    QLineEdit* elsewhere;
    ui::ScriptedDialogs* dialogs;

    GridFixture()
    {
        testing::writeStarter();
        connection = testing::connect();
        testing::execAll(*connection,
                         {
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/01/01#, '食物', '早餐', '現金', 50)"),
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/01/02#, '交通', '公車', '現金', 15)"),
                             QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values "
                                            "(#2012/01/03#, '食物', '晚餐', '銀行', 120)"),
                         });
        auto scripted = testing::scriptedDialogs();
        dialogs = scripted.get();
        ui::installDialogs(std::move(scripted));
        query.setConnection(connection.get());
        query.setSql(QStringLiteral("select * from spend order by 日期 desc"));
        query.open();
        source.setDataSet(&query);
        source.setEnabled(true);
        grid = new ui::DataGrid(&window);
        grid->setGeometry(0, 0, 600, 300);
        grid->setEditingAllowed(true);
        grid->setDataSource(&source);
        elsewhere = new QLineEdit(&window);
        elsewhere->setGeometry(0, 310, 100, 30);
        window.resize(620, 360);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    ~GridFixture() { ui::installDialogs(nullptr); }

    QString stored(const QString& select) { return testing::rowsOf(*connection, select); }
};

// The cell editor the grid has open (it opens as soon as an editable cell becomes current).
template <typename Editor> Editor* editorOf(ui::DataGrid* grid)
{
    for (Editor* editor : grid->viewport()->findChildren<Editor*>(Qt::FindDirectChildrenOnly))
        if (editor->isVisible())
            return editor;
    return nullptr;
}

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gridShowsTheQuery()
    {
        GridFixture f;
        QAbstractItemModelTester tester(f.grid->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(f.grid->model()->rowCount(), 3);
        QStringList titles;
        for (int c = 0; c < f.grid->columnCount(); ++c)
            titles << f.grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles.join(u','), QStringLiteral("流水號,日期,類型,摘要,帳戶,金額"));
        QCOMPARE(f.grid->model()->index(0, 1).data().toString(), QStringLiteral("2012/01/03"));
        QCOMPARE(f.grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
        // The grid and the query keep the same current row, both ways.
        f.grid->setCurrentIndex(f.grid->model()->index(2, 3));
        QCOMPARE(f.query.recNo(), 2);
        f.query.first();
        QCOMPARE(f.grid->currentIndex().row(), 0);
        // Sorting and reopening reach the grid.
        f.query.setSort(QStringLiteral("金額"));
        QCOMPARE(f.grid->model()->index(0, 5).data().toString(), QStringLiteral("15"));
        f.query.setSql(QStringLiteral("select 帳戶名稱 from account_type"));
        f.query.open();
        QCOMPARE(f.grid->columnCount(), 1);
        QCOMPARE(f.grid->model()->rowCount(), 2);
        // The serial is numbered by the engine and cannot be typed over.
        f.query.setSql(QStringLiteral("select * from spend"));
        f.query.open();
        QVERIFY(!(f.grid->model()->flags(f.grid->model()->index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(f.grid->model()->flags(f.grid->model()->index(0, 5)) & Qt::ItemIsEditable);
    }

    void cellEditIsStoredWhenTheRowIsLeft()
    {
        GridFixture f;
        f.grid->setFocus();
        f.grid->setCurrentIndex(f.grid->model()->index(0, 5));
        auto* editor = editorOf<QLineEdit>(f.grid);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("999"));
        QCOMPARE(f.query.state(), engine::Query::State::Edit);
        QCOMPARE(f.grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("I"));
        QTest::keyClick(editor, Qt::Key_Down); // closes the editor and moves on
        QTest::keyClick(f.grid, Qt::Key_Down);
        QCOMPARE(f.query.state(), engine::Query::State::Browse);
        QCOMPARE(f.stored(QStringLiteral("select 金額 from spend where 流水號 = 3")), QStringLiteral("999"));
        // A value the column refuses goes to the error box and is not stored.
        f.dialogs->expectErrors();
        f.grid->setCurrentIndex(f.grid->model()->index(1, 1));
        QVERIFY(!f.grid->model()->setData(f.grid->currentIndex(), QStringLiteral("昨天")));
        QCOMPARE(f.dialogs->errors().size(), 1);
        QVERIFY(f.dialogs->errors().first().contains(QStringLiteral("昨天")));
    }

    void unstoredEditIsDroppedWhenTheGridLosesFocus()
    {
        GridFixture f;
        QSignalSpy exited(f.grid, &ui::DataGrid::exited);
        f.grid->setFocus();
        f.grid->setCurrentIndex(f.grid->model()->index(0, 3));
        auto* editor = editorOf<QLineEdit>(f.grid);
        QVERIFY(editor);
        editor->setFocus();
        QTest::keyClicks(editor, QStringLiteral("xyz"));
        f.elsewhere->setFocus();
        QCOMPARE(exited.count(), 1);
        QCOMPARE(f.query.state(), engine::Query::State::Browse);
        QCOMPARE(f.query.text(0, 3), QStringLiteral("晚餐"));
        QCOMPARE(f.stored(QStringLiteral("select 摘要 from spend where 流水號 = 3")), QStringLiteral("晚餐"));
    }

    void keysReachTheHandlerFirstAlsoFromTheEditor()
    {
        GridFixture f;
        QList<int> keys;
        QList<engine::Query::State> statesSeen;
        QObject::connect(f.grid, &ui::DataGrid::keyDown, f.grid, [&](int key, Qt::KeyboardModifiers) {
            keys << key;
            statesSeen << f.query.state();
            if (ui::isEnterKey(key))
                f.query.first(); // stores the cell being edited, as the ledger grids do
        });
        f.grid->setFocus();
        QTest::keyClick(f.grid, Qt::Key_Delete);
        QTest::keyClick(f.grid, Qt::Key_Period, Qt::KeypadModifier);
        f.grid->setCurrentIndex(f.grid->model()->index(2, 5));
        auto* editor = editorOf<QLineEdit>(f.grid);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("7"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(keys, QList<int>({Qt::Key_Delete, Qt::Key_Period, Qt::Key_7, Qt::Key_Return}));
        QCOMPARE(statesSeen.last(),
                 engine::Query::State::Edit); // the handler saw the edit before the grid closed it
        QCOMPARE(f.query.recNo(), 0);
        QCOMPARE(f.stored(QStringLiteral("select 金額 from spend where 流水號 = 1")), QStringLiteral("7"));
    }

    void ctrlDeleteAsksAndDeletes()
    {
        GridFixture f;
        f.grid->setFocus();
        f.grid->setCurrentIndex(f.grid->model()->index(1, 0));
        f.dialogs->answerQuestion(false);
        QTest::keyClick(f.grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.stored(QStringLiteral("select count(*) as n from spend")), QStringLiteral("3"));
        f.dialogs->answerQuestion(true);
        QTest::keyClick(f.grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.stored(QStringLiteral("select 流水號 from spend order by 流水號")), QStringLiteral("1;3"));
        QCOMPARE(f.dialogs->texts(ui::ScriptedDialogs::Kind::Question).size(), 2);
        // Not where the grid may not change rows.
        f.grid->setCtrlDeleteAllowed(false);
        QTest::keyClick(f.grid, Qt::Key_Delete, Qt::ControlModifier);
        f.source.setAutoEdit(false);
        f.grid->setCtrlDeleteAllowed(true);
        QTest::keyClick(f.grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.stored(QStringLiteral("select count(*) as n from spend")), QStringLiteral("2"));
        QVERIFY(!(f.grid->model()->flags(f.grid->model()->index(0, 5)) & Qt::ItemIsEditable));
    }

    void reloadLeavesTheFocusWhereItIs()
    {
        GridFixture f;
        f.elsewhere->setFocus();
        f.query.open();
        f.query.moveTo(2);
        QCOMPARE(QApplication::focusWidget(), f.elsewhere);
        QVERIFY(!editorOf<QLineEdit>(f.grid));
        f.grid->setFocus();
        f.grid->setCurrentIndex(f.grid->model()->index(1, 3));
        QVERIFY(editorOf<QLineEdit>(f.grid)); // in the grid, the editor is always shown
    }

    void pickListsPerColumn()
    {
        GridFixture f;
        f.grid->appendPickItem(2, QStringLiteral("食物"));
        f.grid->appendPickItem(2, QStringLiteral("交通"));
        QCOMPARE(f.grid->pickList(2), QStringList({QStringLiteral("食物"), QStringLiteral("交通")}));
        f.grid->setCurrentIndex(f.grid->model()->index(0, 2));
        auto* box = editorOf<QComboBox>(f.grid);
        QVERIFY(box);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("食物"));
        f.grid->clearPickList(2);
        QVERIFY(f.grid->pickList(2).isEmpty());
    }

    void titleClicksAreReported()
    {
        GridFixture f;
        QSignalSpy clicks(f.grid, &ui::DataGrid::titleClicked);
        const QHeaderView* header = f.grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.first().at(1).toString(), QStringLiteral("金額"));
        QCOMPARE(f.query.sort(), QString()); // sorting is the handler's to do
    }

    void pickListChoiceCountsOnlyFromTheList()
    {
        ui::PickList list(QStringLiteral("請選擇"));
        QSignalSpy changed(&list, &ui::PickList::changed);
        QCOMPARE(list.itemIndex(), -1);
        QCOMPARE(list.text(), QStringLiteral("請選擇"));
        list.appendItem(QStringLiteral("現金"));
        list.appendItem(QStringLiteral("銀行"));
        QCOMPARE(list.text(), QStringLiteral("請選擇"));
        QCOMPARE(list.itemIndex(), -1);
        list.setItemIndex(1);
        QCOMPARE(list.text(), QStringLiteral("銀行"));
        QTest::keyClicks(list.lineEdit(), QStringLiteral("2"));
        QCOMPARE(list.itemIndex(), -1);
        QCOMPARE(list.text(), QStringLiteral("銀行2"));
        QCOMPARE(changed.count(), 1);
        QTest::keyClick(list.lineEdit(), Qt::Key_Return);
        QCOMPARE(list.count(), 2); // typed text never becomes an item
        list.clearAll();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.text(), QString());
    }

    void smallPieces()
    {
        ui::LabeledEdit edit(QStringLiteral("舊密碼"));
        QCOMPARE(edit.caption(), QStringLiteral("舊密碼"));
        edit.setPasswordMode(true);
        QCOMPARE(edit.edit()->echoMode(), QLineEdit::Password);
        QVERIFY(edit.edit()->styleSheet().contains(QStringLiteral("lineedit-password-character: 42")));

        ui::MultiLineEdit memo;
        QCOMPARE(memo.lines(), QStringList());
        memo.setPlainText(QStringLiteral("a\nb\n"));
        QCOMPARE(memo.lines(), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
        memo.setPlainText(QStringLiteral("a\n\nb"));
        QCOMPARE(memo.lines().size(), 3);
        QCOMPARE(memo.lineWrapMode(), QPlainTextEdit::NoWrap);

        ui::DatePicker picker;
        picker.setDate(QDate(2012, 1, 5));
        QCOMPARE(picker.dateText(), QStringLiteral("2012/01/05"));
        QCOMPARE(picker.displayFormat(), QStringLiteral("yyyy/MM/dd"));
        QVERIFY(picker.calendarPopup());

        ui::ImageButton button(QStringLiteral("新增支出"));
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        button.resize(button.sizeHint());
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(button.font().pixelSize(), 11);
        QVERIFY(button.font().bold());
        // The icon draws something, from the theme or the style's fallback.
        const QImage picture = button.icon().pixmap(QSize(48, 48)).toImage();
        bool drawn = false;
        for (int y = 0; y < picture.height() && !drawn; ++y)
            for (int x = 0; x < picture.width() && !drawn; ++x)
                drawn = qAlpha(picture.pixel(x, y)) > 0;
        QVERIFY(drawn);
    }

    void calendarAsksForEveryDayOfTheShownMonth()
    {
        ui::MonthCalendar calendar;
        QCOMPARE(calendar.firstDayOfWeek(), Qt::Monday);
        QCOMPARE(calendar.yearShown(), 2012);
        QCOMPARE(calendar.monthShown(), 1);
        QList<QDate> asked;
        calendar.setStatusRequest(
            [&](const QDate& date, QString& status, ui::BadgeAppearance& badge, int& x, int& y) {
                asked << date;
                QCOMPARE(status, QString());
                QCOMPARE(badge.fill, QColor(255, 0, 0));
                QCOMPARE(x, 0);
                if (date.day() == 5) {
                    status = QStringLiteral("1500");
                    badge.fill = QColor(48, 117, 0);
                    x = -100;
                    y = 20;
                }
            });
        calendar.resize(700, 500);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        calendar.grab(); // a paint
        QVERIFY(asked.size() >= 31);
        const QList<QDate> firstPaint = asked.mid(0, 31);
        for (int day = 1; day <= 31; ++day)
            QCOMPARE(firstPaint[day - 1], QDate(2012, 1, day));
        const auto& badges = calendar.lastBadges();
        QCOMPARE(badges.size(), size_t(31));
        QCOMPARE(badges[4].status, QStringLiteral("1500"));
        QCOMPARE(badges[4].badge.fill, QColor(48, 117, 0));
        QCOMPARE(badges[4].offsetX, -100);
        QVERIFY(badges[3].status.isEmpty());
        // The month changed, also across a year.
        QSignalSpy changed(&calendar, &ui::MonthCalendar::monthChanged);
        calendar.setCurrentPage(2011, 12);
        calendar.setCurrentPage(2012, 2);
        QCOMPARE(changed.count(), 2);
        asked.clear();
        calendar.requestStatuses();
        QCOMPARE(asked.size(), 29);
        QCOMPARE(asked.last(), QDate(2012, 2, 29));
    }

    void calendarErrorEndsThePaintAndIsShown()
    {
        auto scripted = testing::scriptedDialogs(testing::ErrorBoxes::Expected);
        ui::ScriptedDialogs& dialogs = *scripted;
        ui::installDialogs(std::move(scripted));
        ui::MonthCalendar calendar;
        int asked = 0;
        calendar.setStatusRequest([&](const QDate& date, QString&, ui::BadgeAppearance&, int&, int&) {
            ++asked;
            if (date.day() == 3)
                throw std::runtime_error("database gone");
        });
        calendar.requestStatuses();
        QCOMPARE(asked, 3);
        QTRY_COMPARE(dialogs.errors().size(), 1);
        ui::installDialogs(nullptr);
    }

    void chartOperations()
    {
        ui::Chart chart;
        QCOMPARE(chart.title(), QStringLiteral("圖表"));
        QVERIFY(chart.series(0).isActive() && chart.series(1).isActive());
        chart.setTitle(QStringLiteral("支出"));
        chart.series(0).addPoint(400, QStringLiteral("食物"));
        chart.series(0).addPoint(-250.5, QStringLiteral("交通"));
        chart.series(1).setActive(false);
        const auto& points = chart.series(0).points();
        QCOMPARE(points.size(), 2);
        QCOMPARE(points[1].x, 1.0);
        QCOMPARE(points[1].value, -250.5);
        QCOMPARE(points[1].label, QStringLiteral("交通"));
        QVERIFY(!points[1].colour.isValid()); // the automatic colour
        QCOMPARE(chart.series(1).colour(), QColor(255, 128, 0));
        // Each bar is drawn in the palette's colour of its place, only while there are bars.
        chart.resize(600, 400);
        const QList<QColor> colours = ui::Chart::palette();
        QImage image = chart.grab().toImage();
        QVERIFY(pixelsOf(image, colours[0]) > 0);
        QVERIFY(pixelsOf(image, colours[1]) > 0);
        QCOMPARE(pixelsOf(image, colours[2]), 0);
        chart.series(0).clear();
        QVERIFY(chart.series(0).points().isEmpty());
        image = chart.grab().toImage();
        QCOMPARE(pixelsOf(image, colours[0]) + pixelsOf(image, colours[1]), 0);
        QCOMPARE(ui::Chart::ticks(0, 1000), QList<double>({0, 200, 400, 600, 800, 1000}));
        QCOMPARE(ui::Chart::ticks(-250, 400).first(), -300.0);
    }

    void inputBoxMasksWithAsterisks_data()
    {
        const QString placeholder = QString::fromUtf16(ui::placeholderWord);
        QTest::addColumn<QString>("value");  // what the box opens with
        QTest::addColumn<QString>("opened"); // what the entry shows then
        QTest::addColumn<QString>("typed");  // what it shows after "ab1" replaced the selection
        QTest::newRow("placeholder, masked") << placeholder << QString(placeholder.size(), u'*') << "***";
        QTest::newRow("other value, plain") << "2012"
                                            << "2012"
                                            << "ab1";
        QTest::newRow("empty, plain") << ""
                                      << ""
                                      << "ab1";
    }
    void inputBoxMasksWithAsterisks()
    {
        QFETCH(QString, value);
        QFETCH(QString, opened);
        QFETCH(QString, typed);
        auto previous = ui::installDialogs(std::make_unique<ui::QtDialogs>());
        QString shownOpened, shownTyped;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<ui::InputBox*>(modal)) {
                shownOpened = box->edit()->displayText();
                QTest::keyClicks(box->edit(), QStringLiteral("ab1"));
                shownTyped = box->edit()->displayText();
            }
            if (modal)
                QTest::keyClick(modal, Qt::Key_Return);
        });
        QVERIFY(ui::inputQuery(QStringLiteral("請輸入密碼"), QStringLiteral("密碼 :"), value));
        ui::installDialogs(std::move(previous));
        QCOMPARE(value, QStringLiteral("ab1"));
        QCOMPARE(shownOpened, opened);
        QCOMPARE(shownTyped, typed);
    }

    void boxesShowTheirTitleWhole_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("title");
        QTest::newRow("message") << 0 << "Velloran";
        QTest::newRow("error") << 1 << "Velloran";
        QTest::newRow("question") << 2 << "Velloran";
        QTest::newRow("delete confirmation") << 3 << QString::fromUtf16(ui::deleteConfirmationTitle);
    }
    void boxesShowTheirTitleWhole()
    {
        QFETCH(int, box);
        QFETCH(QString, title);
        // The title as a window manager draws it, in bold, with room for its buttons beside it.
        QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
        titleFont.setBold(true);
        const int needed = QFontMetrics(titleFont).horizontalAdvance(title) + 100;
        QString shownTitle;
        int width = 0;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            // Laid out once more, as a message box is when anything in it changes.
            QEvent relayout(QEvent::LayoutRequest);
            QApplication::sendEvent(modal, &relayout);
            shownTitle = modal->windowTitle();
            width = modal->width();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        ui::QtDialogs dialogs;
        switch (box) {
        case 0:
            dialogs.message(QStringLiteral("新增支出完成"));
            break;
        case 1:
            dialogs.error(QStringLiteral("資料庫密碼錯誤"));
            break;
        case 2:
            dialogs.confirm(QStringLiteral("刪除這筆資料嗎?"));
            break;
        default:
            dialogs.confirmDelete(title, QStringLiteral("刪除資料!! 流水號 : 15"));
        }
        QCOMPARE(shownTitle, title);
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
    }

    void deleteConfirmationDialog()
    {
        ui::QtDialogs dialogs;
        const QString body = QStringLiteral("刪除資料!! 流水號 : 15");
        const QString title = QStringLiteral("確定刪除嗎? (Y) = 刪除, 否(N) = 保留, 取消 = 不做動作 ");
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), title);
            QCOMPARE(box->text(), body);
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->buttons().size(), 3);
            QVERIFY(box->defaultButton());
            QCOMPARE(box->buttonRole(box->defaultButton()), QMessageBox::YesRole);
            seen = true;
            QTest::keyClick(box, Qt::Key_Return); // Yes, the default
        });
        QCOMPARE(dialogs.confirmDelete(title, body), ui::Answer::Yes);
        QVERIFY(seen);
        QTimer::singleShot(0, this,
                           [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
        QCOMPARE(dialogs.confirmDelete(title, body), ui::Answer::Cancel);
    }
};

QTEST_MAIN(TestWidgets)
#include "test_widgets.moc"
