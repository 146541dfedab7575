// The filter row on the real window: the grid follows the words, dates and amounts, and the
// filter holds across the work done on the page and elsewhere.
#include "LedgerFixture.h"
#include "engine/Query.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/MultiLineEdit.h"
#include "ui/OptionalDate.h"
#include "ui/PickList.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

using testing::LedgerFixture;

namespace {

const QStringList ledgerRows = {
    QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/05#, '食物', 'Lunch', "
                   "'現金', 65)"),
    QStringLiteral(
        "insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/06#, '食物', '午餐', '銀行', 80)"),
    QStringLiteral(
        "insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/02/01#, '交通', 'bus', '現金', 15)"),
    QStringLiteral("insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/02/03#, '食物', 'lunch "
                   "box', '銀行', 120)"),
    QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/01#, '薪資', '一月', "
                   "'銀行', 5000)"),
};

// The serials the expense grid shows, top to bottom.
QString shownSerials(TForm1& form)
{
    QStringList serials;
    const engine::Query& query = *form.Query[role::Spend];
    for (int row = 0; row < query.recordCount(); ++row)
        serials << query.text(row, 0);
    return serials.join(u';');
}

void search(TForm1& form, const QString& words)
{
    QLineEdit* field = form.LE_SpendFind->edit();
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    testing::typeText(field, words);
}

} // namespace

class TestFindWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theFilterHoldsWhileTheUserWorks()
    {
        LedgerFixture f(ledgerRows);
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 4 筆,合計 280"));

        // The grid follows after a short pause, not at every key.
        search(form, QStringLiteral("lunch"));
        QCOMPARE(form.Query[role::Spend]->recordCount(), 4);
        QTRY_COMPARE(shownSerials(form), QStringLiteral("4;1"));
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 2 筆,合計 185"));

        // A title click sorts the rows shown.
        form.DBGrid_spendTitleClick(5, QStringLiteral("金額"));
        QCOMPARE(shownSerials(form), QStringLiteral("1;4"));

        // An add that matches comes in; one that does not stays out; the label counts again.
        form.DTP_spend->setDate(QDate(2012, 3, 1));
        testing::choose(form.Combobox_Spend, QStringLiteral("食物"));
        form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("LUNCH set"));
        testing::choose(form.Combobox_Cost, QStringLiteral("現金"));
        testing::typeText(form.LE_Cost->edit(), QStringLiteral("90"));
        QTest::mouseClick(form.btnAddSpend, Qt::LeftButton);
        QCOMPARE(shownSerials(form), QStringLiteral("5;4;1"));
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 3 筆,合計 275"));
        QVERIFY(form.Query[role::Spend]->sql().contains(QLatin1String("like")));

        // Delete works on the row shown.
        form.DBGrid_spend->setFocus();
        form.Query[role::Spend]->moveTo(1); // serial 4
        f.dialogs().answerConfirm(ui::Answer::Yes);
        QTest::keyClick(form.DBGrid_spend, Qt::Key_Delete);
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend where 流水號 = 4")),
                 QStringLiteral("0"));
        QCOMPARE(shownSerials(form), QStringLiteral("5;1"));
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 2 筆,合計 155"));

        // A transfer and a batch reload the grid with the filter still in force.
        form.TabPagerMain->setCurrentWidget(form.TabPageManage);
        form.TabPagerManageChild->setCurrentWidget(form.TabPageTrans);
        testing::choose(form.ComboBoxSource, QStringLiteral("現金"));
        testing::choose(form.ComboBoxTarget, QStringLiteral("銀行"));
        testing::typeText(form.LE_TransferMoney->edit(), QStringLiteral("10"));
        QTest::mouseClick(form.btnTransfer, Qt::LeftButton);
        QCOMPARE(shownSerials(form), QStringLiteral("5;1"));
        form.TabPagerMain->setCurrentWidget(form.TabPageBatch);
        form.TabPagerBarchChild->setCurrentWidget(form.TabPageSpendBatch);
        form.Memo_Spend_Data_Batch->setPlainText(QStringLiteral("2012/03/02\n2012/03/03"));
        form.Memo_Spend_Type_Batch->setPlainText(QStringLiteral("食物\n食物"));
        form.Memo_Spend_Note_Batch->setPlainText(QStringLiteral("lunch again\n晚餐"));
        form.Memo_Spend_Account_Batch->setPlainText(QStringLiteral("現金\n現金"));
        form.Memo_Spend_Cost_Batch->setPlainText(QStringLiteral("30\n40"));
        QTest::mouseClick(form.Sbtn_Spend_Add_Batch, Qt::LeftButton);
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from spend")), QStringLiteral("7"));
        QCOMPARE(shownSerials(form).split(u';').size(), 3);
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 3 筆,合計 185"));

        // Escape in the field shows every row again.
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        form.LE_SpendFind->edit()->setFocus();
        QTest::keyClick(form.LE_SpendFind->edit(), Qt::Key_Escape);
        QCOMPARE(form.LE_SpendFind->text(), QString());
        QCOMPARE(form.Query[role::Spend]->recordCount(), 7);
        QCOMPARE(form.Query[role::Spend]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 7 筆,合計 330"));
    }

    void datesAmountsAndBadBounds()
    {
        LedgerFixture f(ledgerRows);
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        auto* from = form.findChild<ui::OptionalDate*>(QStringLiteral("DTP_SpendFindFrom"));
        auto* least = form.findChild<QLineEdit*>(QStringLiteral("LE_SpendFindLeast"));
        QVERIFY(from && least);
        QVERIFY(!from->value());
        from->setDate(QDate(2012, 2, 1));
        QTRY_COMPARE(shownSerials(form), QStringLiteral("4;3"));
        testing::typeText(least, QStringLiteral("abc"));
        QTRY_VERIFY(form.Label_SpendFound->text().contains(QStringLiteral("請輸入數字")));
        QCOMPARE(shownSerials(form), QStringLiteral("4;3")); // the filter stays as it was
        least->selectAll();
        QTest::keyClick(least, Qt::Key_Backspace);
        testing::typeText(least, QStringLiteral("100"));
        QTRY_COMPARE(shownSerials(form), QStringLiteral("4"));
        QTRY_COMPARE(form.Label_SpendFound->text(), QStringLiteral("共 1 筆,合計 120"));
        QTest::mouseClick(form.findChild<ui::FlatButton*>(QStringLiteral("btnSpendFindClear")),
                          Qt::LeftButton);
        QVERIFY(!from->value());
        QCOMPARE(least->text(), QString());
        QCOMPARE(form.Query[role::Spend]->recordCount(), 4);
    }

    void ctrlFAndTheRowsTakenAlong()
    {
        LedgerFixture f(ledgerRows);
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSave);
        form.DBGrid_save->setFocus();
        QTest::keySequence(&form, QKeySequence::Find);
        QTRY_COMPARE(QApplication::focusWidget(), form.LE_SaveFind->edit());
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        QTest::keySequence(&form, QKeySequence::Find);
        QTRY_COMPARE(QApplication::focusWidget(), form.LE_SpendFind->edit());

        search(form, QStringLiteral("銀行"));
        QTRY_COMPARE(shownSerials(form), QStringLiteral("4;2"));
        const QString path = QDir::current().absoluteFilePath(QStringLiteral("shown.csv"));
        f.dialogs().answerSaveFile(path);
        QTest::mouseClick(form.findChild<ui::FlatButton*>(QStringLiteral("btnSpendFindExport")),
                          Qt::LeftButton);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("\xEF\xBB\xBF") + QStringLiteral("流水號,日期,類型,摘要,帳戶,金額\r\n"
                                                             "4,2012/02/03,食物,lunch box,銀行,120\r\n"
                                                             "2,2012/01/06,食物,午餐,銀行,80\r\n")
                                                  .toUtf8());
        QCOMPARE(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QVERIFY(f.dialogs().messages().last().startsWith(QStringLiteral("已匯出 2 筆資料列")));
        // A file that is there already is replaced only when the user says so.
        search(form, QStringLiteral("bus"));
        QTRY_COMPARE(shownSerials(form), QStringLiteral("3"));
        f.dialogs().answerSaveFile(path);
        f.dialogs().answerQuestion(false);
        QTest::mouseClick(form.findChild<ui::FlatButton*>(QStringLiteral("btnSpendFindExport")),
                          Qt::LeftButton);
        QCOMPARE(QFileInfo(path).size(), qint64(129)); // the two rows written before, as they were
        f.dialogs().answerSaveFile(path);
        f.dialogs().answerQuestion(true);
        QTest::mouseClick(form.findChild<ui::FlatButton*>(QStringLiteral("btnSpendFindExport")),
                          Qt::LeftButton);
        QVERIFY(f.dialogs().messages().last().startsWith(QStringLiteral("已匯出 1 筆資料列")));
        // Cancel writes nothing.
        f.dialogs().answerSaveFile(QString());
        QFile::remove(path);
        QTest::mouseClick(form.findChild<ui::FlatButton*>(QStringLiteral("btnSpendFindExport")),
                          Qt::LeftButton);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestFindWindow)
#include "test_find_window.moc"
