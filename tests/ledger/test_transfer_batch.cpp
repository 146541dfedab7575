// Transfers between accounts, batch entry and the overview's shortcuts, through the real controls.
#include "LedgerFixture.h"
#include "engine/Query.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/LargeLabel.h"
#include "ui/MultiLineEdit.h"
#include "ui/PickList.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>

using testing::LedgerFixture;

namespace {

void fillTransfer(TForm1& form, const QString& source, const QString& target, const QString& amount)
{
    form.TabPagerMain->setCurrentWidget(form.TabPageManage);
    form.TabPagerManageChild->setCurrentWidget(form.TabPageTrans);
    if (!source.isEmpty())
        testing::choose(form.ComboBoxSource, source);
    if (!target.isEmpty())
        testing::choose(form.ComboBoxTarget, target);
    testing::typeText(form.LE_TransferMoney->edit(), amount);
}

struct BatchPage
{
    QWidget* page;
    std::array<ui::MultiLineEdit*, 5> fields;
    QAbstractButton* button;
    QString table;
    QString done;
};

BatchPage batchPage(TForm1& form, bool income)
{
    if (income)
        return {form.TabPageSaveBatch,
                {form.Memo_Save_Data_Batch, form.Memo_Save_Type_Batch, form.Memo_Save_Note_Batch,
                 form.Memo_Save_Account_Batch, form.Memo_Save_Cost_Batch},
                form.SBtn_Save_Batch,
                QStringLiteral("save"),
                QStringLiteral("批次新增收入完成")};
    return {form.TabPageSpendBatch,
            {form.Memo_Spend_Data_Batch, form.Memo_Spend_Type_Batch, form.Memo_Spend_Note_Batch,
             form.Memo_Spend_Account_Batch, form.Memo_Spend_Cost_Batch},
            form.Sbtn_Spend_Add_Batch,
            QStringLiteral("spend"),
            QStringLiteral("批次新增支出完成")};
}

void runBatch(TForm1& form, const BatchPage& page, const QStringList& texts)
{
    form.TabPagerMain->setCurrentWidget(form.TabPageBatch);
    form.TabPagerBarchChild->setCurrentWidget(page.page);
    for (size_t c = 0; c < page.fields.size(); ++c)
        page.fields[c]->setPlainText(texts.value(qsizetype(c)));
    QTest::mouseClick(page.button, Qt::LeftButton);
}

QStringList fieldTexts(const BatchPage& page)
{
    QStringList texts;
    for (ui::MultiLineEdit* field : page.fields)
        texts << field->toPlainText();
    return texts;
}

} // namespace

class TestTransferBatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transferChecks_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("no source") << ""
                                   << "銀行"
                                   << "5"
                                   << "請選擇轉出帳戶";
        QTest::newRow("no target") << "現金"
                                   << ""
                                   << "5"
                                   << "請選擇轉入帳戶";
        QTest::newRow("same account, no amount") << "現金"
                                                 << "現金"
                                                 << ""
                                                 << "金額空白";
        QTest::newRow("same account") << "現金"
                                      << "現金"
                                      << "5"
                                      << "帳戶相同!!!!";
    }
    void transferChecks()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        LedgerFixture f;
        fillTransfer(f.form(), source, target, amount);
        QTest::mouseClick(f.form().btnTransfer, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{message});
        QCOMPARE(
            f.rows(QStringLiteral("select (select count(*) from spend) + (select count(*) from save) as n")),
            QStringLiteral("0"));
        QCOMPARE(f.form().LE_TransferMoney->text(), amount); // the form keeps its values
    }

    void transferMovesMoney()
    {
        LedgerFixture f({QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values "
                                        "(#2012/01/01#, '薪資', 'x', '現金', 1000)")});
        TForm1& form = f.form();
        form.DTP_Transfer->setDate(QDate(2012, 2, 2));
        fillTransfer(form, QStringLiteral("現金"), QStringLiteral("銀行"), QStringLiteral("500"));
        QTest::mouseClick(form.btnTransfer, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("轉移完成")});
        QCOMPARE(f.rows(QStringLiteral("select 日期,類型,摘要,帳戶,金額 from spend")),
                 QStringLiteral("2012/02/02|金流|現金 to 銀行|現金|500"));
        QCOMPARE(f.rows(QStringLiteral("select 日期,類型,摘要,帳戶,金額 from save where 類型 = '金流'")),
                 QStringLiteral("2012/02/02|金流|現金 to 銀行|銀行|500"));
        QCOMPARE(f.rows(QStringLiteral("select 帳戶名稱,餘額 from account_type order by 編號")),
                 QStringLiteral("現金|500;銀行|500"));
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : 1000"));
        QCOMPARE(form.ComboBoxSource->currentIndex(), -1);
        QCOMPARE(form.ComboBoxTarget->currentIndex(), -1);
        QCOMPARE(form.LE_TransferMoney->text(), QString());
        QCOMPARE(form.DTP_Transfer->date(), QDate(2012, 2, 2));
        QCOMPARE(form.DTP_spend->date(), LedgerFixture::now().date());
        QCOMPARE(form.Query[role::Spend]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QCOMPARE(form.Query[role::Save]->text(0, 3), QStringLiteral("現金 to 銀行")); // newest first
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    // The income row refused after the expense row was written: neither is kept.
    void transferIsOneUnit()
    {
        LedgerFixture f({QStringLiteral("insert into account_type (編號, 帳戶名稱) values (3, 'AAAAAAAA')"),
                         QStringLiteral("ALTER TABLE save ALTER COLUMN 帳戶 varchar(5)")});
        TForm1& form = f.form();
        fillTransfer(form, QStringLiteral("銀行"), QStringLiteral("AAAAAAAA"), QStringLiteral("500"));
        f.dialogs().expectErrors();
        QTest::mouseClick(form.btnTransfer, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(f.dialogs().errors().size(), 1);
        QCOMPARE(
            f.rows(QStringLiteral("select (select count(*) from spend) + (select count(*) from save) as n")),
            QStringLiteral("0"));
        QCOMPARE(form.Query[role::Spend]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QCOMPARE(form.Query[role::Spend]->recordCount(), 0);
        QCOMPARE(form.Query[role::Save]->recordCount(), 0);
        QCOMPARE(form.LE_TransferMoney->text(), QStringLiteral("500"));
    }

    void batchChecks_data()
    {
        QTest::addColumn<bool>("income");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("message");
        for (bool income : {false, true}) {
            const char* page = income ? "income" : "expense";
            QTest::addRow("%s: no dates", page)
                << income << QStringList{"", "a", "b", "c", "1"} << "資料空白";
            QTest::addRow("%s: two amounts for three dates", page)
                << income
                << QStringList{"2012/1/1\n2012/1/2\n2012/1/3", "a\nb\nc", "a\nb\nc", "a\nb\nc", "1\n2"}
                << "Data count different. (資料筆數不同)";
            QTest::addRow("%s: two categories", page)
                << income << QStringList{"2012/1/1\n2012/1/2", "a", "a\nb", "a\nb", "1\n2"}
                << "Data count different. (資料筆數不同)";
        }
    }
    void batchChecks()
    {
        QFETCH(bool, income);
        QFETCH(QStringList, texts);
        QFETCH(QString, message);
        LedgerFixture f;
        const BatchPage page = batchPage(f.form(), income);
        runBatch(f.form(), page, texts);
        QCOMPARE(f.dialogs().messages(), QStringList{message});
        QCOMPARE(fieldTexts(page), texts);
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from %1").arg(page.table)), QStringLiteral("0"));
    }

    void batchStoresEveryLine_data()
    {
        QTest::addColumn<bool>("income");
        QTest::newRow("expenses") << false;
        QTest::newRow("incomes") << true;
    }
    void batchStoresEveryLine()
    {
        QFETCH(bool, income);
        LedgerFixture f({QStringLiteral("insert into %1 (日期, 類型, 摘要, 帳戶, 金額) values (#2013/01/01#, "
                                        "'x', 'first', '現金', 1)")
                             .arg(income ? QStringLiteral("save") : QStringLiteral("spend"))});
        TForm1& form = f.form();
        const BatchPage page = batchPage(form, income);
        const QString labelBefore = form.Label_OverView->text();
        // A final line break adds no line; an empty line is Null; names stay as typed.
        runBatch(form, page,
                 {QStringLiteral("2010/10/10\n2010/1/5\n2011-02-03\n"),
                  QStringLiteral("食物\n不存在的類型\n\n"), QStringLiteral(" 早餐 \n\nn\n"),
                  QStringLiteral("現金\n銀行\n現金\n"), QStringLiteral("50\n12.5\n\n")});
        QCOMPARE(f.dialogs().messages(), QStringList{page.done});
        QCOMPARE(f.dialogs().errors(), QStringList());
        QCOMPARE(
            f.rows(QStringLiteral("select 日期,類型,摘要,帳戶,金額 from %1 where 流水號 > 1 order by 流水號")
                       .arg(page.table)),
            QStringLiteral(
                "2010/10/10|食物| 早餐 |現金|50;2010/01/05|不存在的類型||銀行|12.5;2011/02/03||n|現金|"));
        QCOMPARE(fieldTexts(page), QStringList(5, QString()));
        // The grid shows the whole table in the file's order; the balances wait for the next recount.
        engine::Query& slot = *form.Query[income ? role::Save : role::Spend];
        QCOMPARE(slot.sql(), QStringLiteral("select * from ") + page.table);
        QCOMPARE(slot.recordCount(), 4);
        QCOMPARE(slot.text(0, 3), QStringLiteral("first"));
        QCOMPARE(form.Label_OverView->text(), labelBefore);
    }

    // A line a column refuses in the middle of 1 000: nothing is stored, the box names the line
    // and its text, the fields keep every line, and the grid shows its table again.
    void batchIsOneUnit()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        const BatchPage page = batchPage(form, false);
        QStringList dates, types, notes, accounts, amounts;
        for (int i = 1; i <= 1000; ++i) {
            dates << (i == 500 ? QStringLiteral("12/1/5") : QStringLiteral("2012/1/%1").arg(i % 28 + 1));
            types << QStringLiteral("食物");
            notes << QStringLiteral("n%1").arg(i);
            accounts << QStringLiteral("現金");
            amounts << QString::number(i);
        }
        const QStringList texts{dates.join(u'\n'), types.join(u'\n'), notes.join(u'\n'), accounts.join(u'\n'),
                                amounts.join(u'\n')};
        f.dialogs().expectErrors();
        runBatch(form, page, texts);
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(f.dialogs().errors().size(), 1);
        const QString error = f.dialogs().errors().constFirst();
        QVERIFY2(error.contains(QStringLiteral("第 500 行")) && error.contains(QStringLiteral("12/1/5")),
                 qPrintable(error));
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend")), QStringLiteral("0"));
        QCOMPARE(fieldTexts(page), texts);
        QCOMPARE(form.Query[role::Spend]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QCOMPARE(form.Query[role::Spend]->recordCount(), 0);

        // Mended, the same 1 000 lines go in once.
        dates[499] = QStringLiteral("2012/1/5");
        form.Memo_Spend_Data_Batch->setPlainText(dates.join(u'\n'));
        f.dialogs().clear();
        QTest::mouseClick(page.button, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList{page.done});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend")), QStringLiteral("1000"));
    }

    void shortcutsPreselectTheAccount()
    {
        LedgerFixture f({QStringLiteral("insert into account_type (編號, 帳戶名稱) values (3, 'Visa')")});
        TForm1& form = f.form();
        form.DTP_spend->setDate(QDate(2011, 1, 1));
        form.LE_Cost->setText(QStringLiteral("77"));
        ui::DataGrid* grid = form.DBGrid_OverView;
        auto rightClickRow = [&](int row) {
            form.TabPagerMain->setCurrentWidget(form.TabPageOverView);
            const QPoint at = grid->visualRect(grid->model()->index(row, 0)).center();
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
            QApplication::sendEvent(grid->viewport(), &event);
            QVERIFY(form.PopupMenu_OverView->isVisible());
            form.PopupMenu_OverView->hide();
        };
        rightClickRow(1);
        form.itemAddSpend->trigger();
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPageSpend);
        QCOMPARE(form.Combobox_Cost->currentText(), QStringLiteral("銀行"));
        QCOMPARE(form.DTP_spend->date(), QDate(2011, 1, 1));
        QCOMPARE(form.LE_Cost->text(), QStringLiteral("77"));

        rightClickRow(2); // the last account of the list
        form.itemAddSave->trigger();
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPageSave);
        QCOMPARE(form.Combobox_Cost2->currentText(), QStringLiteral("Visa"));

        testing::choose(form.ComboBoxTarget, QStringLiteral("現金"));
        rightClickRow(0);
        form.itemTransfer->trigger();
        QCOMPARE(form.TabPagerManageChild->currentWidget(), form.TabPageTrans);
        QCOMPARE(form.ComboBoxSource->currentText(), QStringLiteral("現金"));
        QCOMPARE(form.ComboBoxTarget->currentText(), QStringLiteral("現金")); // not touched

        form.itemAddAccount->trigger();
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPageManage);
        QCOMPARE(form.TabPagerManageChild->currentWidget(), form.TabPageAccountType);
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    void shortcutWithoutAccounts()
    {
        LedgerFixture f({QStringLiteral("delete from account_type")});
        TForm1& form = f.form();
        form.itemAddSpend->trigger();
        QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPageSpend);
        QCOMPARE(form.Combobox_Cost->count(), 0);
        QCOMPARE(f.dialogs().errors(), QStringList());
    }
};

QTEST_MAIN(TestTransferBatch)
#include "test_transfer_batch.moc"
