#include "LedgerFixture.h"
#include "engine/DataSource.h"
#include "engine/Query.h"
#include "ledger/Statements.h"
#include "store/Texts.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/LargeLabel.h"
#include "ui/PickList.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <sqlite3.h>

using testing::LedgerFixture;

namespace {

QString insertEntry(const char* table, const QString& date, const QString& type, const QString& note,
                    const QString& account, const QString& amount)
{
    return QStringLiteral("insert into %1 (日期, 類型, 摘要, 帳戶, 金額) values (#%2#, %3, %4, %5, %6)")
        .arg(QString::fromLatin1(table), date, store::quoted(type), store::quoted(note),
             store::quoted(account), amount);
}

// 8 192 expenses on two dates, more than a grid keeps the fields of: two entries doubled twelve
// times over.
QStringList largeLedger()
{
    QStringList setup{insertEntry("spend", "2012/01/01", "食物", "n", "現金", "1"),
                      insertEntry("spend", "2012/02/01", "交通", "m", "銀行", "2")};
    for (int i = 0; i < 12; ++i)
        setup << QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) "
                                "select 日期, 類型, 摘要, 帳戶, 金額 + 流水號 from spend");
    return setup;
}

QStringList columnWidthsOf(ui::DataGrid* grid)
{
    QStringList widths;
    for (int c = 0; c < grid->columnCount(); ++c)
        widths << QString::number(grid->columnWidth(c));
    return widths;
}

QLineEdit* openEditor(ui::DataGrid* grid)
{
    for (QLineEdit* candidate : grid->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (candidate->isVisible())
            return candidate;
    return nullptr;
}

QStringList itemsOf(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void balances_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("balances"); // 帳戶名稱|餘額 by 編號
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("height");
        const QString noAccounts = QStringLiteral("delete from account_type");
        auto account = [](int order, const QString& name) {
            return QStringLiteral("insert into account_type (編號, 帳戶名稱) values (%1, %2)")
                .arg(order)
                .arg(store::quoted(name));
        };
        QTest::newRow("income and expense")
            << QStringList{noAccounts, account(1, QStringLiteral("現金")),
                           insertEntry("save", "2012/01/01", "薪資", "x", "現金", "1000"),
                           insertEntry("spend", "2012/01/02", "食物", "x", "現金", "250")}
            << "現金|750"
            << "結餘 : 750" << 54;
        QTest::newRow("expenses only")
            << QStringList{noAccounts, account(1, QStringLiteral("現金")),
                           insertEntry("spend", "2012/01/02", "食物", "x", "現金", "300")}
            << "現金|-300"
            << "結餘 : -300" << 54;
        QTest::newRow("no entries") << QStringList{} << "現金|0;銀行|0"
                                    << "結餘 : 0" << 81;
        QTest::newRow("halves to even, each sum on its own")
            << QStringList{insertEntry("save", "2012/01/01", "薪資", "x", "現金", "10.5"),
                           insertEntry("save", "2012/01/01", "薪資", "x", "銀行", "11.5"),
                           insertEntry("spend", "2012/01/01", "食物", "x", "銀行", "0.5")}
            << "現金|10;銀行|12"
            << "結餘 : 22" << 81;
        QTest::newRow("no accounts") << QStringList{noAccounts} << ""
                                     << "結餘 : " << 27;
        QTest::newRow("three accounts, one unknown in the entries")
            << QStringList{account(3, QStringLiteral("信用卡")),
                           insertEntry("save", "2012/01/01", "薪資", "x", "郵局", "99"),
                           insertEntry("spend", "2012/01/01", "食物", "x", "信用卡", "40")}
            << "現金|0;銀行|0;信用卡|-40"
            << "結餘 : -40" << 108;
        QTest::newRow("a name with an apostrophe")
            << QStringList{noAccounts, account(1, QStringLiteral("Joe's")),
                           insertEntry("save", "2012/01/01", "薪資", "x", "Joe's", "100"),
                           insertEntry("save", "2012/01/01", "薪資", "x", "Joe", "7")}
            << "Joe's|100"
            << "結餘 : 100" << 54;
        QTest::newRow("sums past 32 bits")
            << QStringList{insertEntry("save", "2012/01/01", "薪資", "x", "銀行", "3000000000"),
                           insertEntry("save", "2012/01/02", "薪資", "x", "銀行", "2000000000")}
            << "現金|0;銀行|5000000000"
            << "結餘 : 5000000000" << 81;
    }
    void balances()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, balances);
        QFETCH(QString, label);
        QFETCH(int, height);
        LedgerFixture f(setup);
        QCOMPARE(f.dialogs().errors(), QStringList());
        QCOMPARE(f.rows(QStringLiteral("select 帳戶名稱,餘額 from account_type order by 編號")), balances);
        QCOMPARE(f.form().Label_OverView->text(), label);
        ui::DataGrid* grid = f.form().DBGrid_OverView;
        QVERIFY(grid->isEnabled());
        QCOMPARE(grid->height(), height);
        QCOMPARE(grid->model()->rowCount(), height / 27 - 1);
        QCOMPARE(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(columnWidthsOf(grid), QStringList({QStringLiteral("330"), QStringLiteral("332")}));
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, 1)) & Qt::ItemIsEditable) || height == 27);
        QCOMPARE(ledger::balanceUpdateStatement(-300, QStringLiteral("現金")),
                 QStringLiteral("update account_type set 餘額 = -300 where 帳戶名稱 = '現金'"));
    }

    void gridsAndListsAfterStart()
    {
        LedgerFixture f({QStringLiteral("update spend_type set 類型 = '  食物 ' where 類型 = '食物'"),
                         QStringLiteral("update save_type set 類型 = ' 薪資' where 類型 = '薪資'"),
                         QStringLiteral("insert into account_type (編號, 帳戶名稱) values (0, ' 郵局 ')"),
                         insertEntry("spend", "2012/01/01", "食物", "a", "現金", "1"),
                         insertEntry("spend", "2012/02/01", "食物", "b", "現金", "2"),
                         insertEntry("spend", "2011/12/01", "食物", "c", "現金", "3")});
        TForm1& form = f.form();
        QCOMPARE(form.startupStepsRun(), TForm1::StartupStep::DayCacheReset);
        // Expense categories trimmed; income categories and accounts exactly as stored.
        QCOMPARE(itemsOf(form.Combobox_Spend).first(), QStringLiteral("食物"));
        QCOMPARE(itemsOf(form.ComboBoxSpendTypeFather).first(), QStringLiteral("食物"));
        QCOMPARE(form.DBGrid_spend->pickList(2).first(), QStringLiteral("食物"));
        QCOMPARE(itemsOf(form.Combobox_Save).first(), QStringLiteral(" 薪資"));
        QCOMPARE(form.DBGrid_save->pickList(2).first(), QStringLiteral(" 薪資"));
        const QStringList accounts{QStringLiteral(" 郵局 "), QStringLiteral("現金"), QStringLiteral("銀行")};
        for (QComboBox* box :
             {static_cast<QComboBox*>(form.Combobox_Cost), static_cast<QComboBox*>(form.Combobox_Cost2),
              static_cast<QComboBox*>(form.ComboBoxSource), static_cast<QComboBox*>(form.ComboBoxTarget)}) {
            QCOMPARE(itemsOf(box), accounts);
            QCOMPARE(box->currentIndex(), -1);
            QCOMPARE(box->currentText(), QString());
        }
        QCOMPARE(form.DBGrid_spend->pickList(4), accounts);
        QCOMPARE(form.DBGrid_save->pickList(4), accounts);
        // Newest first, the widths of the rule, today's date in the pickers.
        QCOMPARE(form.Query[0]->text(0, 1), QStringLiteral("2012/02/01"));
        QCOMPARE(columnWidthsOf(form.DBGrid_spend).join(u','), QStringLiteral("125,125,125,125,125,127"));
        QCOMPARE(columnWidthsOf(form.DBGrid_Weight).join(u','), QStringLiteral("71,71,71,71,71,71,73"));
        QCOMPARE(columnWidthsOf(form.DBGrid_save).join(u','), QStringLiteral("108,108,108,108,108,110"));
        QCOMPARE(columnWidthsOf(form.DBGrid_Spend_Type).join(u','), QStringLiteral("115,117"));
        QCOMPARE(columnWidthsOf(form.DBGrid_Account_Type).join(u','), QStringLiteral("115,117"));
        for (ui::DatePicker* picker : {form.DTP_spend, form.DTP_Save, form.DTP_Weight, form.DTP_Transfer})
            QCOMPARE(picker->date(), QDate(2012, 3, 15));
        QCOMPARE(form.DBGrid_Account_Type->columnCount(), 2);
        for (ui::DataGrid* grid : {form.DBGrid_spend, form.DBGrid_save, form.DBGrid_Weight,
                                   form.DBGrid_Spend_Type, form.DBGrid_Save_Type, form.DBGrid_Account_Type})
            QVERIFY(grid->isEnabled());
        QCOMPARE(store::columnWidths(794, 6), std::vector<int>({125, 125, 125, 125, 125, 127}));
        QCOMPARE(store::columnWidths(100, 0), std::vector<int>());
    }

    void emptyCategoryTable()
    {
        LedgerFixture f({QStringLiteral("delete from spend_type")});
        QCOMPARE(f.form().Combobox_Spend->count(), 0);
        QCOMPARE(f.form().ComboBoxSpendTypeFather->count(), 0);
        QVERIFY(f.form().DBGrid_spend->pickList(2).isEmpty());
        QCOMPARE(f.form().DBGrid_Spend_Type->model()->rowCount(), 0);
    }

    void amountFieldsTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("field");
        QTest::newRow("point dropped") << "12.50"
                                       << ""
                                       << "1250";
        QTest::newRow("minus dropped") << "-5"
                                       << ""
                                       << "5";
        QTest::newRow("letters dropped") << "1a2b"
                                         << ""
                                         << "12";
        QTest::newRow("full-width digits dropped") << "１２3"
                                                   << ""
                                                   << "3";
        QTest::newRow("pasted digits") << "1"
                                       << "300"
                                       << "1300";
        QTest::newRow("pasted decimal refused") << "1"
                                                << "12.5"
                                                << "1";
        QTest::newRow("pasted sign refused") << ""
                                             << "-40"
                                             << "";
    }
    void amountFieldsTakeDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, field);
        LedgerFixture f;
        for (QLineEdit* edit :
             {f.form().LE_Cost->edit(), f.form().LE_Save->edit(), f.form().LE_TransferMoney->edit()}) {
            edit->setFocus();
            testing::typeText(edit, typed);
            if (!pasted.isEmpty())
                edit->insert(pasted);
            QCOMPARE(edit->text(), field);
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCOMPARE(edit->text(), field.left(qMax(0, field.size() - 1)));
        }
    }

    void expenseChecksStopAtTheFirstGap_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("note"); // "-" leaves the box untouched
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty form") << ""
                                    << "-"
                                    << ""
                                    << ""
                                    << "請選擇支出類型";
        QTest::newRow("note untouched") << "食物"
                                        << "-"
                                        << "現金"
                                        << "5"
                                        << "摘要空白";
        QTest::newRow("note emptied") << "食物"
                                      << ""
                                      << "現金"
                                      << "5"
                                      << "摘要空白";
        QTest::newRow("no account") << "食物"
                                    << "早餐"
                                    << ""
                                    << "5"
                                    << "請選擇帳戶";
        QTest::newRow("no amount") << "食物"
                                   << "早餐"
                                   << "現金"
                                   << ""
                                   << "金額空白";
    }
    void expenseChecksStopAtTheFirstGap()
    {
        QFETCH(QString, category);
        QFETCH(QString, note);
        QFETCH(QString, account);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        LedgerFixture f;
        TForm1& form = f.form();
        if (!category.isEmpty())
            testing::choose(form.Combobox_Spend, category);
        if (note != QLatin1String("-"))
            form.ComboBoxSubSpendTypeChoose->setEditText(note);
        if (!account.isEmpty())
            testing::choose(form.Combobox_Cost, account);
        testing::typeText(form.LE_Cost->edit(), amount);
        f.dialogs().clear();
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{message});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend")), QStringLiteral("0"));
        QCOMPARE(form.LE_Cost->text(), amount); // nothing was reset
    }

    void incomeChecks()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        const std::pair<std::function<void()>, const char*> steps[] = {
            {[] {}, "請選擇收入類型"},
            {[&] { testing::choose(form.Combobox_Save, QStringLiteral("薪資")); }, "摘要空白"},
            {[&] { form.LE_Note_Save->setText(QStringLiteral("三月")); }, "請選擇帳戶"},
            {[&] { testing::choose(form.Combobox_Cost2, QStringLiteral("銀行")); }, "金額空白"},
        };
        for (const auto& [fill, message] : steps) {
            fill();
            f.dialogs().clear();
            QTest::mouseClick(form.btnAddSave, Qt::LeftButton);
            QCOMPARE(f.dialogs().messages(), QStringList{QString::fromUtf8(message)});
        }
        // Typing a category's name is not choosing it.
        form.Combobox_Save->setItemIndex(-1);
        form.Combobox_Save->setFocus();
        testing::typeText(form.Combobox_Save->lineEdit(), QStringLiteral("薪資"));
        f.dialogs().clear();
        QTest::mouseClick(form.btnAddSave, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("請選擇收入類型")});
    }

    void addingAnExpense()
    {
        LedgerFixture f(
            {insertEntry("save", "2012/01/01", "薪資", "x", "現金", "1000"),
             insertEntry("spend", "2012/03/20", "食物", "x", "銀行", "1"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, '食物', ' 早餐 ')"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, '食物', '午餐')")});
        TForm1& form = f.form();
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : 999"));
        // The income page holds things that the expense add clears as well.
        testing::choose(form.Combobox_Save, QStringLiteral("獎金"));
        form.LE_Note_Save->setText(QStringLiteral("半成品"));
        testing::choose(form.Combobox_Cost2, QStringLiteral("現金"));
        testing::typeText(form.LE_Save->edit(), QStringLiteral("7"));

        form.DTP_spend->setDate(QDate(2012, 3, 1));
        testing::choose(form.Combobox_Spend, QStringLiteral("食物"));
        QCOMPARE(itemsOf(form.ComboBoxSubSpendTypeChoose),
                 QStringList({QStringLiteral("早餐"), QStringLiteral("午餐")}));
        QCOMPARE(form.ComboBoxSubSpendTypeChoose->text(), QStringLiteral("請選擇或自行輸入"));
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral(" 路邊攤 ")); // free text, kept exactly
        testing::choose(form.Combobox_Cost, QStringLiteral("現金"));
        testing::typeText(form.LE_Cost->edit(), QStringLiteral("250"));
        f.dialogs().clear();
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("新增支出完成")});
        QCOMPARE(f.rows(QStringLiteral("select * from spend where 流水號 = 2")),
                 QStringLiteral("2|2012/03/01|食物| 路邊攤 |現金|250"));
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : 749"));
        QCOMPARE(f.rows(QStringLiteral("select 餘額 from account_type where 帳戶名稱 = '現金'")),
                 QStringLiteral("750"));
        // The grid is back on the table, newest first, and the date on today.
        QCOMPARE(form.Query[0]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QCOMPARE(form.Query[0]->recordCount(), 2);
        QCOMPARE(form.Query[0]->text(0, 1), QStringLiteral("2012/03/20"));
        QCOMPARE(form.DTP_spend->date(), QDate(2012, 3, 15));
        // Both pages are reset; the note's list keeps its items.
        for (ui::PickList* list :
             {form.Combobox_Spend, form.Combobox_Cost, form.Combobox_Save, form.Combobox_Cost2}) {
            QCOMPARE(list->itemIndex(), -1);
            QCOMPARE(list->text(), QString());
        }
        QCOMPARE(form.LE_Cost->text(), QString());
        QCOMPARE(form.LE_Save->text(), QString());
        QCOMPARE(form.LE_Note_Save->text(), QString());
        QCOMPARE(form.ComboBoxSubSpendTypeChoose->text(), QString());
        QCOMPARE(form.ComboBoxSubSpendTypeChoose->count(), 2);
        f.dialogs().clear();
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("請選擇支出類型")});
    }

    void addingAnIncomeLeavesTheExpensePage()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        testing::choose(form.Combobox_Spend, QStringLiteral("交通"));
        testing::typeText(form.LE_Cost->edit(), QStringLiteral("35"));
        testing::choose(form.Combobox_Save, QStringLiteral("薪資"));
        form.LE_Note_Save->setText(QStringLiteral("三月"));
        testing::choose(form.Combobox_Cost2, QStringLiteral("銀行"));
        testing::typeText(form.LE_Save->edit(), QStringLiteral("0")); // 0 is an amount
        QTest::mouseClick(form.btnAddSave, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("新增收入完成")});
        QCOMPARE(f.rows(QStringLiteral("select 日期,類型,摘要,帳戶,金額 from save")),
                 QStringLiteral("2012/03/15|薪資|三月|銀行|0"));
        QCOMPARE(form.Combobox_Spend->text(), QStringLiteral("交通"));
        QCOMPARE(form.LE_Cost->text(), QStringLiteral("35"));
        QCOMPARE(form.Combobox_Save->itemIndex(), -1);
        QCOMPARE(form.Query[1]->sql(), QStringLiteral("select * from save order by 日期 desc"));
    }

    void failedAddStoresNothingAndKeepsTheForm()
    {
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "5"),
                         insertEntry("spend", "2012/01/02", "食物", "y", "現金", "6")});
        TForm1& form = f.form();
        testing::choose(form.Combobox_Spend, QStringLiteral("食物"));
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("早餐"));
        testing::choose(form.Combobox_Cost, QStringLiteral("現金"));
        form.LE_Cost->setText(QStringLiteral("12a")); // only text that was not typed can get here
        form.DTP_spend->setDate(QDate(2012, 1, 9));
        f.dialogs().expectErrors();
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(f.dialogs().errors().size(), 1);
        QVERIFY(f.dialogs().errors().first().contains(QStringLiteral("12a")));
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend")), QStringLiteral("2"));
        QCOMPARE(form.Query[0]->recordCount(), 2); // the grid shows the table, not the one-row select
        QCOMPARE(form.Query[0]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QCOMPARE(form.LE_Cost->text(), QStringLiteral("12a"));
        QCOMPARE(form.Combobox_Spend->text(), QStringLiteral("食物"));
        QCOMPARE(form.DTP_spend->date(), QDate(2012, 1, 9));
    }

    void subCategoryList()
    {
        LedgerFixture f(
            {QStringLiteral("insert into spend_type (編號, 類型) values (9, 'Mom''s')"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, 'Mom''s', '禮物')"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, 'Mom', '別的')"),
             QStringLiteral("insert into sub_spend_type (排序, 類型, 子類型) values (999, '食物', '早餐')")});
        TForm1& form = f.form();
        testing::choose(form.Combobox_Spend, QStringLiteral("Mom's"));
        QCOMPARE(itemsOf(form.ComboBoxSubSpendTypeChoose), QStringList{QStringLiteral("禮物")});
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("自己打的"));
        testing::choose(form.Combobox_Spend, QStringLiteral("交通")); // none of its own
        QCOMPARE(form.ComboBoxSubSpendTypeChoose->count(), 0);
        QCOMPARE(form.ComboBoxSubSpendTypeChoose->text(), QStringLiteral("自己打的"));
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    void deletingAnEntry()
    {
        LedgerFixture f({QStringLiteral("insert into spend (流水號, 日期, 類型, 摘要, 帳戶, 金額) values "
                                        "(15, #2012/01/05#, '食物', 'x', '現金', 100)"),
                         insertEntry("spend", "2012/02/01", "食物", "y", "現金", "50")});
        TForm1& form = f.form();
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : -150"));
        ui::DataGrid* grid = form.DBGrid_spend;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 0)); // serial 15, the older entry
        QCOMPARE(form.Query[0]->fieldByName(QStringLiteral("流水號")).asString(), QStringLiteral("15"));
        for (ui::Answer answer : {ui::Answer::No, ui::Answer::Cancel, ui::Answer::Yes}) {
            f.dialogs().answerConfirm(answer);
            QTest::keyClick(grid, Qt::Key_Delete);
        }
        const auto shown = f.dialogs().shown();
        QCOMPARE(shown.last().kind, ui::ScriptedDialogs::Kind::Confirm);
        QCOMPARE(shown.last().title,
                 QStringLiteral("確定刪除嗎? (Y) = 刪除, 否(N) = 保留, 取消 = 不做動作 "));
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList(3, QStringLiteral("刪除資料!! 流水號 : 15")));
        QCOMPARE(f.rows(QStringLiteral("select 流水號 from spend")), QStringLiteral("16"));
        QCOMPARE(form.Query[0]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QCOMPARE(form.Query[0]->recordCount(), 1);
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : -50"));
        QCOMPARE(f.dialogs().messages(), QStringList()); // no message follows a deletion
        // Ctrl held: only the Delete key's own deletion, never a second row.
        f.dialogs().answerConfirm(ui::Answer::Yes);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend")), QStringLiteral("0"));
        QVERIFY(!f.dialogs().answersLeft());
    }

    void deletingOnAnEmptyGrid()
    {
        LedgerFixture f;
        ui::DataGrid* grid = f.form().DBGrid_save;
        grid->setFocus();
        f.dialogs().answerConfirm(ui::Answer::Yes);
        f.dialogs().expectErrors();
        QTest::keyClick(grid, Qt::Key_Period, Qt::KeypadModifier);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList{QStringLiteral("刪除資料!! 流水號 : ")});
        QCOMPARE(f.dialogs().errors().size(), 1);
        // The grid still shows its table.
        QVERIFY(f.form().Query[1]->isActive());
        QCOMPARE(f.form().Query[1]->sql(), QStringLiteral("select * from save order by 日期 desc"));
    }

    void keypadPointAsksWhileACellIsEdited()
    {
        LedgerFixture f({insertEntry("save", "2012/01/05", "薪資", "x", "現金", "100")});
        f.form().TabPagerMain->setCurrentWidget(f.form().TabPageSave);
        ui::DataGrid* grid = f.form().DBGrid_save;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 5));
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : grid->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
            if (candidate->isVisible())
                editor = candidate;
        QVERIFY(editor);
        f.dialogs().answerConfirm(ui::Answer::No);
        QTest::keyClick(editor, Qt::Key_Period, Qt::KeypadModifier);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList{QStringLiteral("刪除資料!! 流水號 : 1")});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from save")), QStringLiteral("1"));
    }

    void enterStoresAnEditAndGoesToTheFirstRow()
    {
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "10"),
                         insertEntry("spend", "2012/01/02", "食物", "y", "現金", "20")});
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        ui::DataGrid* grid = form.DBGrid_spend;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 5)); // serial 1, 10
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : grid->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
            if (candidate->isVisible())
                editor = candidate;
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("90"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.rows(QStringLiteral("select 金額 from spend where 流水號 = 1")), QStringLiteral("90"));
        QCOMPARE(form.Query[0]->recNo(), 0);
        QCOMPARE(form.Query[0]->state(), engine::Query::State::Browse);
        // The balances follow at the next recount, not at the edit.
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : -30"));
        form.RecalcBalances();
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : -110"));
    }

    // What was done in a cell editor before a key reaches the grid itself.
    void keyOnTheGridAfterTheCellEditor_data()
    {
        QTest::addColumn<int>("before"); // 0 a character typed, 1 Escape, 2 Enter
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("keypad");
        for (int before : {0, 1, 2}) {
            const char* what = before == 0 ? "typed" : before == 1 ? "Escape" : "Enter";
            QTest::addRow("%s, Delete", what) << before << int(Qt::Key_Delete) << false;
            QTest::addRow("%s, keypad point", what) << before << int(Qt::Key_Period) << true;
            QTest::addRow("%s, Enter", what) << before << int(Qt::Key_Return) << false;
        }
    }
    void keyOnTheGridAfterTheCellEditor()
    {
        QFETCH(int, before);
        QFETCH(int, key);
        QFETCH(bool, keypad);
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "10"),
                         insertEntry("spend", "2012/01/02", "食物", "y", "現金", "20")});
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        ui::DataGrid* grid = form.DBGrid_spend;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 3));
        QLineEdit* editor = openEditor(grid);
        QVERIFY(editor);
        if (before == 0)
            QTest::keyClick(editor, Qt::Key_Z);
        else
            QTest::keyClick(editor, before == 1 ? Qt::Key_Escape : Qt::Key_Return);
        grid->setCurrentIndex(grid->model()->index(1, 3));
        const bool deletes = key != Qt::Key_Return;
        if (deletes)
            f.dialogs().answerConfirm(ui::Answer::No);
        QTest::keyClick(grid, Qt::Key(key), keypad ? Qt::KeypadModifier : Qt::NoModifier);
        if (deletes)
            QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm).size(), 1);
        else
            QCOMPARE(form.Query[0]->recNo(), 0);
        QVERIFY(!f.dialogs().answersLeft());
    }

    // A text the amount column refuses: one box, even when the box takes the focus from the
    // editor; the typed text is dropped and nothing is stored.
    void refusedCellTextShowsOneBox()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("commitData")));
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "10"),
                         insertEntry("spend", "2012/01/02", "食物", "y", "現金", "20")});
        f.dialogs().setTakesFocus(true);
        f.dialogs().expectErrors();
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        ui::DataGrid* grid = form.DBGrid_spend;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 5));
        QLineEdit* editor = openEditor(grid);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("12ab"));
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents(); // the window gets the focus back from the box
        QCOMPARE(f.dialogs().errors().size(), 1);
        QVERIFY2(f.dialogs().errors().constFirst().contains(QStringLiteral("12ab")),
                 qPrintable(f.dialogs().errors().constFirst()));
        QCOMPARE(f.rows(QStringLiteral("select 金額 from spend order by 流水號")), QStringLiteral("10;20"));
        QCOMPARE(form.Query[0]->state(), engine::Query::State::Edit);
        QCOMPARE(form.Query[0]->recNo(), 1);
        QCOMPARE(form.Query[0]->text(1, 5), QStringLiteral("10"));
        // The keys go on to the grid: Escape drops the edit, Delete asks about the row.
        QVERIFY(QApplication::focusWidget() &&
                (QApplication::focusWidget() == grid || grid->isAncestorOf(QApplication::focusWidget())));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(form.Query[0]->state(), engine::Query::State::Browse);
        f.dialogs().answerConfirm(ui::Answer::No);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QCOMPARE(f.dialogs().texts(ui::ScriptedDialogs::Kind::Confirm),
                 QStringList{QStringLiteral("刪除資料!! 流水號 : 1")});
        // Leaving the row afterwards stores nothing and asks nothing more.
        grid->setCurrentIndex(grid->model()->index(0, 5));
        QCOMPARE(f.dialogs().errors().size(), 1);
        QCOMPARE(f.rows(QStringLiteral("select 金額 from spend order by 流水號")), QStringLiteral("10;20"));
    }

    // Another program replaces or deletes finance.mdb while the window runs (a restored backup,
    // a sync tool): an add and a delete are refused with one box each, and the file now at the
    // path is left exactly as that program put it.
    void fileReplacedWhileTheWindowRuns_data()
    {
        QTest::addColumn<QString>("swap");
        QTest::addColumn<int>("rowsAfter"); // -1: no file
        QTest::newRow("replaced by a copy")
            << QStringLiteral("cp finance.mdb backup.mdb && mv -f backup.mdb finance.mdb") << 1;
        QTest::newRow("deleted") << QStringLiteral("rm finance.mdb") << -1;
    }
    void fileReplacedWhileTheWindowRuns()
    {
        QFETCH(QString, swap);
        QFETCH(int, rowsAfter);
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "10")});
        TForm1& form = f.form();
        QProcess other;
        other.start(QStringLiteral("sh"), {QStringLiteral("-c"), swap});
        QVERIFY(other.waitForFinished(30000) && other.exitCode() == 0);
        f.dialogs().expectErrors();

        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        testing::choose(form.Combobox_Spend, QStringLiteral("食物"));
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("n"));
        testing::choose(form.Combobox_Cost, QStringLiteral("現金"));
        testing::typeText(form.LE_Cost->edit(), QStringLiteral("5"));
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        ui::DataGrid* grid = form.DBGrid_spend;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        f.dialogs().answerConfirm(ui::Answer::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);

        QCOMPARE(f.dialogs().messages(), QStringList());
        const QStringList errors = f.dialogs().errors();
        QCOMPARE(errors.size(), 2);
        for (const QString& error : errors)
            QVERIFY2(error.contains(QStringLiteral("換成了另一個檔案")) &&
                         error.contains(QStringLiteral("沒有存入")),
                     qPrintable(error));
        form.close();
        if (rowsAfter < 0) {
            QVERIFY(!QFile::exists(QStringLiteral("finance.mdb")));
        } else {
            auto connection = testing::connect();
            QCOMPARE(testing::rowsOf(*connection, QStringLiteral("select 摘要 from spend")),
                     QStringLiteral("x"));
            sqlite3_stmt* check = nullptr;
            QCOMPARE(sqlite3_prepare_v2(connection->handle(), "PRAGMA integrity_check", -1, &check, nullptr),
                     SQLITE_OK);
            QCOMPARE(sqlite3_step(check), SQLITE_ROW);
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))),
                     QByteArray("ok"));
            sqlite3_finalize(check);
        }
    }

    // A balance is written only when it changes: a recount over an unchanged ledger leaves the
    // file's bytes as they were (a full disk then costs nothing), and a change still lands.
    void unchangedBalancesAreNotWritten()
    {
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "10"),
                         QStringLiteral("update account_type set 餘額 = 77 where 帳戶名稱 = '銀行'")});
        TForm1& form = f.form();
        QCOMPARE(f.rows(QStringLiteral("select 帳戶名稱,餘額 from account_type order by 編號")),
                 QStringLiteral("現金|-10;銀行|0"));
        auto bytes = [] { return testing::fileBytes(QStringLiteral("finance.mdb")); };
        const QByteArray before = bytes();
        form.RecalcBalances();
        QCOMPARE(bytes(), before);
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : -10"));
        QCOMPARE(form.DBGrid_OverView->model()->rowCount(), 2);
        form.Connection->execute(insertEntry("save", "2012/01/02", "薪資", "y", "銀行", "40"));
        form.RecalcBalances();
        QCOMPARE(f.rows(QStringLiteral("select 帳戶名稱,餘額 from account_type order by 編號")),
                 QStringLiteral("現金|-10;銀行|40"));
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : 30"));
    }

    // A ledger larger than the grid's row cache: the grid reads the fields of the rows it shows,
    // and the add, a cell edit, a title click and a delete each leave it showing exactly what
    // reading the statement afresh gives.
    void aLedgerLargerThanTheRowCache()
    {
        LedgerFixture f(largeLedger());
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        QApplication::processEvents();
        engine::Query& grid = *form.Query[0];
        QCOMPARE(grid.recordCount(), 8192);
        QVERIFY2(grid.rowsInMemory() < 100, qPrintable(QString::number(grid.rowsInMemory())));

        testing::choose(form.Combobox_Spend, QStringLiteral("食物"));
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("午餐"));
        testing::choose(form.Combobox_Cost, QStringLiteral("現金"));
        testing::typeText(form.LE_Cost->edit(), QStringLiteral("250"));
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("新增支出完成")});
        QCOMPARE(grid.recordCount(), 8193);
        QCOMPARE(grid.text(0, 3), QStringLiteral("午餐"));

        ui::DataGrid* view = form.DBGrid_spend;
        view->setFocus();
        view->setCurrentIndex(view->model()->index(5, 5));
        QLineEdit* editor = openEditor(view);
        QVERIFY(editor);
        const QString serial = grid.text(5, 0);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("77"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.rows(QStringLiteral("select 金額 from spend where 流水號 = ") + serial),
                 QStringLiteral("77"));
        QCOMPARE(grid.text(5, 5), QStringLiteral("77"));

        QHeaderView* header = view->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
        QCOMPARE(grid.sort(), QStringLiteral("金額"));
        QCOMPARE(grid.text(0, 5), QStringLiteral("1"));
        QVERIFY(grid.rowsInMemory() < 100);

        view->setCurrentIndex(view->model()->index(0, 0));
        f.dialogs().answerConfirm(ui::Answer::Yes);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(grid.recordCount(), 8192);
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend where 金額 = 1")),
                 QStringLiteral("0"));
        QCOMPARE(testing::everyRow(grid),
                 testing::everyRow(*testing::readWhole(
                     *form.Connection, QStringLiteral("select * from spend order by 日期 desc"))));
        QVERIFY(grid.rowsInMemory() <= 4096);
    }

    // The file damaged under the program: rows the grid reads afterwards show their dates alone
    // and one error box says so.
    void damagedRowsShowAnErrorBox()
    {
        LedgerFixture f(largeLedger());
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        QApplication::processEvents();
        {
            QFile file(form.Connection->databasePath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(4096));
            file.write(QByteArray(int(file.size() - 4096), '\x5a'));
        }
        f.dialogs().expectErrors();
        ui::DataGrid* view = form.DBGrid_spend;
        view->scrollToBottom();
        QApplication::processEvents();
        QApplication::processEvents();
        const QStringList errors = f.dialogs().errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.front().startsWith(QStringLiteral("資料表 spend 有資料列讀不出來")),
                 qPrintable(errors.front()));
        QCOMPARE(form.Query[0]->text(8191, 1), QStringLiteral("2012/01/01"));
        QCOMPARE(form.Query[0]->text(8191, 3), QString());
    }

    void titleClicksSortTheLoadedRows()
    {
        LedgerFixture f({insertEntry("spend", "2012/01/01", "食物", "x", "現金", "30"),
                         insertEntry("spend", "2012/01/02", "食物", "y", "現金", "10"),
                         insertEntry("spend", "2012/01/03", "食物", "z", "現金", "20"),
                         QStringLiteral("insert into weight (日期, 體重) values (#2012/01/01#, 70)"),
                         QStringLiteral("insert into weight (日期, 體重) values (#2012/01/02#, 68)")});
        TForm1& form = f.form();
        auto clickTitle = [&form](ui::DataGrid* grid, int column) {
            form.TabPagerMain->setCurrentWidget(grid->parentWidget());
            QHeaderView* header = grid->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        };
        auto amounts = [&form] {
            QStringList result;
            for (int row = 0; row < form.Query[0]->recordCount(); ++row)
                result << form.Query[0]->text(row, 5);
            return result.join(u',');
        };
        const QStringList expected{QStringLiteral("10,20,30"), QStringLiteral("30,20,10"),
                                   QStringLiteral("10,20,30")};
        const QStringList orders{QStringLiteral("金額"), QStringLiteral("金額 DESC"), QStringLiteral("金額")};
        for (int i = 0; i < 3; ++i) {
            clickTitle(form.DBGrid_spend, 5);
            QCOMPARE(form.Query[0]->sort(), orders[i]);
            QCOMPARE(amounts(), expected[i]);
        }
        clickTitle(form.DBGrid_spend, 1);
        QCOMPARE(form.Query[0]->sort(), QStringLiteral("日期"));
        // Two clicks in quick succession are two sorts, not a double-click that sorts once: the
        // second press arrives as a double-click.
        {
            QHeaderView* header = form.DBGrid_spend->horizontalHeader();
            const QPointF at(header->sectionViewportPosition(5) + 5, header->height() / 2);
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                const bool down = type != QEvent::MouseButtonRelease;
                QMouseEvent event(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                                  down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(header->viewport(), &event);
            }
            QCOMPARE(form.Query[0]->sort(), QStringLiteral("金額 DESC"));
        }
        clickTitle(form.DBGrid_Weight, 2);
        QCOMPARE(form.Query[6]->text(0, 2), QStringLiteral("68"));
        // An add reloads the slot: newest first again.
        testing::choose(form.Combobox_Spend, QStringLiteral("食物"));
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("n"));
        testing::choose(form.Combobox_Cost, QStringLiteral("現金"));
        testing::typeText(form.LE_Cost->edit(), QStringLiteral("5"));
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(form.Query[0]->sort(), QString());
        QCOMPARE(form.Query[0]->text(0, 1), QStringLiteral("2012/03/15"));
        // A click while the slot is closed reaches the error box.
        form.Query[1]->close();
        f.dialogs().expectErrors();
        Q_EMIT form.DBGrid_save->titleClicked(5, QStringLiteral("金額"));
        QCOMPARE(f.dialogs().errors().size(), 1);
    }
};

QTEST_MAIN(TestLedger)
#include "test_ledger.moc"
