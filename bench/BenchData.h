#pragma once

// A generated finance.mdb for the benchmarks: the starter file filled with a ledger of the
// requested size, written straight through SQLCipher in one transaction.
#include <QString>

namespace bench {

inline const QString databaseFile = QStringLiteral("finance.mdb");
inline const QString databasePassword = QStringLiteral("1234");

constexpr int accountCount = 10;
constexpr int categoryCount = 20; // per side: spend_type and save_type
constexpr int weightRows = 2000;
constexpr int subCategoriesPerCategory = 3;

// The first and last day an entry can carry: ten years, all before today, so an entry made
// with today's date is the newest one.
constexpr int firstYear = 2016;
constexpr int lastYear = 2025;

// 帳戶0 .. 帳戶9, numbered 1..10 in account_type.
QString accountName(int index);
QString spendCategoryName(int index);
QString saveCategoryName(int index);

struct LedgerShape
{
    int entries = 1000; // rows in spend and again in save
    // Entries in the order a person keys them in, day by day, with a few late ones; otherwise
    // each entry's date is drawn at random, so the file's row order has nothing to do with
    // the date order the pages read in.
    bool chronological = false;
    unsigned seed = 20240501;
};

struct LedgerSummary
{
    qint64 spendRows = 0;
    qint64 saveRows = 0;
    qint64 weightRows = 0;
    qint64 fileBytes = 0;
};

// Writes path (which must not exist yet) as the starter file does, adds sub_spend_type as the
// first start does, then replaces the accounts and categories and fills spend, save, weight
// and sub_spend_type. Throws std::runtime_error on failure.
LedgerSummary writeLedger(const QString& path, const LedgerShape& shape);

} // namespace bench
