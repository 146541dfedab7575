// Times the window's own work on generated ledgers, beside SQLCipher driven directly doing the
// same statements and reading the same rows.
//
//   app-bench [sizes...] [--runs N] [--chronological] [--raw-cache KiB] [--ours-only]
//
// sizes: entries in spend and again in save (1000 10000 100000 unless given). runs: timed runs
// per side and operation (5 unless given, never fewer than 5); each figure is the median.
// --chronological writes the entries in date order, as a person keys them in, instead of at
// random dates. --raw-cache gives the direct side a page cache of that size (PRAGMA
// cache_size) instead of SQLite's default. --ours-only skips the direct side (for profiling
// the window's code).
//
// The window runs headless (QT_QPA_PLATFORM=offscreen unless set otherwise) with scripted
// dialogs. Each size gets a temporary folder of its own that is the working directory while
// it runs. The two sides take turns and never have the file open at the same time: the
// window holds it exclusively, and so does the direct side.
#include "BenchData.h"

#include "analysis/Analyses.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/ExactSum.h"
#include "engine/JetTranslator.h"
#include "engine/Query.h"
#include "health/Arithmetic.h"
#include "ledger/Find.h"
#include "platform/Profile.h"
#include "ui/DataGrid.h"
#include "ui/Keys.h"
#include "ui/LabeledEdit.h"
#include "ui/LargeLabel.h"
#include "ui/MonthCalendar.h"
#include "ui/MultiLineEdit.h"
#include "ui/PickList.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include <malloc.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::accountCount;

// Keeps the compiler from dropping work whose result nobody looks at.
volatile qint64 sink = 0;

double elapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// User and system time of the process so far.
double processCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Wall clock and the process's CPU time from the same start. The CPU time holds up better
// than the wall clock when other work shares the machine.
class Stopwatch
{
public:
    void start()
    {
        m_cpu = processCpuMs();
        m_wall.start();
    }
    double wallMs() const { return elapsedMs(m_wall); }
    double cpuMs() const { return processCpuMs() - m_cpu; }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// --- memory ------------------------------------------------------------------------------

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').front().toLongLong();
    return -1;
}

qint64 currentRssKiB()
{
    return statusKiB("VmRSS");
}

// Hands freed memory back and starts a new high-water mark from what is resident now.
void resetPeak()
{
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

qint64 peakSinceResetKiB()
{
    return statusKiB("VmHWM");
}

qint64 processPeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The machine's load over the last minute, to judge how much else shared it.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll().split(' ').value(0));
}

QString mib(qint64 kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 1);
}

// --- SQLCipher used directly -------------------------------------------------------------

[[noreturn]] void rawFailure(sqlite3* db, const QString& what)
{
    throw std::runtime_error(what.toStdString() + ": " + (db ? sqlite3_errmsg(db) : "cannot open"));
}

struct RawRow
{
    std::vector<QString> fields;
    double amount = 0; // the sort key of the ledger grids' 金額
    qint64 serial = 0;
};

struct RawTable
{
    std::vector<QString> columns;
    std::vector<RawRow> rows;
};

struct Entry
{
    QString date; // yyyy/MM/dd, as the date field hands it over
    int category = 0;
    QString note;
    int account = 0;
    QString amount;
};

// The window's work done with SQLCipher's own calls: the same statements in SQLite's dialect,
// every field read as text, the rows kept as the grids keep theirs.
class Direct
{
public:
    // Opens the file the way the window does: keyed, exclusive locking, the write lock taken.
    explicit Direct(int cacheKiB)
    {
        const QByteArray path = QFile::encodeName(QDir::current().absoluteFilePath(bench::databaseFile));
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
            rawFailure(nullptr, QString::fromUtf8(path));
        }
        const QByteArray key = bench::databasePassword.toUtf8();
        sqlite3_key(m_db, key.constData(), int(key.size()));
        sqlite3_busy_timeout(m_db, 0);
        exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
        if (cacheKiB > 0)
            exec(QStringLiteral("PRAGMA cache_size = -%1").arg(cacheKiB));
        exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        // year() and month() of an ISO date text, as the analyses' statements use them.
        sqlite3_create_function(m_db, "year", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                reinterpret_cast<void*>(0), datePart, nullptr, nullptr);
        sqlite3_create_function(m_db, "month", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                reinterpret_cast<void*>(5), datePart, nullptr, nullptr);
        // Amounts summed as the decimals they were typed as, as the engine sums them, so that
        // a sum's half rounds the same way on both sides.
        engine::registerExactSum(m_db);
        exec(QStringLiteral("BEGIN EXCLUSIVE"));
        exec(QStringLiteral("COMMIT"));
    }
    ~Direct() { sqlite3_close(m_db); }
    Direct(const Direct&) = delete;
    Direct& operator=(const Direct&) = delete;

    // Runs a statement to its end, reading nothing.
    void exec(const QString& sql)
    {
        sqlite3_stmt* stmt = prepare(sql);
        int code;
        while ((code = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        sqlite3_finalize(stmt);
        if (code != SQLITE_DONE)
            rawFailure(m_db, sql);
    }

    RawTable select(const QString& sql, int amountAt = -1)
    {
        sqlite3_stmt* stmt = prepare(sql);
        RawTable table;
        const int columns = sqlite3_column_count(stmt);
        for (int c = 0; c < columns; ++c)
            table.columns.push_back(QString::fromUtf8(sqlite3_column_name(stmt, c)));
        int code;
        while ((code = sqlite3_step(stmt)) == SQLITE_ROW) {
            RawRow row;
            row.fields.reserve(size_t(columns));
            for (int c = 0; c < columns; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.fields.push_back(QString::fromUtf8(text, sqlite3_column_bytes(stmt, c)));
            }
            row.serial = sqlite3_column_int64(stmt, 0);
            if (amountAt >= 0)
                row.amount = sqlite3_column_double(stmt, amountAt);
            table.rows.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        if (code != SQLITE_DONE)
            rawFailure(m_db, sql);
        return table;
    }

    double sum(const QString& sql)
    {
        sqlite3_stmt* stmt = prepare(sql);
        const int code = sqlite3_step(stmt);
        const double value = code == SQLITE_ROW ? sqlite3_column_double(stmt, 0) : 0;
        sqlite3_finalize(stmt);
        if (code != SQLITE_ROW)
            rawFailure(m_db, sql);
        return value;
    }

    // --- what the window does, statement for statement --------------------------------

    void startup()
    {
        // The upgrade's look at the file: the catalogue and each table's columns.
        sink = sink + qint64(select(QStringLiteral("SELECT type, name, sql FROM sqlite_master")).rows.size());
        for (const char* table :
             {"weight", "account_type", "save_type", "spend_type", "sub_spend_type", "spend", "save"})
            sink =
                sink +
                qint64(select(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))).rows.size());
        openSpendGrid();
        save = select(QStringLiteral("SELECT * FROM save ORDER BY 日期 COLLATE NOCASE DESC"), amountColumn);
        spendTypes = select(QStringLiteral("SELECT * FROM spend_type ORDER BY 編號"));
        saveTypes = select(QStringLiteral("SELECT * FROM save_type ORDER BY 編號"));
        accounts = select(QStringLiteral("SELECT 編號, 帳戶名稱 FROM account_type ORDER BY 編號"));
        weight = select(QStringLiteral("SELECT * FROM weight ORDER BY 日期 COLLATE NOCASE DESC"));
        recalcBalances();
        // The pick lists: accounts, then the two category lists.
        accounts = select(QStringLiteral("SELECT 編號, 帳戶名稱 FROM account_type ORDER BY 編號"));
        spendTypes = select(QStringLiteral("SELECT * FROM spend_type ORDER BY 編號"));
        saveTypes = select(QStringLiteral("SELECT * FROM save_type ORDER BY 編號"));
    }

    void openSpendGrid()
    {
        spend = select(QStringLiteral("SELECT * FROM spend ORDER BY 日期 COLLATE NOCASE DESC"), amountColumn);
        m_sortedAscending = false;
    }

    void recalcBalances()
    {
        accounts = select(QStringLiteral("SELECT 編號, 帳戶名稱 FROM account_type ORDER BY 編號"));
        for (const RawRow& account : accounts.rows) {
            const QString name = quoted(account.fields.at(1));
            // Names compare without regard to letter case, and a balance is written only when it changes.
            const double income =
                sum(QStringLiteral("SELECT sum(金額) AS 收入 FROM save WHERE 帳戶 = %1 COLLATE NOCASE")
                        .arg(name));
            const double expense =
                sum(QStringLiteral("SELECT sum(金額) AS 支出 FROM spend WHERE 帳戶 = %1 COLLATE NOCASE")
                        .arg(name));
            const qint64 balance = qint64(std::nearbyint(income)) - qint64(std::nearbyint(expense));
            exec(
                QStringLiteral(
                    "UPDATE account_type SET 餘額 = %1 WHERE 帳戶名稱 = %2 COLLATE NOCASE AND 餘額 IS NOT %1")
                    .arg(balance)
                    .arg(name));
        }
        const RawTable total = select(QStringLiteral("SELECT sum(餘額) AS 餘額 FROM account_type"));
        totalText = QStringLiteral("結餘 : ") + total.rows.at(0).fields.at(0);
        overview = select(QStringLiteral("SELECT 帳戶名稱, 餘額 FROM account_type"));
    }

    void addExpense(const Entry& entry)
    {
        sink = sink + qint64(select(QStringLiteral("SELECT * FROM spend LIMIT 1")).rows.size());
        sqlite3_stmt* insert = prepare(
            QStringLiteral("INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) VALUES (?, ?, ?, ?, ?)"));
        QString stored = entry.date;
        stored.replace(u'/', u'-');
        bindText(insert, 1, stored);
        bindText(insert, 2, bench::spendCategoryName(entry.category));
        bindText(insert, 3, entry.note);
        bindText(insert, 4, bench::accountName(entry.account));
        sqlite3_bind_double(insert, 5, entry.amount.toDouble());
        const int code = sqlite3_step(insert);
        sqlite3_finalize(insert);
        if (code != SQLITE_DONE)
            rawFailure(m_db, QStringLiteral("INSERT INTO spend"));
        lastInsert = sqlite3_last_insert_rowid(m_db);
        recalcBalances();
        openSpendGrid();
    }

    void deleteExpense(qint64 serial)
    {
        exec(QStringLiteral("DELETE FROM spend WHERE 流水號 = %1").arg(serial));
        openSpendGrid();
        recalcBalances();
    }

    // A transfer: the expense and the income row in one transaction, both grids read again,
    // the balances.
    void transfer(int from, int to, const QString& amount)
    {
        const QString date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        const QString note = bench::accountName(from) + QStringLiteral(" to ") + bench::accountName(to);
        exec(QStringLiteral("BEGIN"));
        for (const auto& [table, account] :
             {std::pair{QStringLiteral("spend"), from}, std::pair{QStringLiteral("save"), to}})
            exec(QStringLiteral(
                     "INSERT INTO %1 (日期, 類型, 摘要, 帳戶, 金額) VALUES ('%2', '金流', %3, %4, %5)")
                     .arg(table, date, quoted(note), quoted(bench::accountName(account)), amount));
        exec(QStringLiteral("COMMIT"));
        save = select(QStringLiteral("SELECT * FROM save ORDER BY 日期 COLLATE NOCASE DESC"), amountColumn);
        openSpendGrid();
        recalcBalances();
    }

    // A batch: the whole table read, then every line inserted in one transaction.
    void batch(const std::vector<std::array<QString, 5>>& lines)
    {
        spend = select(QStringLiteral("SELECT * FROM spend"), amountColumn);
        exec(QStringLiteral("BEGIN"));
        sqlite3_stmt* insert = prepare(
            QStringLiteral("INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) VALUES (?, ?, ?, ?, ?)"));
        for (const auto& line : lines) {
            QString date = line[0];
            date.replace(u'/', u'-');
            bindText(insert, 1, date);
            for (int c = 1; c < 4; ++c)
                bindText(insert, c + 1, line[size_t(c)]);
            sqlite3_bind_double(insert, 5, line[4].toDouble());
            if (sqlite3_step(insert) != SQLITE_DONE)
                rawFailure(m_db, QStringLiteral("INSERT INTO spend"));
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec(QStringLiteral("COMMIT"));
    }

    // An analysis: each of its statements as the engine runs it, every field of every row read
    // as text, the value read as a number.
    void analysis(const QStringList& statements)
    {
        for (const QString& statement : statements) {
            const RawTable rows = select(engine::translateJet(statement).sql.front());
            sink = sink + qint64(rows.rows.size());
        }
    }

    static void datePart(sqlite3_context* context, int, sqlite3_value** argv)
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const qsizetype from = qsizetype(reinterpret_cast<quintptr>(sqlite3_user_data(context)));
        if (!text || qstrlen(text) < size_t(from + (from ? 2 : 4))) {
            sqlite3_result_null(context);
            return;
        }
        sqlite3_result_int(context, QByteArray(text + from, from ? 2 : 4).toInt());
    }

    // The recount of BMI and WHR: the records read newest first, an update per value in one
    // transaction, the records read again.
    void recount(const QString& heightText)
    {
        const float metres = health::heightInMetres(health::numberOf(heightText));
        const RawTable records = select(
            QStringLiteral("SELECT 流水號, 體重, 腰圍, 臀圍 FROM weight ORDER BY 日期 COLLATE NOCASE DESC"));
        exec(QStringLiteral("BEGIN"));
        for (const RawRow& row : records.rows) {
            const qint32 serial = row.fields.at(0).toInt();
            exec(health::bmiUpdateStatement(health::bmi(row.fields.at(1).toDouble(), metres), serial));
            if (!row.fields.at(2).isEmpty() && !row.fields.at(3).isEmpty() &&
                row.fields.at(3).toDouble() != 0)
                exec(health::whrUpdateStatement(
                    health::whrOfRecount(row.fields.at(2).toDouble(), row.fields.at(3).toDouble()), serial));
        }
        exec(QStringLiteral("COMMIT"));
        weight = select(QStringLiteral("SELECT * FROM weight ORDER BY 日期 COLLATE NOCASE DESC"));
    }

    // A title click on 金額: the loaded rows ordered anew, ascending and descending in turn.
    void sortSpendByAmount()
    {
        if (!m_sortedAscending)
            std::stable_sort(spend.rows.begin(), spend.rows.end(),
                             [](const RawRow& a, const RawRow& b) { return a.amount < b.amount; });
        else
            std::stable_sort(spend.rows.begin(), spend.rows.end(),
                             [](const RawRow& a, const RawRow& b) { return a.amount > b.amount; });
        m_sortedAscending = !m_sortedAscending;
    }

    qint64 scalar(const QString& sql)
    {
        sqlite3_stmt* stmt = prepare(sql);
        const qint64 value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return value;
    }

    static constexpr int amountColumn = 5; // 流水號, 日期, 類型, 摘要, 帳戶, 金額

    RawTable spend, save, spendTypes, saveTypes, accounts, weight, overview;
    QString totalText;
    qint64 lastInsert = 0;

private:
    sqlite3_stmt* prepare(const QString& sql)
    {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK)
            rawFailure(m_db, sql);
        return stmt;
    }

    static void bindText(sqlite3_stmt* stmt, int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

    static QString quoted(QString text)
    {
        text.replace(u'\'', QLatin1String("''"));
        return u'\'' + text + u'\'';
    }

    sqlite3* m_db = nullptr;
    bool m_sortedAscending = false;
};

// --- the window --------------------------------------------------------------------------

// Handlers run straight from here, not through the window's guard: an error they let escape
// ends the benchmark, and so does an error box shown meanwhile.
class Window
{
public:
    explicit Window(ui::ScriptedDialogs& dialogs) : m_dialogs(dialogs) {}
    ~Window() { finish(); }

    // The start-up after the password: the prompt is answered at once from the script.
    void start()
    {
        m_dialogs.clear();
        m_dialogs.answerInput(bench::databasePassword);
        platform::setSettingsFolder(QDir::currentPath());
        m_form = std::make_unique<TForm1>();
        if (m_form->startupStepsRun() != TForm1::StartupStep::DayCacheReset)
            throw std::runtime_error(QStringLiteral("the start-up stopped after step %1: %2")
                                         .arg(int(m_form->startupStepsRun()))
                                         .arg(m_dialogs.errors().join(u'/'))
                                         .toStdString());
        checkNoError(QStringLiteral("start-up"));
    }

    void show()
    {
        m_form->show();
        settle();
    }

    // Closed as the user closes it, which releases the file, then destroyed.
    void finish()
    {
        if (!m_form)
            return;
        m_form->close();
        m_form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TForm1& form() const { return *m_form; }

    // Lets the window catch up: repaints, delayed layouts, deferred deletes.
    static void settle()
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    // The expense page filled in as a user fills it: the category picked with the keyboard
    // (which loads its sub-categories), the account picked, a note and an amount typed.
    void fillExpense(const Entry& entry)
    {
        TForm1& f = *m_form;
        f.TabPagerMain->setCurrentWidget(f.TabPageSpend);
        ui::PickList* category = f.Combobox_Spend;
        category->setFocus();
        for (int guard = 0; category->currentIndex() != entry.category && guard < 100; ++guard) {
            const int key = category->currentIndex() < entry.category ? Qt::Key_Down : Qt::Key_Up;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(category, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(category, &release);
        }
        if (category->currentIndex() != entry.category)
            throw std::runtime_error("could not pick the expense category");
        f.Combobox_Cost->setCurrentIndex(entry.account);
        f.ComboBoxSubSpendTypeChoose->setEditText(entry.note);
        f.LE_Cost->setText(entry.amount);
        checkNoError(QStringLiteral("filling the expense form"));
    }

    void checkNoError(const QString& during) const
    {
        const QStringList errors = m_dialogs.errors();
        if (!errors.isEmpty())
            throw std::runtime_error(
                QStringLiteral("error box during %1: %2").arg(during, errors.join(u'/')).toStdString());
    }

    ui::ScriptedDialogs& dialogs() const { return m_dialogs; }

private:
    ui::ScriptedDialogs& m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

// The overview's total as a number, whichever way it was written ("結餘 : 12" or "... 12.0").
double totalOf(const QString& label)
{
    return label.section(u':', 1).trimmed().toDouble();
}

// The largest serial of a table, read through the window's own connection.
qint64 lastSerial(TForm1& form, const char* table)
{
    engine::Query query;
    query.setConnection(form.Connection.get());
    query.setSql(QStringLiteral("select max(流水號) as n from ") + QLatin1String(table));
    query.open();
    return query.fieldByName(QStringLiteral("n")).asLargeInt();
}

// --- bookkeeping -------------------------------------------------------------------------

enum class Op
{
    Startup,
    FirstShow,
    Add,
    Delete,
    Sort,
    Recalc,
    OpenGrid,
    Transfer,
    Batch,
    Recount,
    Calendar
};

QString opName(Op op)
{
    switch (op) {
    case Op::Startup:
        return QStringLiteral("start-up after the password");
    case Op::FirstShow:
        return QStringLiteral("first show of the window");
    case Op::Add:
        return QStringLiteral("add an expense");
    case Op::Delete:
        return QStringLiteral("delete an expense (Yes)");
    case Op::Sort:
        return QStringLiteral("title-click sort, amount");
    case Op::Recalc:
        return QStringLiteral("RecalcBalances");
    case Op::OpenGrid:
        return QStringLiteral("OpenSpendGrid");
    case Op::Transfer:
        return QStringLiteral("transfer between accounts");
    case Op::Batch:
        return QStringLiteral("batch of 1 000 expenses");
    case Op::Recount:
        return QStringLiteral("BMI and WHR recount, 2 000");
    case Op::Calendar:
        return QStringLiteral("calendar: first paint, 31 days");
    }
    return {};
}

const Op tableOps[] = {Op::Startup,  Op::Add,      Op::Delete, Op::Sort,    Op::Recalc,
                       Op::OpenGrid, Op::Transfer, Op::Batch,  Op::Recount, Op::Calendar};

// The sixteen analyses, each with the button that runs it in the window.
struct BenchAnalysis
{
    const char* name;
    analysis::Analysis (*make)();
    void (TForm1::*handler)();
};
const BenchAnalysis benchAnalyses[] = {
    {"expense by category", analysis::spendByType, &TForm1::btnAnalySpendTypeClick},
    {"expense maximum by category", analysis::spendMaxByType, &TForm1::btnAnalySpendTypeMaxClick},
    {"expense by month of 2020", analysis::spendByMonth, &TForm1::btnAnalySpendMonthClick},
    {"expense by year", analysis::spendByYear, &TForm1::btnAnalySpendYearClick},
    {"income by category", analysis::saveByType, &TForm1::btnAnalySaveTypeClick},
    {"income maximum by category", analysis::saveMaxByType, &TForm1::btnAnalySaveTypeMaxClick},
    {"income by month of 2020", analysis::saveByMonth, &TForm1::btnAnalySaveMonthClick},
    {"income by year", analysis::saveByYear, &TForm1::btnAnalySaveYearClick},
    {"settlement by year", analysis::balanceByYear, &TForm1::btnBalanceYearClick},
    {"settlement by month of 2020", analysis::balanceByMonth, &TForm1::btnBalanceMonthClick},
    {"weight by date", analysis::weightByDate, &TForm1::btnAnalyWeightTypeClick},
    {"BMI by date", analysis::bmiByDate, &TForm1::btnAnalyBMIClick},
    {"WHR by date", analysis::whrByDate, &TForm1::btnAnalyWHRClick},
    {"weight by month of 2020", analysis::weightMonthAverage, &TForm1::btnAnalyWeightMonthAvgClick},
    {"weight by year", analysis::weightYearAverage, &TForm1::btnAnalyWeightYearAvgClick},
    {"weight extremes", analysis::weightExtremes, &TForm1::btnAnalyMinMaxClick},
};

// The filter row's searches on the expense page: the grid's first screen with the row's count
// and sum (the handler that applies a filter), and the count and sum alone.
struct BenchSearch
{
    const char* name;
    const char16_t* words; // a search of words; none for the month of dates
    bool text() const { return words != nullptr; }
    ledger::EntryFilter make() const
    {
        ledger::EntryFilter filter;
        if (words) {
            filter.words = QString::fromUtf16(words);
        } else {
            filter.from = QDate(2020, 3, 1);
            filter.to = QDate(2020, 3, 31);
        }
        return filter;
    }
};
const BenchSearch benchSearches[] = {
    {"search: a month of dates", nullptr},
    {"search: one word, 午餐", u"午餐"},
    {"search: two words, 午餐 #12", u"午餐 #12"},
    {"search: no match, lunch", u"lunch"},
};

QString countName(const BenchSearch& search)
{
    return QString::fromUtf8(search.name) + QStringLiteral(", count and sum");
}
const QString benchYear = QStringLiteral("2020");

// The 1 000 lines of the batch: dates, categories, notes, accounts, amounts.
std::vector<std::array<QString, 5>> batchLines()
{
    std::vector<std::array<QString, 5>> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back({QStringLiteral("2024/%1/%2").arg(i % 12 + 1).arg(i % 28 + 1),
                         bench::spendCategoryName(i % 20), QStringLiteral("batch %1").arg(i),
                         bench::accountName(i % 10), QString::number(i % 500 + 1)});
    return lines;
}

struct Samples
{
    std::vector<double> ours, raw, oursSettled; // settled: the handler and the event processing after it
    std::vector<double> oursCpu, rawCpu;
    void addOurs(const Stopwatch& watch)
    {
        ours.push_back(watch.wallMs());
        oursCpu.push_back(watch.cpuMs());
    }
    void addRaw(const Stopwatch& watch)
    {
        raw.push_back(watch.wallMs());
        rawCpu.push_back(watch.cpuMs());
    }
};

struct SizeResult
{
    int size = 0;
    std::map<Op, Samples> samples;
    std::map<QString, Samples> analyses;
    qint64 windowPeakKiB = 0; // high-water mark while the window ran, Qt and all
    qint64 windowOpenKiB = 0; // resident with the window open after its start-up (median)
    qint64 baselineKiB = 0;   // resident before the window was made
    qint64 directPeakKiB = 0; // high-water mark while the direct side ran
    QStringList checks;
};

struct Options
{
    std::vector<int> sizes;
    int runs = 5;
    bool chronological = false;
    bool oursOnly = false;
    int rawCacheKiB = 0; // the direct side's page cache; 0 leaves SQLite's default
};

Entry entryFor(int round)
{
    Entry entry;
    entry.date = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    entry.category = (3 + round * 7) % bench::categoryCount;
    entry.note = QStringLiteral("午餐 #%1").arg(round);
    entry.account = (1 + round * 3) % accountCount;
    entry.amount = QString::number(100 + round * 17);
    return entry;
}

// --- one size ----------------------------------------------------------------------------

void runStartup(const Options& options, ui::ScriptedDialogs& dialogs, SizeResult& result)
{
    Samples& startup = result.samples[Op::Startup];
    Samples& shown = result.samples[Op::FirstShow];
    std::vector<double> openRss;
    QString oursTotal, rawTotal;
    int oursRows = -1;
    size_t rawRows = 0;
    auto ours = [&] {
        Window window(dialogs);
        resetPeak();
        result.baselineKiB = std::max(result.baselineKiB, currentRssKiB());
        Stopwatch timer;
        timer.start();
        window.start();
        startup.addOurs(timer);
        openRss.push_back(double(currentRssKiB()));
        timer.start();
        window.show();
        shown.addOurs(timer);
        oursTotal = window.form().Label_OverView->text();
        oursRows = window.form().Query[0]->recordCount();
        window.finish();
        result.windowPeakKiB = std::max(result.windowPeakKiB, peakSinceResetKiB());
    };
    auto raw = [&] {
        resetPeak();
        Stopwatch timer;
        timer.start();
        auto direct = std::make_unique<Direct>(options.rawCacheKiB);
        direct->startup();
        startup.addRaw(timer);
        rawTotal = direct->totalText;
        rawRows = direct->spend.rows.size();
        direct.reset();
        result.directPeakKiB = std::max(result.directPeakKiB, peakSinceResetKiB());
    };
    for (int round = 0; round < options.runs; ++round) {
        if (round % 2 == 0 || options.oursOnly) {
            ours();
            if (!options.oursOnly)
                raw();
        } else {
            raw();
            ours();
        }
    }
    result.windowOpenKiB = qint64(median(openRss));
    result.checks << QStringLiteral("start-up: window %1 spend rows, %2; direct %3 rows, %4")
                         .arg(oursRows)
                         .arg(oursTotal)
                         .arg(options.oursOnly ? QStringLiteral("-") : QString::number(rawRows))
                         .arg(options.oursOnly ? QStringLiteral("-") : rawTotal);
    if (!options.oursOnly && (totalOf(oursTotal) != totalOf(rawTotal) || size_t(oursRows) != rawRows))
        throw std::runtime_error("the window and the direct side disagree after the start-up: " +
                                 result.checks.last().toStdString());
}

// One round of the page operations on each side: add, delete the entry just added, two title
// clicks, the balances, the spend grid. The ledger is as generated again after each round.
void runOperations(const Options& options, ui::ScriptedDialogs& dialogs, SizeResult& result)
{
    auto& s = result.samples;
    const QString countSql = QStringLiteral("SELECT count(*) FROM spend");
    qint64 oursAfter = -1, rawAfter = -1;
    QString oursTotal, rawTotal;
    auto ours = [&](int round) {
        Window window(dialogs);
        resetPeak();
        window.start();
        window.show();
        TForm1& f = window.form();
        Stopwatch timer;
        auto timed = [&](Op op, const std::function<void()>& work) {
            timer.start();
            work();
            s[op].addOurs(timer);
            Window::settle();
            s[op].oursSettled.push_back(timer.wallMs());
            window.checkNoError(opName(op));
        };

        const Entry entry = entryFor(round);
        window.fillExpense(entry);
        timed(Op::Add, [&] { f.btnAddSpendClick(); });
        if (dialogs.messages().isEmpty() || dialogs.messages().last() != QStringLiteral("新增支出完成"))
            throw std::runtime_error("the expense was not added: " +
                                     dialogs.messages().join(u'/').toStdString());

        // The entry just added carries today's date: it is the newest, the grid's first row.
        f.Query[0]->first();
        const QString serial = f.Query[0]->fieldByName(QStringLiteral("流水號")).asString();
        if (f.Query[0]->fieldByName(QStringLiteral("摘要")).asString() != entry.note)
            throw std::runtime_error("the newest row is not the entry just added");
        dialogs.answerConfirm(ui::Answer::Yes);
        timed(Op::Delete, [&] { f.DBGrid_spendKeyDown(Qt::Key_Delete, {}); });
        const QStringList asked = dialogs.texts(ui::ScriptedDialogs::Kind::Confirm);
        if (dialogs.answersLeft() || asked.isEmpty() || !asked.last().endsWith(serial))
            throw std::runtime_error("the delete did not ask about the entry just added");
        if (f.Query[0]->recordCount() != result.size)
            throw std::runtime_error("the delete did not leave the ledger as generated");

        for (int click = 0; click < 2; ++click)
            timed(Op::Sort, [&] { f.DBGrid_spendTitleClick(5, QStringLiteral("金額")); });
        timed(Op::Recalc, [&] { f.RecalcBalances(); });
        timed(Op::OpenGrid, [&] { f.OpenSpendGrid(); });

        oursTotal = f.Label_OverView->text();
        oursAfter = f.Query[0]->recordCount();

        // A transfer and a batch, then the ledger as generated again.
        const QString lastSpend = QString::number(lastSerial(f, "spend"));
        const QString lastSave = QString::number(lastSerial(f, "save"));
        f.TabPagerMain->setCurrentWidget(f.TabPageManage);
        f.ComboBoxSource->setCurrentIndex(0);
        f.ComboBoxTarget->setCurrentIndex(1);
        f.LE_TransferMoney->setText(QStringLiteral("500"));
        timed(Op::Transfer, [&] { f.btnTransferClick(); });
        if (dialogs.messages().last() != QStringLiteral("轉移完成"))
            throw std::runtime_error("the transfer was not stored");
        QStringList columns[5];
        for (const auto& line : batchLines())
            for (int c = 0; c < 5; ++c)
                columns[c] << line[size_t(c)];
        ui::MultiLineEdit* fields[] = {f.Memo_Spend_Data_Batch, f.Memo_Spend_Type_Batch,
                                       f.Memo_Spend_Note_Batch, f.Memo_Spend_Account_Batch,
                                       f.Memo_Spend_Cost_Batch};
        for (int c = 0; c < 5; ++c)
            fields[c]->setPlainText(columns[c].join(u'\n'));
        timed(Op::Batch, [&] { f.Sbtn_Spend_Add_BatchClick(); });
        if (dialogs.messages().last() != QStringLiteral("批次新增支出完成"))
            throw std::runtime_error("the batch was not stored");
        // The calendar page shown on a month with entries: the reset, then the paint that
        // computes every day.
        f.Calendar->setCurrentPage(2020, 1);
        f.TabPagerMain->setCurrentWidget(f.TabPageCalender);
        timed(Op::Calendar, [&] { f.Calendar->requestStatuses(); });
        if (f.DayQueriesLeft != 0)
            throw std::runtime_error("the calendar's first paint did not compute every day");
        f.LE_Height->setText(QStringLiteral("175"));
        timed(Op::Recount, [&] { f.btnReCountBmiWHRClick(); });
        for (const BenchAnalysis& a : benchAnalyses) {
            if (a.make().year == analysis::YearPrompt::Ask)
                dialogs.answerInput(benchYear);
            timer.start();
            (f.*a.handler)();
            result.analyses[QString::fromLatin1(a.name)].addOurs(timer);
            window.checkNoError(QString::fromLatin1(a.name));
        }
        for (const BenchSearch& search : benchSearches) {
            timer.start();
            // What the filter row does with a new filter: its words put in order, the grid read.
            f.SpendFind.filter = search.make();
            f.SpendFind.planned =
                ledger::rarestWordFirst(*f.Connection, QStringLiteral("spend"), f.SpendFind.filter);
            f.ReloadSpendGrid();
            for (int row = 0; row < std::min(30, f.Query[0]->recordCount()); ++row)
                sink = sink + f.Query[0]->text(row, 3).size();
            result.analyses[QString::fromUtf8(search.name)].addOurs(timer);
            timer.start();
            f.CountFound(f.SpendFind);
            result.analyses[countName(search)].addOurs(timer);
            window.checkNoError(QString::fromUtf8(search.name));
        }
        f.SpendFind.filter = {};
        f.SpendFind.planned = {};
        f.ReloadSpendGrid();
        f.Connection->execute(QStringLiteral("delete from spend where 流水號 > ") + lastSpend);
        f.Connection->execute(QStringLiteral("delete from save where 流水號 > ") + lastSave);
        window.finish();
        result.windowPeakKiB = std::max(result.windowPeakKiB, peakSinceResetKiB());
    };
    auto raw = [&](int round) {
        resetPeak();
        auto direct = std::make_unique<Direct>(options.rawCacheKiB);
        direct->startup();
        Stopwatch timer;
        auto timed = [&](Op op, const std::function<void()>& work) {
            timer.start();
            work();
            s[op].addRaw(timer);
        };
        const Entry entry = entryFor(round);
        timed(Op::Add, [&] { direct->addExpense(entry); });
        const qint64 serial = direct->spend.rows.front().serial;
        if (serial != direct->lastInsert)
            throw std::runtime_error("direct side: the newest row is not the entry just added");
        timed(Op::Delete, [&] { direct->deleteExpense(serial); });
        for (int click = 0; click < 2; ++click)
            timed(Op::Sort, [&] { direct->sortSpendByAmount(); });
        timed(Op::Recalc, [&] { direct->recalcBalances(); });
        timed(Op::OpenGrid, [&] { direct->openSpendGrid(); });
        rawTotal = direct->totalText;
        rawAfter = direct->scalar(countSql);
        const qint64 lastSpend = direct->scalar(QStringLiteral("SELECT max(流水號) FROM spend"));
        const qint64 lastSave = direct->scalar(QStringLiteral("SELECT max(流水號) FROM save"));
        timed(Op::Transfer, [&] { direct->transfer(0, 1, QStringLiteral("500")); });
        const auto lines = batchLines();
        timed(Op::Batch, [&] { direct->batch(lines); });
        timed(Op::Recount, [&] { direct->recount(QStringLiteral("175")); });
        timed(Op::Calendar, [&] {
            for (int day = 1; day <= 31; ++day) {
                const QString date = QStringLiteral("2020-01-%1").arg(day, 2, 10, QLatin1Char('0'));
                sink =
                    sink + direct->scalar(
                               QStringLiteral("SELECT sum(金額) FROM save WHERE 日期 = '%1' COLLATE NOCASE")
                                   .arg(date));
                sink =
                    sink + direct->scalar(
                               QStringLiteral("SELECT sum(金額) FROM spend WHERE 日期 = '%1' COLLATE NOCASE")
                                   .arg(date));
            }
        });
        for (const BenchAnalysis& a : benchAnalyses) {
            const analysis::Analysis made = a.make();
            QStringList statements;
            for (const QString& statement : made.statements)
                statements << analysis::withYear(statement, benchYear);
            timer.start();
            direct->analysis(statements);
            result.analyses[QString::fromLatin1(a.name)].addRaw(timer);
        }
        for (const BenchSearch& search : benchSearches) {
            const ledger::EntryFilter filter = search.make();
            timer.start();
            direct->analysis(
                {ledger::gridStatement(QStringLiteral("spend"), filter, ledger::TextLookup::Indexed)});
            result.analyses[QString::fromUtf8(search.name)].addRaw(timer);
            timer.start();
            direct->analysis(
                {ledger::countAndSumStatement(QStringLiteral("spend"), filter, ledger::TextLookup::Indexed)});
            result.analyses[countName(search)].addRaw(timer);
        }
        direct->exec(QStringLiteral("DELETE FROM spend WHERE 流水號 > %1").arg(lastSpend));
        direct->exec(QStringLiteral("DELETE FROM save WHERE 流水號 > %1").arg(lastSave));
        direct.reset();
        result.directPeakKiB = std::max(result.directPeakKiB, peakSinceResetKiB());
    };
    for (int round = 0; round < options.runs; ++round) {
        if (round % 2 == 0 || options.oursOnly) {
            ours(round);
            if (!options.oursOnly)
                raw(round);
        } else {
            raw(round);
            ours(round);
        }
    }
    result.checks
        << QStringLiteral(
               "operations: after each round the window shows %1 spend rows, %2; direct %3 rows, %4")
               .arg(oursAfter)
               .arg(oursTotal)
               .arg(options.oursOnly ? QStringLiteral("-") : QString::number(rawAfter))
               .arg(options.oursOnly ? QStringLiteral("-") : rawTotal);
    if (oursAfter != result.size ||
        (!options.oursOnly && (rawAfter != result.size || totalOf(oursTotal) != totalOf(rawTotal))))
        throw std::runtime_error("a round did not leave the ledger as generated: " +
                                 result.checks.last().toStdString());
}

SizeResult runSize(const Options& options, ui::ScriptedDialogs& dialogs, int size, QTextStream& out)
{
    SizeResult result;
    result.size = size;
    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("cannot create a temporary folder: " + folder.errorString().toStdString());
    const QString home = QDir::currentPath();
    QDir::setCurrent(folder.path());
    try {
        QElapsedTimer timer;
        timer.start();
        bench::LedgerShape shape;
        shape.entries = size;
        shape.chronological = options.chronological;
        const bench::LedgerSummary summary = bench::writeLedger(bench::databaseFile, shape);
        out << "size " << size << ": generated " << summary.spendRows << " spend, " << summary.saveRows
            << " save, " << summary.weightRows << " weight rows (" << summary.fileBytes / 1024 << " KiB) in "
            << timer.elapsed() << " ms" << Qt::endl;
        timer.start();
        runStartup(options, dialogs, result);
        runOperations(options, dialogs, result);
        out << "size " << size << ": measured in "
            << QString::number(double(timer.elapsed()) / 1000.0, 'f', 1) << " s" << Qt::endl;
    } catch (...) {
        QDir::setCurrent(home);
        throw;
    }
    QDir::setCurrent(home);
    return result;
}

// --- the report --------------------------------------------------------------------------

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

struct Target
{
    QString what;
    bool met;
    QString found;
};

void report(const Options& options, const std::vector<SizeResult>& results, QTextStream& out)
{
    const QString rule = QString(86, u'-');
    out << Qt::endl
        << "median of " << options.runs << " runs per side; sort: each of 2 clicks per run timed ("
        << options.runs * 2 << " clicks)" << Qt::endl;
    out << QStringLiteral("%1 | %2 | %3 | %4 | %5")
               .arg(QStringLiteral("size"), 7)
               .arg(QStringLiteral("operation"), -28)
               .arg(QStringLiteral("ours ms"), 9)
               .arg(QStringLiteral("raw ms"), 9)
               .arg(QStringLiteral("ratio"), 6)
        << Qt::endl
        << rule << Qt::endl;
    for (const SizeResult& r : results) {
        for (Op op : tableOps) {
            const Samples& s = r.samples.at(op);
            const double ours = median(s.ours), raw = median(s.raw);
            out << QStringLiteral("%1 | %2 | %3 | %4 | %5")
                       .arg(r.size, 7)
                       .arg(opName(op), -28)
                       .arg(ms(ours), 9)
                       .arg(options.oursOnly ? QStringLiteral("-") : ms(raw), 9)
                       .arg(options.oursOnly || raw <= 0 ? QStringLiteral("-")
                                                         : QString::number(ours / raw, 'f', 2),
                            6)
                << Qt::endl;
        }
        out << QStringLiteral("%1 | %2 | window peak %3 MiB, open %4 MiB (before it %5 MiB); raw peak %6 MiB")
                   .arg(r.size, 7)
                   .arg(QStringLiteral("memory (RSS)"), -28)
                   .arg(mib(r.windowPeakKiB), mib(r.windowOpenKiB), mib(r.baselineKiB),
                        options.oursOnly ? QStringLiteral("-") : mib(r.directPeakKiB))
            << Qt::endl
            << rule << Qt::endl;
    }

    out << Qt::endl
        << "analyses (the handler, chart filled; raw: the statements the engine runs), median ms:"
        << Qt::endl;
    for (const SizeResult& r : results) {
        for (const BenchAnalysis& a : benchAnalyses) {
            const Samples& s = r.analyses.at(QString::fromLatin1(a.name));
            const double ours = median(s.ours), raw = median(s.raw);
            out << QStringLiteral("%1 | %2 | %3 | %4 | %5")
                       .arg(r.size, 7)
                       .arg(QString::fromLatin1(a.name), -28)
                       .arg(ms(ours), 9)
                       .arg(options.oursOnly ? QStringLiteral("-") : ms(raw), 9)
                       .arg(options.oursOnly || raw <= 0 ? QStringLiteral("-")
                                                         : QString::number(ours / raw, 'f', 2),
                            6)
                << Qt::endl;
        }
        out << rule << Qt::endl;
    }

    out << Qt::endl
        << "searches on the expense page (the grid's first screen with its label; raw: the same "
           "statements read whole), median ms:"
        << Qt::endl;
    for (const SizeResult& r : results) {
        for (const BenchSearch& search : benchSearches)
            for (const QString& name : {QString::fromUtf8(search.name), countName(search)}) {
                const Samples& s = r.analyses.at(name);
                const double ours = median(s.ours), raw = median(s.raw);
                out << QStringLiteral("%1 | %2 | %3 | %4 | %5")
                           .arg(r.size, 7)
                           .arg(name, -36)
                           .arg(ms(ours), 9)
                           .arg(options.oursOnly ? QStringLiteral("-") : ms(raw), 9)
                           .arg(options.oursOnly || raw <= 0 ? QStringLiteral("-")
                                                             : QString::number(ours / raw, 'f', 2),
                                6)
                    << Qt::endl;
            }
        out << rule << Qt::endl;
    }

    out << Qt::endl
        << "the window, the handler and the event processing after it (repaint), median ms:" << Qt::endl;
    for (const SizeResult& r : results) {
        QStringList parts;
        parts << QStringLiteral("first show %1").arg(ms(median(r.samples.at(Op::FirstShow).ours)));
        for (Op op : {Op::Add, Op::Delete, Op::Sort, Op::Recalc, Op::OpenGrid})
            parts << QStringLiteral("%1 %2").arg(opName(op), ms(median(r.samples.at(op).oursSettled)));
        out << QStringLiteral("  %1: ").arg(r.size, 7) << parts.join(QStringLiteral(", ")) << Qt::endl;
    }
    out << "CPU time of the process, median ms, ours | raw | ratio:" << Qt::endl;
    for (const SizeResult& r : results) {
        QStringList parts;
        for (Op op : tableOps) {
            const Samples& s = r.samples.at(op);
            const double ours = median(s.oursCpu), raw = median(s.rawCpu);
            QString part = QStringLiteral("%1 %2").arg(opName(op).section(u' ', 0, 0), ms(ours));
            if (!s.rawCpu.empty())
                part +=
                    QStringLiteral(" | %1 | %2")
                        .arg(ms(raw), raw > 0 ? QString::number(ours / raw, 'f', 2) : QStringLiteral("-"));
            parts << part;
        }
        out << QStringLiteral("  %1: ").arg(r.size, 7) << parts.join(QStringLiteral("; ")) << Qt::endl;
    }
    out << "spread of the runs (min..max ms), ours | raw:" << Qt::endl;
    for (const SizeResult& r : results) {
        QStringList parts;
        for (Op op : tableOps) {
            const Samples& s = r.samples.at(op);
            QString part = QStringLiteral("%1 %2..%3")
                               .arg(opName(op).section(u' ', 0, 0))
                               .arg(ms(*std::min_element(s.ours.begin(), s.ours.end())),
                                    ms(*std::max_element(s.ours.begin(), s.ours.end())));
            if (!s.raw.empty())
                part += QStringLiteral(" | %1..%2")
                            .arg(ms(*std::min_element(s.raw.begin(), s.raw.end())),
                                 ms(*std::max_element(s.raw.begin(), s.raw.end())));
            parts << part;
        }
        out << QStringLiteral("  %1: ").arg(r.size, 7) << parts.join(QStringLiteral("; ")) << Qt::endl;
    }
    for (const SizeResult& r : results)
        for (const QString& check : r.checks)
            out << "check " << r.size << ": " << check << Qt::endl;
    qint64 highest = 0;
    for (const SizeResult& r : results)
        highest = std::max({highest, r.windowPeakKiB, r.directPeakKiB});
    out << "process peak RSS: " << mib(std::max(highest, processPeakKiB())) << " MiB (either side)"
        << Qt::endl;

    // The targets, at 100 000 entries per table.
    auto find = [&](int size) -> const SizeResult* {
        for (const SizeResult& r : results)
            if (r.size == size)
                return &r;
        return nullptr;
    };
    const SizeResult* big = find(100000);
    const SizeResult* mid = find(10000);
    out << Qt::endl;
    if (!big) {
        out << "targets: not judged (they are set at 100000 entries per table)" << Qt::endl;
        return;
    }
    std::vector<Target> targets;
    auto oursAt = [](const SizeResult& r, Op op) { return median(r.samples.at(op).ours); };
    auto limit = [&](Op op, double most) {
        const double found = oursAt(*big, op);
        targets.push_back({QStringLiteral("%1 at most %2 ms").arg(opName(op)).arg(most), found <= most,
                           QStringLiteral("%1 ms").arg(ms(found))});
    };
    limit(Op::Startup, 1000);
    limit(Op::Add, 200);
    limit(Op::Sort, 100);
    limit(Op::Batch, 1000);
    limit(Op::Calendar, 100);
    for (const BenchAnalysis& a : benchAnalyses) {
        const Samples& s = big->analyses.at(QString::fromLatin1(a.name));
        targets.push_back({QStringLiteral("%1 at most 150 ms").arg(QLatin1String(a.name)),
                           median(s.ours) <= 150, QStringLiteral("%1 ms").arg(ms(median(s.ours)))});
        if (!options.oursOnly) {
            const double ratio = median(s.raw) > 0 ? median(s.ours) / median(s.raw) : 0;
            targets.push_back({QStringLiteral("%1 ratio at most 1.5").arg(QLatin1String(a.name)),
                               ratio <= 1.5, QString::number(ratio, 'f', 2)});
        }
    }
    if (!options.oursOnly)
        for (Op op : tableOps) {
            const double raw = median(big->samples.at(op).raw);
            const double ratio = raw > 0 ? oursAt(*big, op) / raw : 0;
            targets.push_back({QStringLiteral("%1 ratio at most 1.5").arg(opName(op)), ratio <= 1.5,
                               QString::number(ratio, 'f', 2)});
        }
    for (const SizeResult* r : {big, find(1000000)}) {
        if (!r)
            continue;
        const bool million = r->size >= 1000000;
        for (const BenchSearch& search : benchSearches) {
            const double screen = median(r->analyses.at(QString::fromUtf8(search.name)).ours);
            const double most = !search.text() ? 20 : million ? 150 : 50;
            targets.push_back({QStringLiteral("%1 at %2: first screen at most %3 ms")
                                   .arg(QString::fromUtf8(search.name))
                                   .arg(r->size)
                                   .arg(most),
                               screen <= most, QStringLiteral("%1 ms").arg(ms(screen))});
            if (million && search.text()) {
                const double sums = median(r->analyses.at(countName(search)).ours);
                targets.push_back({QStringLiteral("%1 at %2: count and sum at most 300 ms")
                                       .arg(QString::fromUtf8(search.name))
                                       .arg(r->size),
                                   sums <= 300, QStringLiteral("%1 ms").arg(ms(sums))});
            }
        }
    }
    targets.push_back({QStringLiteral("window peak memory at most 200 MiB"), big->windowPeakKiB <= 200 * 1024,
                       QStringLiteral("%1 MiB").arg(mib(big->windowPeakKiB))});
    if (mid) {
        for (Op op : tableOps) {
            const double growth = oursAt(*mid, op) > 0 ? oursAt(*big, op) / oursAt(*mid, op) : 0;
            targets.push_back({QStringLiteral("%1 10000 -> 100000 at most 10x").arg(opName(op)),
                               growth <= 10.0, QStringLiteral("%1x").arg(QString::number(growth, 'f', 1))});
        }
        const double memoryGrowth = double(big->windowPeakKiB - big->baselineKiB) /
                                    double(std::max<qint64>(1, mid->windowPeakKiB - mid->baselineKiB));
        targets.push_back(
            {QStringLiteral("window memory growth 10000 -> 100000 at most 10x"), memoryGrowth <= 10.0,
             QStringLiteral("%1x (%2 -> %3 MiB above the empty process)")
                 .arg(QString::number(memoryGrowth, 'f', 1), mib(mid->windowPeakKiB - mid->baselineKiB),
                      mib(big->windowPeakKiB - big->baselineKiB))});
    }
    out << "targets at 100000 entries per table:" << Qt::endl;
    for (const Target& t : targets)
        out << QStringLiteral("  %1 -> %2 (%3)")
                   .arg(t.what, -58)
                   .arg(t.met ? QStringLiteral("met") : QStringLiteral("MISSED"), t.found)
            << Qt::endl;
}

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        bool ok = true;
        if (a == QLatin1String("--runs") && i + 1 < arguments.size()) {
            options.runs = arguments.at(++i).toInt(&ok);
        } else if (a == QLatin1String("--chronological")) {
            options.chronological = true;
        } else if (a == QLatin1String("--raw-cache") && i + 1 < arguments.size()) {
            options.rawCacheKiB = arguments.at(++i).toInt(&ok);
        } else if (a == QLatin1String("--ours-only")) {
            options.oursOnly = true;
        } else {
            const int size = a.toInt(&ok);
            if (ok && size > 0)
                options.sizes.push_back(size);
            else
                ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    if (options.sizes.empty())
        options.sizes = {1000, 10000, 100000};
    std::sort(options.sizes.begin(), options.sizes.end());
    options.runs = std::max(options.runs, 5);
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velloran"));
    QTextStream out(stdout), err(stderr);

    const std::optional<Options> options = parse(QCoreApplication::arguments());
    if (!options) {
        err << "usage: app-bench [sizes...] [--runs N] [--chronological] [--raw-cache KiB] [--ours-only]"
            << Qt::endl;
        return 2;
    }
    auto scripted = std::make_unique<ui::ScriptedDialogs>();
    ui::ScriptedDialogs& dialogs = *scripted;
    ui::installDialogs(std::move(scripted));

    out << "SQLite " << sqlite3_libversion() << ", Qt " << qVersion() << ", platform "
        << QApplication::platformName() << ", " << sysconf(_SC_NPROCESSORS_ONLN) << " cores, load "
        << loadAverage() << "; entries " << (options->chronological ? "in date order" : "at random dates")
        << "; direct side's page cache "
        << (options->rawCacheKiB > 0 ? QStringLiteral("%1 KiB").arg(options->rawCacheKiB)
                                     : QStringLiteral("SQLite's default"))
        << Qt::endl;
    std::vector<SizeResult> results;
    QElapsedTimer total;
    total.start();
    try {
        for (int size : options->sizes)
            results.push_back(runSize(*options, dialogs, size, out));
    } catch (const engine::EngineError& error) {
        err << "engine error: " << error.message() << Qt::endl;
        ui::installDialogs(nullptr);
        return 1;
    } catch (const std::exception& error) {
        err << "error: " << error.what() << Qt::endl;
        ui::installDialogs(nullptr);
        return 1;
    }
    report(*options, results, out);
    out << "total " << QString::number(double(total.elapsed()) / 1000.0, 'f', 1) << " s; load at the end "
        << loadAverage() << Qt::endl;
    ui::installDialogs(nullptr);
    return 0;
}
