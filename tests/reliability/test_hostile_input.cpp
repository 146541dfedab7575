// Input meant to break things, through the expense and income adds of the window and through
// the engine's own field conversions. Each case ends either in its message with nothing
// stored, or stored exactly as given; nothing else in the file changes either way.
#include "LedgerFixture.h"
#include "ReliabilitySupport.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "ui/DatePicker.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/PickList.h"

#include <QLineEdit>

using Tables = QMap<QString, QStringList>;

namespace {

const QString today = QStringLiteral("2012/03/15"); // the fixture's clock

// The window as the ledger tests start it, "now" fixed at 2012/03/15 10:00, on a copy of the
// starter file as a first start leaves it.
class EntryWindow
{
public:
    EntryWindow()
    {
        platform::setClock([] { return testing::LedgerFixture::now(); });
        reliability::writeStarterCopy(m_dir.file(QStringLiteral("finance.mdb")), true);
        m_started = std::make_unique<testing::StartedForm>();
        form().show();
    }
    ~EntryWindow()
    {
        m_started.reset();
        platform::setClock({});
    }
    TForm1& form() const { return m_started->form(); }
    ui::ScriptedDialogs& dialogs() const { return m_started->dialogs(); }
    QString rows(const QString& select) const { return testing::rowsOf(*form().Connection, select); }

private:
    testing::TempWorkdir m_dir;
    std::unique_ptr<testing::StartedForm> m_started;
};

struct Page
{
    bool income;
    QString table;
    QString category;
    QString account;
    QString done; // the message of a stored entry
};

const Page pages[] = {
    {false, QStringLiteral("spend"), QStringLiteral("食物"), QStringLiteral("現金"),
     QStringLiteral("新增支出完成")},
    {true, QStringLiteral("save"), QStringLiteral("薪資"), QStringLiteral("銀行"),
     QStringLiteral("新增收入完成")},
};

QLineEdit* amountField(TForm1& form, const Page& page)
{
    return (page.income ? form.LE_Save : form.LE_Cost)->edit();
}

QString noteOf(TForm1& form, const Page& page)
{
    return page.income ? form.LE_Note_Save->text() : form.ComboBoxSubSpendTypeChoose->text();
}

// Fills a page as a person would: picks the category and the account, writes the note, types
// the amount and then pastes into the amount field.
void fill(TForm1& form, const Page& page, const QString& note, const QString& typed, const QString& pasted)
{
    testing::choose(page.income ? form.Combobox_Save : form.Combobox_Spend, page.category);
    if (page.income)
        form.LE_Note_Save->setText(note);
    else
        form.ComboBoxSubSpendTypeChoose->setEditText(note);
    testing::choose(page.income ? form.Combobox_Cost2 : form.Combobox_Cost, page.account);
    QLineEdit* amount = amountField(form, page);
    amount->setFocus();
    testing::typeText(amount, typed);
    if (!pasted.isEmpty())
        amount->insert(pasted);
}

void add(EntryWindow& f, const Page& page)
{
    f.dialogs().clear();
    QTest::mouseClick(page.income ? f.form().btnAddSave : f.form().btnAddSpend, Qt::LeftButton);
}

Tables tablesNow(EntryWindow& f)
{
    return reliability::tablesOf(f.form().Connection->handle());
}

// The newest entry of a table as 日期|類型|摘要|帳戶|金額, read as the program reads it.
QStringList newestEntry(engine::Connection& connection, const QString& table)
{
    engine::Query query;
    query.setConnection(&connection);
    query.setSql(
        QStringLiteral("select top 1 日期,類型,摘要,帳戶,金額 from %1 order by 流水號 desc").arg(table));
    query.open();
    QStringList fields;
    for (int i = 0; i < query.fieldCount(); ++i)
        fields << query.field(i).asString();
    return fields;
}

QStringList withoutLastField(const QStringList& rows)
{
    QStringList result;
    for (const QString& row : rows)
        result << row.left(row.lastIndexOf(u'|'));
    return result;
}

// After a stored entry: the table has one row more, the balances changed, nothing else did.
void verifyOnlyTheEntryAdded(const Tables& before, const Tables& after, const QString& table)
{
    QCOMPARE(after.keys(), before.keys());
    for (const QString& name : before.keys()) {
        if (name == table) {
            QCOMPARE(after[name].size(), before[name].size() + 1);
            QCOMPARE(after[name].mid(0, before[name].size()), before[name]);
        } else if (name == QLatin1String("account_type")) {
            QCOMPARE(withoutLastField(after[name]), withoutLastField(before[name])); // all but 餘額
        } else if (name != QLatin1String("sqlite_sequence")) {
            QVERIFY2(after[name] == before[name], qPrintable(name));
        }
    }
}

QString signedAmount(const QString& amount, bool income)
{
    return income || amount == QLatin1String("0") ? amount : QStringLiteral("-") + amount;
}

void verifyRefusal(const QStringList& errors, const QStringList& words)
{
    QCOMPARE(errors.size(), 1);
    for (const QString& word : words)
        QVERIFY2(errors.first().contains(word),
                 qPrintable(QStringLiteral("「%1」 lacks 「%2」").arg(errors.first(), word)));
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryStoredExactlyOrRefused_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("typed");       // typed into the amount field, key by key
        QTest::addColumn<QString>("pasted");      // then pasted into it
        QTest::addColumn<QString>("field");       // what the amount field then holds
        QTest::addColumn<QString>("stored");      // the amount read back; empty when nothing is stored
        QTest::addColumn<QStringList>("refusal"); // words of the one error box, when refused
        QTest::addColumn<QString>("validation");  // the page's own message, when it stops first

        const QString five = QStringLiteral("5");
        auto stored = [&](const char* name, const QString& note) {
            QTest::newRow(name) << note << five << QString() << five << five << QStringList() << QString();
        };
        stored("quote, statement and comment", QStringLiteral("x'; drop table spend; --"));
        stored("a second statement", QStringLiteral("1); delete from save; insert into spend values (1"));
        stored("Jet literals and parameters", QStringLiteral("#2012/01/01# [摘要] \"q\" ?1 :a @b $c"));
        stored("wildcards and backslashes", QStringLiteral("50%_off * C:\\tmp\\ \\' \\\""));
        stored("tab and delete", QStringLiteral("a\tb") + QChar(0x7f) + QStringLiteral("c"));
        stored("line breaks", QStringLiteral("first\nsecond\r\nthird"));
        // Control characters no statement could name again are refused, naming the column.
        QTest::newRow("control characters")
            << QStringLiteral("a\tb") + QChar(0x01) + QStringLiteral("c") + QChar(0x1b) << five << QString()
            << five << QString() << QStringList{"摘要", "控制字元", "U+0001"} << QString();
        QTest::newRow("a NUL inside")
            << QStringLiteral("before") + QChar(0) + QStringLiteral("after") << five << QString() << five
            << QString() << QStringList{"摘要", "控制字元", "U+0000"} << QString();
        stored("emoji, joiners and flags", QStringLiteral("🍜拉麵 👨‍👩‍👧 🇹🇼 ❤️"));
        stored("right to left and combining marks", QStringLiteral("שלום e") + QChar(0x0301) +
                                                        QStringLiteral(" ") + QChar(0x202e) +
                                                        QStringLiteral("abc"));
        stored("blanks only", QStringLiteral("   "));
        stored("255 characters, the column's limit", QString(255, u'帳'));
        QTest::newRow("256 characters") << QString(256, u'帳') << five << QString() << five << QString()
                                        << QStringList{"摘要", "255", "256"} << QString();
        QTest::newRow("10 000 characters") << QString(10000, u'x') << five << QString() << five << QString()
                                           << QStringList{"摘要", "255", "10000"} << QString();

        auto amount = [](const char* name, const QString& digits, const QString& readBack) {
            QTest::newRow(name) << QStringLiteral("n") << digits << QString() << digits << readBack
                                << (readBack.isEmpty() ? QStringList{digits, "金額"} : QStringList())
                                << QString();
        };
        amount("zero", "0", "0");
        amount("32-bit limit", "2147483647", "2147483647");
        amount("past 32 bits", "2147483648", "2147483648");
        amount("15 digits", "999999999999999", "999999999999999");
        amount("leading zeros", "000000000000000000042", "42");
        amount("16 digits", "9999999999999999", "");
        amount("64-bit limit", "9223372036854775807", "");
        amount("past 64 bits", "9223372036854775808", "");
        amount("20 digits", "99999999999999999999", "");
        amount("a power of ten past 15 digits", "100000000000000000000", "");
        amount("300 digits", QString(300, u'9'), "");

        auto pasted = [](const char* name, const QString& typed, const QString& text) {
            QTest::newRow(name) << QStringLiteral("n") << typed << text << typed << typed << QStringList()
                                << (typed.isEmpty() ? QStringLiteral("金額空白") : QString());
        };
        pasted("pasted letters", "12", "abc");
        pasted("pasted exponent", "", "1e5");
        pasted("pasted full-width digits", "7", "１２");
        pasted("pasted Arabic-Indic digits", "7", "١٢٣");
        pasted("pasted infinity", "", "∞");
        pasted("pasted NaN", "", "NaN");
        pasted("pasted hex", "3", "0x1F");
        pasted("pasted blanks around digits", "", " 5 ");
        pasted("pasted digits with a comma", "", "1,000");
        const QString twenty(20, u'9');
        QTest::newRow("pasted 20 digits") << QStringLiteral("n") << QString() << twenty << twenty << QString()
                                          << QStringList{twenty, "金額"} << QString();
    }
    void entryStoredExactlyOrRefused()
    {
        QFETCH(QString, note);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, field);
        QFETCH(QString, stored);
        QFETCH(QStringList, refusal);
        QFETCH(QString, validation);
        EntryWindow f;
        if (!refusal.isEmpty())
            f.dialogs().expectErrors();
        TForm1& form = f.form();
        for (const Page& page : pages) {
            fill(form, page, note, typed, pasted);
            QCOMPARE(amountField(form, page)->text(), field);
            QCOMPARE(noteOf(form, page), note); // the box kept the note as given
            const Tables before = tablesNow(f);
            add(f, page);
            const Tables after = tablesNow(f);
            if (!stored.isEmpty()) {
                QCOMPARE(f.dialogs().errors(), QStringList());
                QCOMPARE(f.dialogs().messages(), QStringList{page.done});
                verifyOnlyTheEntryAdded(before, after, page.table);
                if (QTest::currentTestFailed())
                    return;
                const QStringList entry = newestEntry(*form.Connection, page.table);
                QCOMPARE(entry, QStringList({today, page.category, note, page.account, stored}));
                QCOMPARE(f.rows(QStringLiteral("select 餘額 from account_type where 帳戶名稱 = '%1'")
                                    .arg(page.account)),
                         signedAmount(stored, page.income));
                continue;
            }
            QVERIFY2(after == before, "a refused entry changed the file");
            if (!validation.isEmpty()) {
                QCOMPARE(f.dialogs().errors(), QStringList());
                QCOMPARE(f.dialogs().messages(), QStringList{validation});
                amountField(form, page)->clear();
            } else {
                QCOMPARE(f.dialogs().messages(), QStringList());
                verifyRefusal(f.dialogs().errors(), refusal);
                if (QTest::currentTestFailed())
                    return;
                // The form keeps what was entered, and the page goes on working.
                QCOMPARE(amountField(form, page)->text(), field);
                QCOMPARE(noteOf(form, page), note);
            }
            if (page.income)
                form.LE_Note_Save->setText(QStringLiteral("改好了"));
            else
                form.ComboBoxSubSpendTypeChoose->setEditText(QStringLiteral("改好了"));
            amountField(form, page)->setText(QStringLiteral("1"));
            add(f, page);
            QCOMPARE(f.dialogs().messages(), QStringList{page.done});
            QCOMPARE(newestEntry(*form.Connection, page.table),
                     QStringList({today, page.category, QStringLiteral("改好了"), page.account,
                                  QStringLiteral("1")}));
            QCOMPARE(tablesNow(f)[page.table].size(), before[page.table].size() + 1);
        }
    }

    void entryDatesAtThePickersEdges_data()
    {
        QTest::addColumn<QDate>("set");
        QTest::addColumn<QDate>("shown"); // what the picker holds afterwards, and what is stored
        const QDate first(1752, 9, 14), last(9999, 12, 31);
        QTest::newRow("the picker's first day") << first << first;
        QTest::newRow("the picker's last day") << last << last;
        QTest::newRow("a leap day") << QDate(2000, 2, 29) << QDate(2000, 2, 29);
        QTest::newRow("before the first day") << QDate(100, 1, 1) << first;
        QTest::newRow("after the last day") << QDate(10000, 1, 1) << last;
    }
    void entryDatesAtThePickersEdges()
    {
        QFETCH(QDate, set);
        QFETCH(QDate, shown);
        EntryWindow f;
        TForm1& form = f.form();
        for (const Page& page : pages) {
            ui::DatePicker* picker = page.income ? form.DTP_Save : form.DTP_spend;
            picker->setDate(set);
            QCOMPARE(picker->date(), shown);
            fill(form, page, QStringLiteral("n"), QStringLiteral("5"), QString());
            const Tables before = tablesNow(f);
            add(f, page);
            QCOMPARE(f.dialogs().errors(), QStringList());
            QCOMPARE(f.dialogs().messages(), QStringList{page.done});
            const Tables after = tablesNow(f);
            verifyOnlyTheEntryAdded(before, after, page.table);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(newestEntry(*form.Connection, page.table).first(),
                     shown.toString(QStringLiteral("yyyy/MM/dd")));
            QVERIFY2(after[page.table].last().contains(QStringLiteral("text:") + shown.toString(Qt::ISODate)),
                     qPrintable(after[page.table].last()));
            QCOMPARE(picker->date(), QDate(2012, 3, 15)); // back on today
        }
    }

    // The conversions behind every field the handlers set: what they take is stored so that
    // it reads back as given, the rest is refused with the value and the column named.
    void fieldTextStoredExactlyOrRefused_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::addColumn<QString>("raw");      // as SQLite holds it

        auto row = [](const char* name, const char* column, const QString& text, const QString& readBack,
                      const QString& raw) {
            QTest::newRow(name) << QString::fromUtf8(column) << text << readBack << raw;
        };
        auto refused = [](const char* name, const char* column, const QString& text) {
            QTest::newRow(name) << QString::fromUtf8(column) << text << QString() << QString();
        };
        row("year 100", "日期", "0100/01/01", "0100/01/01", "text:0100-01-01");
        row("year 9999", "日期", "9999/12/31", "9999/12/31", "text:9999-12-31");
        row("the last second", "日期", "9999-12-31 23:59:59", "9999/12/31 23:59:59",
            "text:9999-12-31 23:59:59");
        row("leap day of a century", "日期", "2000/02/29", "2000/02/29", "text:2000-02-29");
        refused("year 99", "日期", "0099/12/31");
        refused("year 0", "日期", "0000/01/01");
        refused("year 10000", "日期", "10000/01/01");
        refused("no leap day in 1900", "日期", "1900/02/29");
        refused("day 32", "日期", "9999/12/32");
        refused("hour 24", "日期", "2012/01/01 24:00");
        refused("negative year", "日期", "-2012/01/01");

        row("amount 15 digits", "金額", "999999999999999", "999999999999999", "real:999999999999999.0");
        row("amount 15 digits below zero", "金額", "-999999999999999", "-999999999999999",
            "real:-999999999999999.0");
        row("amount 15 digits after the point", "金額", "0.123456789012345", "0.123456789012345",
            "real:0.123456789012345");
        row("amount 15 digits around the point", "金額", "12345678901234.5", "12345678901234.5",
            "real:12345678901234.5");
        row("amount trailing zeros after the point", "金額", "1.50000000000000000000", "1.5", "real:1.5");
        row("amount leading zeros", "金額", "000000000000000000042", "42", "real:42.0");
        row("amount with an exponent", "金額", "1e14", "100000000000000", "real:100000000000000.0");
        row("amount tiny but exact", "金額", "1e-300", "1e-300", "real:1.0e-300");
        row("amount zero with a huge exponent", "金額", "0e9223372036854775807", "0", "real:0.0");
        row("amount zero with an exponent past 64 bits", "金額", "0.000e-99999999999999999999", "0",
            "real:0.0");
        refused("amount 16 digits", "金額", "1000000000000000");
        refused("amount 64-bit limit", "金額", "9223372036854775807");
        refused("amount 20 digits", "金額", "99999999999999999999");
        refused("amount 16 digits after the point", "金額", "0.1234567890123456");
        refused("amount 16 digits around the point", "金額", "12345678901234.56");
        refused("amount exponent past 15 digits", "金額", "1e15");
        refused("amount past the largest double", "金額", "1e400");
        refused("amount below the smallest double", "金額", "1e-400");
        refused("amount among the subnormals", "金額", "1e-320");
        refused("amount nan", "金額", "nan");
        refused("amount inf", "金額", "inf");
        refused("amount hex", "金額", "0x1F");
        refused("amount with a comma", "金額", "1,5");

        row("note 255 characters", "摘要", QString(255, u'帳'), QString(255, u'帳'),
            QStringLiteral("text:") + QString(255, u'帳'));
        refused("note 256 characters", "摘要", QString(256, u'帳'));
        refused("note 10 000 characters", "摘要", QString(10000, u'帳'));
    }
    void fieldTextStoredExactlyOrRefused()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        QFETCH(QString, raw);
        testing::TempWorkdir dir;
        reliability::writeStarterCopy(dir.file(QStringLiteral("finance.mdb")));
        auto connection = testing::connect();
        const Tables before = reliability::tablesOf(connection->handle());
        const QStringList columns{QStringLiteral("日期"), QStringLiteral("類型"), QStringLiteral("摘要"),
                                  QStringLiteral("帳戶"), QStringLiteral("金額")};
        const QStringList usual{today, QStringLiteral("食物"), QStringLiteral("n"), QStringLiteral("現金"),
                                QStringLiteral("1")};

        engine::Query query;
        query.setConnection(connection.get());
        query.setSql(QStringLiteral("select top 1 * from spend"));
        query.open();
        query.append();
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i] != column)
                query.setFieldText(columns[i], usual[i]);
        try {
            query.setFieldText(column, text);
            query.post();
        } catch (const engine::EngineError& error) {
            QVERIFY2(readBack.isEmpty(), qPrintable(error.message()));
            QCOMPARE(error.kind(), engine::EngineError::Kind::BadValue);
            QVERIFY2(error.message().contains(column), qPrintable(error.message()));
            if (column != QStringLiteral("摘要"))
                QVERIFY2(error.message().contains(text), qPrintable(error.message()));
            else
                QVERIFY2(error.message().contains(QStringLiteral("255")) &&
                             error.message().contains(QString::number(text.size())),
                         qPrintable(error.message()));
            query.cancel();
            QVERIFY(reliability::tablesOf(connection->handle()) == before);
            return;
        }
        QVERIFY2(
            !readBack.isEmpty(),
            qPrintable(
                QStringLiteral("「%1」 was stored as %2")
                    .arg(text,
                         reliability::tablesOf(connection->handle())[QStringLiteral("spend")].value(0))));
        const QStringList entry = newestEntry(*connection, QStringLiteral("spend"));
        QCOMPARE(entry.at(columns.indexOf(column)), readBack);
        const QStringList rows = reliability::tablesOf(connection->handle())[QStringLiteral("spend")];
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().split(u'|').at(1 + columns.indexOf(column)), raw);
    }
};

QTEST_MAIN(TestHostileInput)
#include "test_hostile_input.moc"
