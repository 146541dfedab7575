#include "BenchData.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "store/LedgerIndexes.h"
#include "store/StarterDatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

const char16_t* const spendCategories[categoryCount] = {
    u"食物", u"交通", u"居家", u"娛樂", u"醫療", u"服飾", u"教育", u"通訊", u"保險", u"稅金",
    u"水電", u"房租", u"旅遊", u"禮品", u"寵物", u"運動", u"美容", u"書籍", u"捐款", u"雜項",
};

const char16_t* const saveCategories[categoryCount] = {
    u"薪資", u"獎金", u"利息", u"股利", u"租金",   u"退稅", u"兼職", u"稿費", u"禮金", u"中獎",
    u"補助", u"退款", u"紅包", u"年終", u"加班費", u"分紅", u"版稅", u"佣金", u"拍賣", u"其他",
};

const char16_t* const spendNotes[] = {
    u"早餐",   u"午餐",     u"晚餐", u"捷運", u"加油", u"停車費", u"超市採買", u"電影票",   u"掛號費",
    u"網路費", u"手機月租", u"電費", u"水費", u"瓦斯", u"書店",   u"咖啡",     u"便利商店", u"夜市",
};

const char16_t* const saveNotes[] = {
    u"公司", u"銀行", u"年度", u"季配息", u"房客", u"國稅局", u"週末", u"雜誌社", u"婚禮", u"發票",
};

const char16_t* const subCategoryWords[subCategoriesPerCategory] = {u"一般", u"固定", u"臨時"};

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "cannot open"));
}

void exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, sql);
}

// A prepared insert that is stepped and reset once per row.
class Insert
{
public:
    Insert(sqlite3* db, const QString& sql) : m_db(db), m_sql(sql.toStdString())
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
            fail(db, m_sql);
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    Insert& text(int index, const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Insert& number(int index, double value)
    {
        sqlite3_bind_double(m_stmt, index, value);
        return *this;
    }
    Insert& integer(int index, qint64 value)
    {
        sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    void step()
    {
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            fail(m_db, m_sql);
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3* m_db;
    std::string m_sql;
    sqlite3_stmt* m_stmt = nullptr;
};

// An amount as a person types it: whole dollars mostly, now and then with cents.
double amount(std::mt19937& random, int low, int high)
{
    static const double fractions[] = {0.5, 0.25, 0.75, 0.1, 0.05};
    const double dollars = std::uniform_int_distribution<int>(low, high)(random);
    if (random() % 5 == 0)
        return dollars + fractions[random() % std::size(fractions)];
    return dollars;
}

template <size_t N> QString note(std::mt19937& random, const char16_t* const (&words)[N])
{
    return QString::fromUtf16(words[random() % N]) + QStringLiteral(" #%1").arg(random() % 1000);
}

// The entry dates, in the order the rows are written.
std::vector<QDate> entryDates(std::mt19937& random, int count, bool chronological)
{
    const QDate first(firstYear, 1, 1);
    const int days = int(first.daysTo(QDate(lastYear, 12, 31)));
    std::vector<QDate> dates;
    dates.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        int day;
        if (chronological) {
            day = int(qint64(i) * days / std::max(count - 1, 1));
            if (random() % 20 == 0) // keyed in late, up to two months after the day
                day = std::max(0, day - int(random() % 60));
        } else {
            day = std::uniform_int_distribution<int>(0, days)(random);
        }
        dates.push_back(first.addDays(day));
    }
    return dates;
}

QString iso(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

void fillEntries(sqlite3* db, const char* table, int count, bool chronological, std::mt19937& random,
                 const char16_t* const (&categories)[categoryCount], bool income)
{
    Insert insert(db,
                  QStringLiteral("INSERT INTO %1 (日期, 類型, 摘要, 帳戶, 金額) VALUES (?1, ?2, ?3, ?4, ?5)")
                      .arg(QLatin1String(table)));
    const std::vector<QDate> dates = entryDates(random, count, chronological);
    for (const QDate& date : dates) {
        insert.text(1, iso(date))
            .text(2, QString::fromUtf16(categories[random() % categoryCount]))
            .text(3, income ? note(random, saveNotes) : note(random, spendNotes))
            .text(4, accountName(int(random() % accountCount)))
            .number(5, income ? amount(random, 100, 80000) : amount(random, 10, 5000));
        insert.step();
    }
}

void fillWeight(sqlite3* db, std::mt19937& random)
{
    // weightRows different days out of the ten years, oldest first; the figures drift slowly.
    const QDate first(firstYear, 1, 1);
    const int days = int(first.daysTo(QDate(lastYear, 12, 31))) + 1;
    std::vector<int> all;
    all.reserve(size_t(days));
    for (int i = 0; i < days; ++i)
        all.push_back(i);
    std::vector<int> picked;
    std::sample(all.begin(), all.end(), std::back_inserter(picked), std::min(weightRows, days), random);
    constexpr double height = 1.72;
    double weight = 72.0, waist = 84.0, hip = 98.0;
    std::normal_distribution<double> drift(0.0, 0.3);
    Insert insert(
        db, QStringLiteral(
                "INSERT INTO weight (日期, 體重, BMI, 腰圍, 臀圍, WHR) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
    for (int day : picked) {
        weight = std::clamp(weight + drift(random), 60.0, 90.0);
        waist = std::clamp(waist + drift(random) / 2, 70.0, 100.0);
        hip = std::clamp(hip + drift(random) / 3, 90.0, 110.0);
        const double w = std::round(weight * 10) / 10, wa = std::round(waist * 10) / 10,
                     h = std::round(hip * 10) / 10;
        insert.text(1, iso(first.addDays(day)))
            .number(2, w)
            .number(3, std::round(w / (height * height) * 100) / 100)
            .number(4, wa)
            .number(5, h)
            .number(6, std::round(wa / h * 100) / 100);
        insert.step();
    }
}

void fillCatalogs(sqlite3* db)
{
    exec(db, "DELETE FROM account_type");
    exec(db, "DELETE FROM spend_type");
    exec(db, "DELETE FROM save_type");
    {
        Insert insert(db,
                      QStringLiteral("INSERT INTO account_type (編號, 帳戶名稱, 餘額) VALUES (?1, ?2, 0)"));
        for (int i = 0; i < accountCount; ++i)
            insert.integer(1, i + 1).text(2, accountName(i)).step();
    }
    {
        Insert spend(db, QStringLiteral("INSERT INTO spend_type (編號, 類型) VALUES (?1, ?2)"));
        Insert save(db, QStringLiteral("INSERT INTO save_type (編號, 類型) VALUES (?1, ?2)"));
        for (int i = 0; i < categoryCount; ++i) {
            spend.integer(1, i + 1).text(2, spendCategoryName(i)).step();
            save.integer(1, i + 1).text(2, saveCategoryName(i)).step();
        }
    }
    {
        Insert insert(db,
                      QStringLiteral("INSERT INTO sub_spend_type (排序, 類型, 子類型) VALUES (?1, ?2, ?3)"));
        int order = 0;
        for (int i = 0; i < categoryCount; ++i)
            for (const char16_t* word : subCategoryWords)
                insert.integer(1, ++order)
                    .text(2, spendCategoryName(i))
                    .text(3, spendCategoryName(i) + QString::fromUtf16(word))
                    .step();
    }
}

void dropLedgerIndexes(sqlite3* db)
{
    std::vector<QByteArray> drops;
    sqlite3_stmt* stmt = nullptr;
    const char* list = "SELECT type, name FROM sqlite_master WHERE (type = 'index' AND name LIKE 'ix:%') OR "
                       "type = 'trigger' OR name = 'entry_texts'";
    if (sqlite3_prepare_v2(db, list, -1, &stmt, nullptr) != SQLITE_OK)
        fail(db, list);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        drops.push_back(
            QStringLiteral("DROP %1 [%2]")
                .arg(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))),
                     QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))))
                .toUtf8());
    sqlite3_finalize(stmt);
    for (const QByteArray& drop : drops)
        exec(db, drop.constData());
}

qint64 count(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        fail(db, sql);
    const qint64 value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
}

} // namespace

QString accountName(int index)
{
    return QStringLiteral("帳戶%1").arg(index);
}

QString spendCategoryName(int index)
{
    return QString::fromUtf16(spendCategories[index]);
}

QString saveCategoryName(int index)
{
    return QString::fromUtf16(saveCategories[index]);
}

LedgerSummary writeLedger(const QString& path, const LedgerShape& shape)
{
    const QString absolute = QDir::current().absoluteFilePath(path);
    try {
        store::writeStarterDatabase(absolute, databasePassword);
        // The table the first start adds, made the way the start-up makes it.
        engine::Connection::openFile(absolute, databasePassword)
            ->execute(QStringLiteral("Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)"));
    } catch (const engine::EngineError& error) {
        throw std::runtime_error("starter file: " + error.message().toStdString());
    }

    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(absolute);
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + name.toStdString());
    }
    LedgerSummary summary;
    try {
        const QByteArray key = databasePassword.toUtf8();
        sqlite3_key(db, key.constData(), int(key.size()));
        exec(db, "PRAGMA locking_mode = EXCLUSIVE");
        exec(db, "PRAGMA cache_size = -65536");
        exec(db, "BEGIN EXCLUSIVE");
        // A bulk load: the entries go in without the ledger's indexes and kept texts, which are
        // made afresh from the rows at the next open below, as for a file that lacks them.
        dropLedgerIndexes(db);
        std::mt19937 random(shape.seed);
        fillCatalogs(db);
        fillEntries(db, "spend", shape.entries, shape.chronological, random, spendCategories, false);
        fillEntries(db, "save", shape.entries, shape.chronological, random, saveCategories, true);
        fillWeight(db, random);
        exec(db, "COMMIT");
        summary.spendRows = count(db, "SELECT count(*) FROM spend");
        summary.saveRows = count(db, "SELECT count(*) FROM save");
        summary.weightRows = count(db, "SELECT count(*) FROM weight");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    try {
        const auto connection = engine::Connection::openFile(absolute, databasePassword);
        store::keepLedgerIndexes(*connection);
    } catch (const engine::EngineError& error) {
        throw std::runtime_error("indexes: " + error.message().toStdString());
    }
    summary.fileBytes = QFileInfo(absolute).size();
    return summary;
}

} // namespace bench
