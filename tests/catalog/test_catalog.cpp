// The manage page: accounts, income and expense categories, sub-categories and the password,
// driven through the real controls.
#include "LedgerFixture.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "store/Texts.h"
#include "ui/DataGrid.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/LargeLabel.h"
#include "ui/PickList.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>

using testing::LedgerFixture;

namespace {

enum Kind
{
    Accounts,
    IncomeTypes,
    ExpenseTypes
};

struct Page
{
    QWidget* page;
    ui::DataGrid* grid;
    ui::LabeledEdit* edit;
    ui::ImageButton* add;
    QString table;
    QString nameColumn;
    QString empty, done, duplicate, bodyPrefix;
    QList<QComboBox*> lists; // the pick lists that name the catalog's rows
};

Page pageOf(TForm1& form, int kind)
{
    switch (kind) {
    case Accounts:
        return {form.TabPageAccountType,
                form.DBGrid_Account_Type,
                form.LE_Account_Type,
                form.btnAccount,
                QStringLiteral("account_type"),
                QStringLiteral("帳戶名稱"),
                QStringLiteral("帳戶空白"),
                QStringLiteral("新增帳戶完成"),
                QStringLiteral("帳戶名稱重複"),
                QStringLiteral("刪除資料!! 帳戶名稱 : "),
                {form.Combobox_Cost, form.Combobox_Cost2, form.ComboBoxSource, form.ComboBoxTarget}};
    case IncomeTypes:
        return {form.TabPageSaveType,
                form.DBGrid_Save_Type,
                form.LE_Save_Type,
                form.btnAddSaveType,
                QStringLiteral("save_type"),
                QStringLiteral("類型"),
                QStringLiteral("支出種類空白"),
                QStringLiteral("新增收入種類完成"),
                QStringLiteral("類型名稱重複"),
                QStringLiteral("刪除資料!! 類型 : "),
                {form.Combobox_Save}};
    default:
        return {form.TabPageSpendType,
                form.DBGrid_Spend_Type,
                form.LE_Spend_Type,
                form.BtnAddSpendType,
                QStringLiteral("spend_type"),
                QStringLiteral("類型"),
                QStringLiteral("支出種類空白"),
                QStringLiteral("新增支出種類完成"),
                QStringLiteral("類型名稱重複"),
                QStringLiteral("刪除資料!! 類型 : "),
                {form.Combobox_Spend, form.ComboBoxSpendTypeFather}};
    }
}

QStringList itemsOf(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void showPage(TForm1& form, QWidget* page)
{
    form.TabPagerMain->setCurrentWidget(form.TabPageManage);
    form.TabPagerManageChild->setCurrentWidget(page);
}

void addName(TForm1& form, const Page& page, const QString& name)
{
    showPage(form, page.page);
    page.edit->setText(QString());
    testing::typeText(page.edit->edit(), name);
    QTest::mouseClick(page.add, Qt::LeftButton);
}

// Puts the grid's current row on the row holding the name, then presses the key in the grid.
void pressOnRow(ui::DataGrid* grid, engine::Query& slot, const QString& column, const QString& name,
                Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    grid->setFocus();
    for (int row = 0; row < slot.recordCount(); ++row)
        if (slot.text(row, slot.fieldIndex(column)) == name)
            grid->setCurrentIndex(grid->model()->index(row, 0));
    QTest::keyClick(grid, key, modifiers);
}

QLineEdit* openEditor(ui::DataGrid* grid)
{
    for (QLineEdit* candidate : grid->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (candidate->isVisible())
            return candidate;
    return nullptr;
}

QString entry(const char* table, const QString& type, const QString& account, int amount)
{
    return QStringLiteral(
               "insert into %1 (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/05#, %2, 'x', %3, %4)")
        .arg(QLatin1String(table), store::quoted(type), store::quoted(account))
        .arg(amount);
}

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addingToEachCatalog_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("accounts") << int(Accounts);
        QTest::newRow("income categories") << int(IncomeTypes);
        QTest::newRow("expense categories") << int(ExpenseTypes);
    }
    void addingToEachCatalog()
    {
        QFETCH(int, kind);
        // Entries that already name the new row: an account starts with their balance.
        LedgerFixture f({entry("save", QStringLiteral("薪資"), QStringLiteral("Mom's"), 70),
                         entry("save", QStringLiteral("薪資"), QStringLiteral("Mom"), 5)});
        TForm1& form = f.form();
        const Page page = pageOf(form, kind);
        const QString rowsBefore = f.rows(QStringLiteral("select * from %1").arg(page.table));

        addName(form, page, QString());
        QCOMPARE(f.dialogs().messages(), QStringList{page.empty});
        QCOMPARE(f.rows(QStringLiteral("select * from %1").arg(page.table)), rowsBefore);

        f.dialogs().clear();
        addName(form, page, QStringLiteral("Mom's"));
        QCOMPARE(f.dialogs().messages(), QStringList{page.done});
        QCOMPARE(page.edit->text(), QString());
        QCOMPARE(
            f.rows(
                QStringLiteral("select 編號 from %1 where %2 = 'Mom''s'").arg(page.table, page.nameColumn)),
            QStringLiteral("999"));
        for (QComboBox* list : page.lists) {
            QCOMPARE(itemsOf(list).last(), QStringLiteral("Mom's"));
            QCOMPARE(list->currentIndex(), -1);
        }
        QCOMPARE(page.grid->model()->rowCount(),
                 f.rows(QStringLiteral("select count(*) as n from %1").arg(page.table)).toInt());
        if (kind == Accounts) {
            QCOMPARE(f.rows(QStringLiteral("select 帳戶名稱,餘額 from account_type order by 編號")),
                     QStringLiteral("現金|0;銀行|0;Mom's|70"));
            QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : 70"));
            QCOMPARE(form.DBGrid_OverView->model()->rowCount(), 3);
        }

        // The same name again, also in other letter case: refused by the key, the edit cleared all the same.
        for (const QString& again : {QStringLiteral("Mom's"), QStringLiteral("MOM'S")}) {
            f.dialogs().clear();
            addName(form, page, again);
            QCOMPARE(f.dialogs().messages(), QStringList{page.duplicate});
            QCOMPARE(page.edit->text(), QString());
        }
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from %1 where %2 = 'mom''s'")
                            .arg(page.table, page.nameColumn)),
                 QStringLiteral("1"));
        // Blanks alone pass the empty check and are stored as typed.
        f.dialogs().clear();
        addName(form, page, QStringLiteral("  "));
        QCOMPARE(f.dialogs().messages(), QStringList{page.done});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from %1 where %2 = '  '")
                            .arg(page.table, page.nameColumn)),
                 QStringLiteral("1"));
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    void deletingFromEachCatalog_data() { addingToEachCatalog_data(); }
    void deletingFromEachCatalog()
    {
        QFETCH(int, kind);
        LedgerFixture f({QStringLiteral("insert into account_type (編號, 帳戶名稱) values (3, 'Mom''s')"),
                         QStringLiteral("insert into account_type (編號, 帳戶名稱) values (4, 'Mom')"),
                         QStringLiteral("insert into save_type (編號, 類型) values (4, 'Mom''s')"),
                         QStringLiteral("insert into save_type (編號, 類型) values (5, 'Mom')"),
                         QStringLiteral("insert into spend_type (編號, 類型) values (6, 'Mom''s')"),
                         QStringLiteral("insert into spend_type (編號, 類型) values (7, 'Mom')"),
                         entry("spend", QStringLiteral("Mom's"), QStringLiteral("Mom's"), 30)});
        TForm1& form = f.form();
        const Page page = pageOf(form, kind);
        showPage(form, page.page);
        engine::Query& slot = *page.grid->query();
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : -30"));

        for (ui::Answer answer : {ui::Answer::No, ui::Answer::Cancel, ui::Answer::Yes}) {
            f.dialogs().answerConfirm(answer);
            pressOnRow(page.grid, slot, page.nameColumn, QStringLiteral("Mom's"), Qt::Key_Delete);
        }
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList(3, page.bodyPrefix + QStringLiteral("Mom's")));
        QCOMPARE(f.dialogs().shown().last().title,
                 QStringLiteral("確定刪除嗎? (Y) = 刪除, 否(N) = 保留, 取消 = 不做動作 "));
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from %1 where %2 like 'Mom%'")
                            .arg(page.table, page.nameColumn)),
                 QStringLiteral("1")); // only that row
        for (QComboBox* list : page.lists)
            QVERIFY(!itemsOf(list).contains(QStringLiteral("Mom's")));
        QCOMPARE(f.dialogs().messages(), QStringList()); // no message follows a deletion
        // The entry that names it stays; an account's balance leaves the overview with it.
        QCOMPARE(f.rows(QStringLiteral("select 類型,帳戶 from spend")), QStringLiteral("Mom's|Mom's"));
        QCOMPARE(form.Label_OverView->text(),
                 kind == Accounts ? QStringLiteral("結餘 : 0") : QStringLiteral("結餘 : -30"));

        // The keypad's decimal key asks as Delete does; Enter goes to the first row.
        f.dialogs().answerConfirm(ui::Answer::No);
        pressOnRow(page.grid, slot, page.nameColumn, QStringLiteral("Mom"), Qt::Key_Period,
                   Qt::KeypadModifier);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm).last(),
                 page.bodyPrefix + QStringLiteral("Mom"));
        pressOnRow(page.grid, slot, page.nameColumn, QStringLiteral("Mom"), Qt::Key_Return);
        QCOMPARE(slot.recNo(), 0);
        QVERIFY(!f.dialogs().answersLeft());
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    // A name renamed in its grid reaches the entry pages' lists when the grid is left; the
    // entries keep the old name.
    void renamedInTheGridAndLeft()
    {
        LedgerFixture f({entry("spend", QStringLiteral("食物"), QStringLiteral("現金"), 10)});
        TForm1& form = f.form();
        showPage(form, form.TabPageSpendType);
        ui::DataGrid* grid = form.DBGrid_Spend_Type;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 1)); // 食物
        QLineEdit* editor = openEditor(grid);
        QVERIFY(editor);
        editor->selectAll();
        testing::typeText(editor, QStringLiteral("餐飲"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.rows(QStringLiteral("select 類型 from spend_type where 編號 = 1")),
                 QStringLiteral("餐飲"));
        QCOMPARE(form.Query[role::SpendType]->recNo(), 0);
        QVERIFY(
            !itemsOf(form.Combobox_Spend).contains(QStringLiteral("餐飲"))); // not before the grid is left
        form.LE_Spend_Type->edit()->setFocus();
        QCOMPARE(itemsOf(form.Combobox_Spend).first(), QStringLiteral("餐飲"));
        QCOMPARE(itemsOf(form.ComboBoxSpendTypeFather).first(), QStringLiteral("餐飲"));
        QCOMPARE(f.rows(QStringLiteral("select 類型 from spend")), QStringLiteral("食物"));
        // A rename to a name that exists is refused with the engine's message; the row stays in its edit.
        f.dialogs().expectErrors();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 1));
        editor = openEditor(grid);
        QVERIFY(editor);
        editor->selectAll();
        testing::typeText(editor, QStringLiteral("餐飲"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.dialogs().errors().size(), 1);
        QVERIFY(f.dialogs().errors().constFirst().contains(QStringLiteral("重複")));
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend_type where 類型 = '餐飲'")),
                 QStringLiteral("1"));
    }

    void subCategories()
    {
        LedgerFixture f({QStringLiteral("insert into spend_type (編號, 類型) values (6, 'Mom''s')")});
        TForm1& form = f.form();
        showPage(form, form.TabPageSubSpendType);
        auto add = [&](const QString& name) {
            form.LE_SubSpendType->setText(QString());
            testing::typeText(form.LE_SubSpendType->edit(), name);
            QTest::mouseClick(form.buttonAddSpednSubType, Qt::LeftButton);
        };
        auto gridNames = [&form] {
            QStringList names;
            engine::Query* slot = form.DBGrid_Sub_Spend_Type->query();
            for (int row = 0; slot && row < slot->recordCount(); ++row)
                names << slot->text(row, slot->fieldIndex(QStringLiteral("子類型")));
            return names.join(u',');
        };
        QCOMPARE(form.DBGrid_Sub_Spend_Type->model()->rowCount(), 0); // unbound until a category is chosen

        add(QStringLiteral("早餐"));
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("請選擇支出類型")});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from sub_spend_type")), QStringLiteral("0"));

        testing::choose(form.ComboBoxSpendTypeFather, QStringLiteral("Mom's"));
        f.dialogs().clear();
        add(QString());
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("支出子種類空白")});
        f.dialogs().clear();
        add(QStringLiteral("  早餐 "));
        add(QStringLiteral("早餐"));
        add(QStringLiteral("午餐"));
        QCOMPARE(f.dialogs().messages(), QStringList(3, QStringLiteral("新增子支出種類完成")));
        QCOMPARE(form.LE_SubSpendType->text(), QString());
        QCOMPARE(gridNames(), QStringLiteral("早餐,早餐,午餐"));
        QCOMPARE(f.rows(QStringLiteral("select 類型,子類型,排序 from sub_spend_type where 子類型 = '早餐'")),
                 QStringLiteral("Mom's|早餐|999;Mom's|早餐|999"));
        QCOMPARE(form.DBGrid_Sub_Spend_Type->columnWidth(0), (270 - 40) / 3);
        QCOMPARE(form.DBGrid_Sub_Spend_Type->columnWidth(2), (270 - 40) / 3 + 2);

        // Offered as notes on the expense page.
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        testing::choose(form.Combobox_Spend, QStringLiteral("Mom's"));
        QCOMPARE(itemsOf(form.ComboBoxSubSpendTypeChoose),
                 QStringList({QStringLiteral("早餐"), QStringLiteral("早餐"), QStringLiteral("午餐")}));

        // The body names the category only; Yes deletes both equal rows.
        showPage(form, form.TabPageSubSpendType);
        f.dialogs().clear();
        f.dialogs().answerConfirm(ui::Answer::Yes);
        pressOnRow(form.DBGrid_Sub_Spend_Type, *form.Query[role::SubSpendType], QStringLiteral("子類型"),
                   QStringLiteral("早餐"), Qt::Key_Delete);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList{QStringLiteral("刪除資料!! 類型 : Mom's")});
        QCOMPARE(f.rows(QStringLiteral("select 子類型 from sub_spend_type")), QStringLiteral("午餐"));
        QCOMPARE(gridNames(), QStringLiteral("午餐"));

        // A name of blanks alone is stored empty and can be deleted again.
        f.dialogs().clear();
        add(QStringLiteral("   "));
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("新增子支出種類完成")});
        QCOMPARE(gridNames(), QStringLiteral("午餐,"));
        f.dialogs().answerConfirm(ui::Answer::Yes);
        pressOnRow(form.DBGrid_Sub_Spend_Type, *form.Query[role::SubSpendType], QStringLiteral("子類型"),
                   QString(), Qt::Key_Delete);
        QCOMPARE(f.rows(QStringLiteral("select 子類型 from sub_spend_type")), QStringLiteral("午餐"));
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    // A click on a row's indicator makes that row current, and the Delete that follows asks
    // about it; Ctrl+Delete deletes that one row, with the page's own question alone.
    void indicatorClickAndCtrlDelete_data() { addingToEachCatalog_data(); }
    void indicatorClickAndCtrlDelete()
    {
        QFETCH(int, kind);
        QStringList setup;
        for (int i = 0; i < 30; ++i)
            setup
                << QStringLiteral("insert into account_type (編號, 帳戶名稱) values (%1, 'A%1')").arg(10 + i)
                << QStringLiteral("insert into save_type (編號, 類型) values (%1, 'A%1')").arg(10 + i)
                << QStringLiteral("insert into spend_type (編號, 類型) values (%1, 'A%1')").arg(10 + i);
        LedgerFixture f(setup);
        TForm1& form = f.form();
        const Page page = pageOf(form, kind);
        showPage(form, page.page);
        engine::Query& slot = *page.grid->query();
        const int rows = slot.recordCount();
        // The last row is current first, far from the one clicked.
        page.grid->setFocus();
        page.grid->setCurrentIndex(page.grid->model()->index(rows - 1, 0));
        QHeaderView* indicator = page.grid->verticalHeader();
        QTest::mouseClick(indicator->viewport(), Qt::LeftButton, {},
                          QPoint(indicator->width() / 2, indicator->sectionViewportPosition(3) + 4));
        QCOMPARE(slot.recNo(), 3);
        const QString name = slot.text(3, slot.fieldIndex(page.nameColumn));
        f.dialogs().answerConfirm(ui::Answer::No);
        QTest::keyClick(page.grid, Qt::Key_Delete);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm).last(), page.bodyPrefix + name);

        f.dialogs().clear();
        f.dialogs().answerConfirm(ui::Answer::Yes);
        QTest::keyClick(page.grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm), QStringList{page.bodyPrefix + name});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from %1").arg(page.table)),
                 QString::number(rows - 1));
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from %1 where %2 = '%3'")
                            .arg(page.table, page.nameColumn, name)),
                 QStringLiteral("0"));
        QCOMPARE(page.grid->query()->recordCount(), rows - 1);
        QVERIFY(!f.dialogs().answersLeft());
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    // Delete in the sub-category grid while its slot is closed (a delete ran with no category
    // chosen to reload it) gives the engine's error and asks nothing; in an empty grid it does
    // nothing. Rows with empty names are never taken for the row.
    void subCategoryDeleteWithoutARow()
    {
        LedgerFixture f(
            {QStringLiteral("insert into spend_type (編號, 類型) values (6, '雜支')"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, '', '')"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, null, null)")});
        TForm1& form = f.form();
        showPage(form, form.TabPageSubSpendType);
        testing::choose(form.ComboBoxSpendTypeFather, QStringLiteral("雜支"));
        QCOMPARE(form.DBGrid_Sub_Spend_Type->query()->recordCount(), 0);
        form.DBGrid_Sub_Spend_Type->setFocus();
        QTest::keyClick(form.DBGrid_Sub_Spend_Type, Qt::Key_Delete);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm), QStringList());

        form.Query[role::SubSpendType]->close();
        f.dialogs().expectErrors();
        QTest::keyClick(form.DBGrid_Sub_Spend_Type, Qt::Key_Delete);
        QCOMPARE(f.dialogs().errors().size(), 1);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm), QStringList());
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from sub_spend_type")), QStringLiteral("2"));
    }

    // A name too long for the dialog's old 49 characters is shown whole.
    void longNamesShowWholeInTheDialog()
    {
        const QString name(60, u'長');
        LedgerFixture f(
            {QStringLiteral("insert into account_type (編號, 帳戶名稱) values (3, '%1')").arg(name)});
        TForm1& form = f.form();
        showPage(form, form.TabPageAccountType);
        f.dialogs().answerConfirm(ui::Answer::No);
        pressOnRow(form.DBGrid_Account_Type, *form.Query[role::AccountType], QStringLiteral("帳戶名稱"), name,
                   Qt::Key_Delete);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList{QStringLiteral("刪除資料!! 帳戶名稱 : ") + name});
    }

    void passwordChecks_data()
    {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("left"); // the three fields afterwards
        QTest::newRow("old empty") << ""
                                   << "a"
                                   << "b"
                                   << "舊密碼空白" << QStringList{"", "a", "b"};
        QTest::newRow("old differs in case") << "ABCD"
                                             << "a"
                                             << "a"
                                             << "舊密碼錯誤" << QStringList{"ABCD", "a", "a"};
        QTest::newRow("new empty") << "abcd"
                                   << ""
                                   << "a"
                                   << "新密碼空白" << QStringList{"abcd", "", "a"};
        QTest::newRow("check empty") << "abcd"
                                     << "a"
                                     << ""
                                     << "確認密碼空白" << QStringList{"abcd", "a", ""};
        QTest::newRow("check differs") << "abcd"
                                       << "a"
                                       << "b"
                                       << "確認密碼不等於舊密碼" << QStringList{"abcd", "", ""};
    }
    void passwordChecks()
    {
        QFETCH(QString, old);
        QFETCH(QString, fresh);
        QFETCH(QString, check);
        QFETCH(QString, message);
        QFETCH(QStringList, left);
        LedgerFixture f({QStringLiteral("ALTER DATABASE PASSWORD abcd 1234")}, QStringLiteral("abcd"));
        TForm1& form = f.form();
        form.LE_Pw_Old->setText(old);
        form.LE_Pw_New->setText(fresh);
        form.LE_Pw_Check->setText(check);
        QTest::mouseClick(form.btnPasswordChange, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{message});
        QCOMPARE(QStringList({form.LE_Pw_Old->text(), form.LE_Pw_New->text(), form.LE_Pw_Check->text()}),
                 left);
        QCOMPARE(form.DatabasePassword, QStringLiteral("abcd"));
    }

    // Any password, blanks, brackets, quotes and Han included, is changed whole and opens the
    // file at the next start; the start-up password stays the one the page checks against.
    // A change that cannot be written (here the name of its new file is taken by a folder) is
    // one error box: no word of success, the file and the start-up password as they were, and
    // the grids read on.
    void passwordChangeThatFailsChangesNothing()
    {
        LedgerFixture f({entry("spend", QStringLiteral("食物"), QStringLiteral("現金"), 40)});
        TForm1& form = f.form();
        QVERIFY(
            QDir().mkdir(QStringLiteral(".finance.mdb.rekey-%1").arg(QCoreApplication::applicationPid())));
        form.LE_Pw_Old->setText(QStringLiteral("1234"));
        form.LE_Pw_New->setText(QStringLiteral("5678"));
        form.LE_Pw_Check->setText(QStringLiteral("5678"));
        f.dialogs().expectErrors();
        QTest::mouseClick(form.btnPasswordChange, Qt::LeftButton);
        QCOMPARE(f.dialogs().errors().size(), 1);
        QVERIFY(f.dialogs().errors().first().startsWith(QStringLiteral("無法變更資料庫密碼")));
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(form.DatabasePassword, QStringLiteral("1234"));
        QCOMPARE(form.DBGrid_spend->query()->recordCount(), 1);
        form.close();
        QCOMPARE(testing::rowsOf(*testing::connect(QStringLiteral("1234")),
                                 QStringLiteral("select 金額 from spend")),
                 QStringLiteral("40"));
    }

    void passwordChanged_data()
    {
        QTest::addColumn<QString>("fresh");
        for (const char* password :
             {"5678", "my pw", "a]b", "[x]", "it's", "新密碼", "null", "end;", " lead"})
            QTest::newRow(password) << QString::fromUtf8(password);
    }
    void passwordChanged()
    {
        QFETCH(QString, fresh);
        {
            LedgerFixture f;
            TForm1& form = f.form();
            form.LE_Pw_Old->setText(QStringLiteral("1234"));
            form.LE_Pw_New->setText(fresh);
            form.LE_Pw_Check->setText(fresh);
            QTest::mouseClick(form.btnPasswordChange, Qt::LeftButton);
            QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("修改完成,下次登入時請使用新密碼")});
            QCOMPARE(QStringList({form.LE_Pw_Old->text(), form.LE_Pw_New->text(), form.LE_Pw_Check->text()}),
                     QStringList(3, QString()));
            QCOMPARE(form.DatabasePassword, QStringLiteral("1234"));
            // A second change is checked against the start-up password, which the file no longer has.
            form.LE_Pw_Old->setText(QStringLiteral("1234"));
            form.LE_Pw_New->setText(QStringLiteral("again"));
            form.LE_Pw_Check->setText(QStringLiteral("again"));
            f.dialogs().expectErrors();
            QTest::mouseClick(form.btnPasswordChange, Qt::LeftButton);
            QCOMPARE(f.dialogs().errors().size(), 1);
            QCOMPARE(form.LE_Pw_Old->text(), QStringLiteral("1234"));
            QCOMPARE(form.LE_Pw_New->text(), QStringLiteral("again"));
            form.close();
            QCOMPARE(testing::rowsOf(*testing::connect(fresh),
                                     QStringLiteral("select count(*) as n from account_type")),
                     QStringLiteral("2"));
            try {
                testing::connect(QStringLiteral("1234"));
                QFAIL("the old password still opens the file");
            } catch (const engine::EngineError& error) {
                QCOMPARE(error.kind(), engine::EngineError::Kind::WrongPassword);
            }
        }
    }
};

QTEST_MAIN(TestCatalog)
#include "test_catalog.moc"
