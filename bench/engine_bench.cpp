// Times the engine layer against SQLCipher driven directly, on a generated ledger.
//
//   engine-bench [rows] [runs]
//
// rows: how many spend rows to generate (100000 unless given); runs: timed runs per side and
// operation (5 unless given, never fewer than 5). Each figure is the median of the runs. The
// work happens in a temporary folder that is removed at the end.
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "store/StarterDatabase.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QString databaseFile = QStringLiteral("finance.mdb");
const QString databasePassword = QStringLiteral("1234");
constexpr int accountCount = 10;
constexpr int categoryCount = 20;
constexpr int appendCount = 1000;
constexpr int appendWarmUp = 20;

// Keeps the compiler from dropping work whose result nobody looks at.
volatile qint64 sink = 0;

QString accountName(int index)
{
    return QStringLiteral("帳戶%1").arg(index);
}

QString categoryName(int index)
{
    static const char16_t* names[categoryCount] = {
        u"食物", u"交通", u"居家", u"娛樂", u"醫療", u"服飾", u"教育", u"通訊", u"保險", u"稅金",
        u"水電", u"房租", u"旅遊", u"禮品", u"寵物", u"運動", u"美容", u"書籍", u"捐款", u"雜項",
    };
    return QString::fromUtf16(names[index]);
}

QString noteText(std::mt19937& random)
{
    static const char16_t* notes[] = {
        u"早餐",   u"午餐",     u"晚餐", u"捷運", u"加油", u"停車費", u"超市採買", u"電影票",   u"掛號費",
        u"網路費", u"手機月租", u"電費", u"水費", u"瓦斯", u"書店",   u"咖啡",     u"便利商店", u"夜市",
    };
    const auto pick = std::uniform_int_distribution<int>(0, int(std::size(notes)) - 1)(random);
    return QString::fromUtf16(notes[pick]) + QStringLiteral(" #%1").arg(random() % 1000);
}

// An amount as a person types it: whole dollars mostly, now and then with cents.
QString amountText(std::mt19937& random)
{
    const int dollars = std::uniform_int_distribution<int>(10, 5000)(random);
    static const char* fractions[] = {".5", ".25", ".75", ".1", ".05"};
    if (random() % 5 == 0)
        return QString::number(dollars) + QLatin1String(fractions[random() % std::size(fractions)]);
    return QString::number(dollars);
}

QDate randomDate(std::mt19937& random)
{
    static const QDate start(2015, 1, 1);
    return start.addDays(std::uniform_int_distribution<int>(0, 3652)(random));
}

// --- SQLCipher used directly -------------------------------------------------------------

[[noreturn]] void rawFailure(sqlite3* db, const QByteArray& what)
{
    throw std::runtime_error(what.toStdString() + ": " + (db ? sqlite3_errmsg(db) : "cannot open"));
}

sqlite3_stmt* rawPrepare(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        rawFailure(db, sql);
    return stmt;
}

void rawExec(sqlite3* db, const QByteArray& sql)
{
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        rawFailure(db, sql);
}

void rawBindText(sqlite3_stmt* stmt, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// A handle opened the way the engine opens the file: keyed, exclusive locking, the key
// checked and the write lock taken before anything is timed.
class RawDatabase
{
public:
    RawDatabase()
    {
        const QByteArray path = QFile::encodeName(QDir::current().absoluteFilePath(databaseFile));
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            rawFailure(m_db, path);
        const QByteArray key = databasePassword.toUtf8();
        sqlite3_key(m_db, key.constData(), int(key.size()));
        rawExec(m_db, "PRAGMA cache_size = -32768"); // the page cache the engine gives itself
        rawExec(m_db, "PRAGMA locking_mode = EXCLUSIVE");
        rawExec(m_db, "SELECT count(*) FROM sqlite_master");
        rawExec(m_db, "BEGIN EXCLUSIVE");
        rawExec(m_db, "COMMIT");
    }
    ~RawDatabase() { sqlite3_close(m_db); }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    sqlite3* get() const { return m_db; }

    qint64 scalar(const QByteArray& sql) const
    {
        sqlite3_stmt* stmt = rawPrepare(m_db, sql);
        const qint64 value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return value;
    }

private:
    sqlite3* m_db = nullptr;
};

// Fills spend with generated rows in one transaction, and lists the categories and accounts
// the rows use.
void fillLedger(int rows)
{
    RawDatabase database;
    sqlite3* db = database.get();
    std::mt19937 random(20240501);
    rawExec(db, "BEGIN");
    {
        sqlite3_stmt* category = rawPrepare(
            db, QStringLiteral("INSERT OR IGNORE INTO spend_type (編號, 類型) VALUES (?1, ?2)").toUtf8());
        for (int i = 0; i < categoryCount; ++i) {
            sqlite3_bind_int(category, 1, 100 + i);
            rawBindText(category, 2, categoryName(i));
            if (sqlite3_step(category) != SQLITE_DONE)
                rawFailure(db, "spend_type");
            sqlite3_reset(category);
        }
        sqlite3_finalize(category);

        sqlite3_stmt* account = rawPrepare(
            db, QStringLiteral("INSERT OR IGNORE INTO account_type (編號, 帳戶名稱, 餘額) VALUES (?1, ?2, 0)")
                    .toUtf8());
        for (int i = 0; i < accountCount; ++i) {
            sqlite3_bind_int(account, 1, 100 + i);
            rawBindText(account, 2, accountName(i));
            if (sqlite3_step(account) != SQLITE_DONE)
                rawFailure(db, "account_type");
            sqlite3_reset(account);
        }
        sqlite3_finalize(account);
    }
    sqlite3_stmt* insert = rawPrepare(
        db, QStringLiteral("INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) VALUES (?1, ?2, ?3, ?4, ?5)")
                .toUtf8());
    for (int i = 0; i < rows; ++i) {
        rawBindText(insert, 1, randomDate(random).toString(QStringLiteral("yyyy-MM-dd")));
        rawBindText(insert, 2, categoryName(int(random() % categoryCount)));
        rawBindText(insert, 3, noteText(random));
        rawBindText(insert, 4, accountName(int(random() % accountCount)));
        sqlite3_bind_double(insert, 5, amountText(random).toDouble());
        if (sqlite3_step(insert) != SQLITE_DONE)
            rawFailure(db, "spend");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    rawExec(db, "COMMIT");
}

// --- the engine --------------------------------------------------------------------------

std::unique_ptr<engine::Connection> openEngine()
{
    return engine::Connection::openFile(databaseFile, databasePassword);
}

qint64 engineScalar(engine::Connection& connection, const QString& statement)
{
    engine::Query query;
    query.setConnection(&connection);
    query.setSql(statement);
    query.open();
    return query.field(0).asLargeInt();
}

// --- timing ------------------------------------------------------------------------------

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// One side of a comparison. Only work is timed; the rest brackets it.
struct Side
{
    std::function<void()> open;
    std::function<void()> warmUp;
    std::function<void()> work;
    std::function<void()> reset; // after the warm-up and after the work
    std::function<void()> close;
};

struct Timing
{
    double ours = 0, raw = 0;       // wall clock, median
    double oursCpu = 0, rawCpu = 0; // process CPU time, median
    double oursMin = 0, oursMax = 0, rawMin = 0, rawMax = 0;
};

// The two sides take turns, one batch each per round, the one going first alternating, so
// that a slow spell of the disk or of the machine falls on both. Each batch opens its side,
// warms it up, runs the work once under the clock and closes again: the file is held
// exclusively, so only one side can have it open at a time.
Timing measure(int runs, const Side& ours, const Side& raw)
{
    std::vector<double> wall[2], cpu[2];
    auto batch = [](const Side& side, std::vector<double>& wallTimes, std::vector<double>& cpuTimes) {
        side.open();
        if (side.warmUp) {
            side.warmUp();
            if (side.reset)
                side.reset();
        }
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        side.work();
        wallTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpuTimes.push_back(cpuMs() - cpuStart);
        if (side.reset)
            side.reset();
        side.close();
    };
    for (int round = 0; round < runs; ++round) {
        if (round % 2 == 0) {
            batch(ours, wall[0], cpu[0]);
            batch(raw, wall[1], cpu[1]);
        } else {
            batch(raw, wall[1], cpu[1]);
            batch(ours, wall[0], cpu[0]);
        }
    }
    Timing t;
    t.ours = median(wall[0]);
    t.raw = median(wall[1]);
    t.oursCpu = median(cpu[0]);
    t.rawCpu = median(cpu[1]);
    t.oursMin = *std::min_element(wall[0].begin(), wall[0].end());
    t.oursMax = *std::max_element(wall[0].begin(), wall[0].end());
    t.rawMin = *std::min_element(wall[1].begin(), wall[1].end());
    t.rawMax = *std::max_element(wall[1].begin(), wall[1].end());
    return t;
}

struct Entry
{
    QString date; // as typed: yyyy/MM/dd
    QString category;
    QString note;
    QString account;
    QString amount;
};

std::vector<Entry> makeEntries(int count)
{
    std::mt19937 random(7);
    std::vector<Entry> entries;
    entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        entries.push_back({randomDate(random).toString(QStringLiteral("yyyy/MM/dd")),
                           categoryName(int(random() % categoryCount)), noteText(random),
                           accountName(int(random() % accountCount)), amountText(random)});
    return entries;
}

struct Result
{
    QString operation;
    qint64 rows = 0;
    Timing timing;
    double ratio() const { return timing.raw > 0 ? timing.ours / timing.raw : 0; }
    double cpuRatio() const { return timing.rawCpu > 0 ? timing.oursCpu / timing.rawCpu : 0; }
};

// --- the operations ----------------------------------------------------------------------

const QString colDate = QStringLiteral("日期");
const QString colCategory = QStringLiteral("類型");
const QString colNote = QStringLiteral("摘要");
const QString colAccount = QStringLiteral("帳戶");
const QString colAmount = QStringLiteral("金額");
const QString colSerial = QStringLiteral("流水號");

qint64 engineRead(engine::Connection& connection, qint64* rowsRead)
{
    static const QString statement = QStringLiteral("select * from spend order by 日期 desc");
    engine::Query query;
    query.setConnection(&connection);
    query.setSql(statement);
    query.open();
    const int columns = query.fieldCount();
    qint64 characters = 0, rows = 0;
    for (query.first(); !query.eof(); query.next()) {
        for (int c = 0; c < columns; ++c)
            characters += query.field(c).asString().size();
        ++rows;
    }
    *rowsRead = rows;
    return characters;
}

qint64 rawRead(sqlite3* db, qint64* rowsRead)
{
    static const QByteArray statement =
        QStringLiteral("SELECT * FROM spend ORDER BY 日期 COLLATE NOCASE DESC").toUtf8();
    sqlite3_stmt* stmt = rawPrepare(db, statement);
    const int columns = sqlite3_column_count(stmt);
    int dateColumn = -1;
    for (int c = 0; c < columns; ++c)
        if (QString::fromUtf8(sqlite3_column_name(stmt, c)) == colDate)
            dateColumn = c;
    qint64 characters = 0, rows = 0;
    int code;
    while ((code = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            QString value = QString::fromUtf8(text, sqlite3_column_bytes(stmt, c));
            if (c == dateColumn)
                value.replace(u'-', u'/'); // shown as yyyy/MM/dd, as the engine shows it
            characters += value.size();
        }
        ++rows;
    }
    if (code != SQLITE_DONE)
        rawFailure(db, statement);
    sqlite3_finalize(stmt);
    *rowsRead = rows;
    return characters;
}

void engineAppend(engine::Connection& connection, const std::vector<Entry>& entries, size_t count)
{
    static const QString statement = QStringLiteral("select top 1 * from spend");
    for (size_t i = 0; i < count; ++i) {
        const Entry& entry = entries[i];
        engine::Query query;
        query.setConnection(&connection);
        query.setSql(statement);
        query.open();
        query.append();
        query.setFieldText(colDate, entry.date);
        query.setFieldText(colCategory, entry.category);
        query.setFieldText(colNote, entry.note);
        query.setFieldText(colAccount, entry.account);
        query.setFieldText(colAmount, entry.amount);
        query.post();
    }
}

void rawAppend(sqlite3* db, const std::vector<Entry>& entries, size_t count)
{
    static const QByteArray top = QByteArrayLiteral("SELECT * FROM spend LIMIT 1");
    static const QByteArray insertSql =
        QStringLiteral("INSERT INTO spend (日期, 類型, 摘要, 帳戶, 金額) VALUES (?1, ?2, ?3, ?4, ?5)")
            .toUtf8();
    sqlite3_stmt* insert = rawPrepare(db, insertSql);
    for (size_t i = 0; i < count; ++i) {
        const Entry& entry = entries[i];
        sqlite3_stmt* first = rawPrepare(db, top);
        if (sqlite3_step(first) == SQLITE_ROW) {
            const int columns = sqlite3_column_count(first);
            for (int c = 0; c < columns; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(first, c));
                sink = sink + QString::fromUtf8(text, sqlite3_column_bytes(first, c)).size();
            }
        }
        sqlite3_finalize(first);
        QString stored = entry.date;
        stored.replace(u'/', u'-');
        rawBindText(insert, 1, stored);
        rawBindText(insert, 2, entry.category);
        rawBindText(insert, 3, entry.note);
        rawBindText(insert, 4, entry.account);
        sqlite3_bind_double(insert, 5, entry.amount.toDouble());
        if (sqlite3_step(insert) != SQLITE_DONE)
            rawFailure(db, insertSql);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
}

std::vector<qint64> engineSums(engine::Connection& connection, const QStringList& statements)
{
    static const QString total = QStringLiteral("支出");
    std::vector<qint64> sums;
    for (const QString& statement : statements) {
        engine::Query query;
        query.setConnection(&connection);
        query.setSql(statement);
        query.open();
        query.first();
        sums.push_back(query.fieldByName(total).asInteger());
    }
    return sums;
}

std::vector<double> rawSums(sqlite3* db, const std::vector<QByteArray>& statements)
{
    std::vector<double> sums;
    for (const QByteArray& statement : statements) {
        sqlite3_stmt* stmt = rawPrepare(db, statement);
        if (sqlite3_step(stmt) != SQLITE_ROW)
            rawFailure(db, statement);
        sums.push_back(sqlite3_column_double(stmt, 0));
        sqlite3_finalize(stmt);
    }
    return sums;
}

QString formatMs(double ms)
{
    return QString::number(ms, 'f', 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream out(stdout), err(stderr);

    int rows = 100000, runs = 5;
    bool ok = true;
    if (arguments.size() > 1)
        rows = arguments.at(1).toInt(&ok);
    if (ok && arguments.size() > 2)
        runs = arguments.at(2).toInt(&ok);
    if (!ok || rows < 1 || runs < 1 || arguments.size() > 3) {
        err << "usage: engine-bench [rows] [runs]" << Qt::endl;
        return 2;
    }
    runs = std::max(runs, 5);

    QTemporaryDir folder;
    if (!folder.isValid()) {
        err << "cannot create a temporary folder: " << folder.errorString() << Qt::endl;
        return 1;
    }
    const QString home = QDir::currentPath();
    QDir::setCurrent(folder.path());

    std::vector<Result> results;
    QStringList checks;
    try {
        QElapsedTimer setup;
        setup.start();
        store::writeStarterDatabase(databaseFile, databasePassword);
        fillLedger(rows);
        out << "generated " << rows << " spend rows in " << formatMs(double(setup.nsecsElapsed()) / 1e6)
            << " ms; file " << QFileInfo(databaseFile).size() / 1024 << " KiB in " << folder.path()
            << Qt::endl;
        out << "SQLite " << sqlite3_libversion() << ", median of " << runs << " runs per side" << Qt::endl
            << Qt::endl;

        std::unique_ptr<engine::Connection> connection;
        std::unique_ptr<RawDatabase> database;
        auto openOurs = [&] { connection = openEngine(); };
        auto closeOurs = [&] { connection.reset(); };
        auto openRaw = [&] { database = std::make_unique<RawDatabase>(); };
        auto closeRaw = [&] { database.reset(); };

        // Every field of every row, read as text.
        {
            qint64 oursRows = 0, rawRows = 0, oursChars = 0, rawChars = 0;
            auto oursRead = [&] { oursChars = engineRead(*connection, &oursRows); };
            auto rawReadAll = [&] { rawChars = rawRead(database->get(), &rawRows); };
            const Timing timing = measure(runs, {openOurs, oursRead, oursRead, {}, closeOurs},
                                          {openRaw, rawReadAll, rawReadAll, {}, closeRaw});
            results.push_back({QStringLiteral("read all rows, newest first"), rows, timing});
            checks << QStringLiteral("read: %1 rows / %2 characters (engine), %3 rows / %4 characters (raw)")
                          .arg(oursRows)
                          .arg(oursChars)
                          .arg(rawRows)
                          .arg(rawChars);
            if (oursRows != rows || rawRows != rows)
                throw std::runtime_error("read returned the wrong number of rows");
        }

        // Rows added one at a time, each in a transaction of its own.
        {
            const std::vector<Entry> entries = makeEntries(appendCount);
            // Generated rows are numbered 1..rows; anything above was appended by a run.
            const QString appendedWhere = QStringLiteral(" from spend where 流水號 > %1").arg(rows);
            qint64 oursAppended = 0, rawAppended = 0;
            auto oursReset = [&] {
                oursAppended =
                    std::max(oursAppended,
                             engineScalar(*connection, QStringLiteral("select count(*)") + appendedWhere));
                connection->execute(QStringLiteral("delete") + appendedWhere);
            };
            auto rawReset = [&] {
                rawAppended =
                    std::max(rawAppended,
                             database->scalar((QStringLiteral("SELECT count(*)") + appendedWhere).toUtf8()));
                rawExec(database->get(), (QStringLiteral("DELETE") + appendedWhere).toUtf8());
            };
            const Timing timing =
                measure(runs,
                        {openOurs, [&] { engineAppend(*connection, entries, appendWarmUp); },
                         [&] { engineAppend(*connection, entries, entries.size()); }, oursReset, closeOurs},
                        {openRaw, [&] { rawAppend(database->get(), entries, appendWarmUp); },
                         [&] { rawAppend(database->get(), entries, entries.size()); }, rawReset, closeRaw});
            results.push_back({QStringLiteral("append, one row per transaction"), appendCount, timing});
            checks << QStringLiteral("append: %1 rows per run (engine), %2 (raw); removed after each run")
                          .arg(oursAppended)
                          .arg(rawAppended);
            if (oursAppended != appendCount || rawAppended != appendCount)
                throw std::runtime_error("a run did not append every row");
        }

        // One sum per account.
        {
            QStringList oursStatements;
            std::vector<QByteArray> rawStatements;
            for (int i = 0; i < accountCount; ++i) {
                oursStatements << QStringLiteral("select sum(金額) as 支出 from spend where 帳戶 = '%1'")
                                      .arg(accountName(i));
                rawStatements.push_back(
                    QStringLiteral("SELECT sum(金額) AS 支出 FROM spend WHERE 帳戶 = '%1' COLLATE NOCASE")
                        .arg(accountName(i))
                        .toUtf8());
            }
            std::vector<qint64> oursSums;
            std::vector<double> rawSumsFound;
            auto oursWork = [&] { oursSums = engineSums(*connection, oursStatements); };
            auto rawWork = [&] { rawSumsFound = rawSums(database->get(), rawStatements); };
            const Timing timing = measure(runs, {openOurs, oursWork, oursWork, {}, closeOurs},
                                          {openRaw, rawWork, rawWork, {}, closeRaw});
            results.push_back(
                {QStringLiteral("sum per account (%1 queries)").arg(accountCount), rows, timing});
            bool same = oursSums.size() == rawSumsFound.size() && !oursSums.empty();
            for (size_t i = 0; same && i < oursSums.size(); ++i)
                same = oursSums[i] == qint64(std::nearbyint(rawSumsFound[i]));
            checks << QStringLiteral("sums: %1")
                          .arg(same ? QStringLiteral("engine and raw agree on all accounts")
                                    : QStringLiteral("engine and raw DISAGREE"));
            if (!same)
                throw std::runtime_error("the sums differ");
        }
    } catch (const engine::EngineError& error) {
        QDir::setCurrent(home);
        err << "engine error: " << error.message() << Qt::endl;
        return 1;
    } catch (const std::exception& error) {
        QDir::setCurrent(home);
        err << "error: " << error.what() << Qt::endl;
        return 1;
    }
    QDir::setCurrent(home);

    const QString rule = QString(78, u'-');
    out << QStringLiteral("%1 | %2 | %3 | %4 | %5")
               .arg(QStringLiteral("operation"), -34)
               .arg(QStringLiteral("rows"), 7)
               .arg(QStringLiteral("ours ms"), 9)
               .arg(QStringLiteral("raw ms"), 9)
               .arg(QStringLiteral("ratio"), 6)
        << Qt::endl
        << rule << Qt::endl;
    for (const Result& r : results)
        out << QStringLiteral("%1 | %2 | %3 | %4 | %5")
                   .arg(r.operation, -34)
                   .arg(r.rows, 7)
                   .arg(formatMs(r.timing.ours), 9)
                   .arg(formatMs(r.timing.raw), 9)
                   .arg(QString::number(r.ratio(), 'f', 2), 6)
            << Qt::endl;
    out << rule << Qt::endl;

    auto target = [&](const Result& r, const char* name, double limit) {
        const bool met = r.ratio() <= limit;
        out << QStringLiteral("target: %1 ratio at most %2 -> %3 (%4)")
                   .arg(QLatin1String(name))
                   .arg(limit, 0, 'f', 1)
                   .arg(met ? QStringLiteral("met") : QStringLiteral("MISSED"))
                   .arg(r.ratio(), 0, 'f', 2)
            << Qt::endl;
    };
    target(results[0], "read  ", 1.5);
    target(results[1], "append", 1.2);

    out << Qt::endl << "spread of the runs (min..max ms) and median CPU time of the process:" << Qt::endl;
    for (const Result& r : results)
        out << QStringLiteral("  %1  ours %2..%3, cpu %4 | raw %5..%6, cpu %7 | cpu ratio %8")
                   .arg(r.operation, -34)
                   .arg(formatMs(r.timing.oursMin), formatMs(r.timing.oursMax), formatMs(r.timing.oursCpu),
                        formatMs(r.timing.rawMin), formatMs(r.timing.rawMax), formatMs(r.timing.rawCpu))
                   .arg(r.cpuRatio(), 0, 'f', 2)
            << Qt::endl;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "peak RSS: " << QString::number(double(usage.ru_maxrss) / 1024.0, 'f', 1) << " MiB" << Qt::endl;
    for (const QString& check : checks)
        out << "check: " << check << Qt::endl;
    return 0;
}
