#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace engine {
class Connection;
}

// Finding entries in a ledger: what the filter row on the income and expense pages asks for,
// and the statements that show it.
namespace ledger {

struct EntryFilter
{
    // Words separated by blanks (a full-width blank too); every word must match. A word matches
    // an entry whose category, note or account contains it (Latin letters without regard to
    // case, everything else as typed), or, when the word is a number, whose amount equals it.
    QString words;
    std::optional<QDate> from; // the first day shown
    std::optional<QDate> to;   // the last day shown, all of it
    std::optional<double> least;
    std::optional<double> most;

    bool isEmpty() const;
    bool operator==(const EntryFilter&) const = default;
};

// The words of a search, blank-separated.
QStringList searchWords(const QString& text);

// How the words of a search reach the entries: through the file's kept table of the ledgers'
// texts and the indexes of the columns, or, where the file lacks that table (it could not be
// made), by testing every entry's texts.
enum class TextLookup
{
    Indexed,
    EveryEntry
};
TextLookup textLookupOf(engine::Connection& connection);

// The filter with its words in the order a search reads them best: the word the kept texts say
// the fewest entries hold first (the search starts from its entries and tests the others on
// them). The filter as it is where the file lacks the kept texts or has one word.
EntryFilter rarestWordFirst(engine::Connection& connection, const QString& table, const EntryFilter& filter);

// The condition that keeps the entries of a ledger table ("spend" or "save") the filter lets
// through, for a WHERE; empty when the filter lets every entry through.
QString filterCondition(const QString& table, const EntryFilter& filter, TextLookup lookup);

// The grid's statement of a ledger table: the rows the filter lets through, newest first.
// Without a filter it is the grid's statement as it always was.
QString gridStatement(const QString& table, const EntryFilter& filter, TextLookup lookup);

// One row with the number of those entries (筆數) and the sum of their amounts (合計).
QString countAndSumStatement(const QString& table, const EntryFilter& filter, TextLookup lookup);

// "共 12 筆,合計 3450".
QString foundText(qint64 count, double sum);

// An amount typed into a bound: a number, or nothing for no bound. False for other text.
bool readBound(const QString& text, std::optional<double>& bound);

} // namespace ledger
