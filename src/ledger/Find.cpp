#include "Find.h"

#include "engine/Connection.h"
#include "engine/Conversions.h"
#include "engine/Query.h"
#include "store/LedgerIndexes.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

namespace ledger {

namespace {

// A text literal of the Jet dialect for a LIKE pattern that finds the word anywhere: the
// pattern's own characters (%, _ and the escape) stand for themselves.
QString containsPattern(const QString& word)
{
    QString escaped;
    for (const QChar c : word) {
        if (c == u'%' || c == u'_' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    escaped.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("'%") + escaped + QStringLiteral("%'");
}

std::optional<double> numberOf(const QString& word)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(word, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString dateLiteral(const QDate& day)
{
    return u'#' + day.toString(QStringLiteral("yyyy/MM/dd")) + u'#';
}

} // namespace

bool EntryFilter::isEmpty() const
{
    return searchWords(words).isEmpty() && !from && !to && !least && !most;
}

QStringList searchWords(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}]+"));
    return text.split(blanks, Qt::SkipEmptyParts);
}

TextLookup textLookupOf(engine::Connection& connection)
{
    return connection.hasKeptTable(store::entryTexts::table) ? TextLookup::Indexed : TextLookup::EveryEntry;
}

EntryFilter rarestWordFirst(engine::Connection& connection, const QString& table, const EntryFilter& filter)
{
    namespace texts = store::entryTexts;
    QStringList words = searchWords(filter.words);
    if (words.size() < 2 || textLookupOf(connection) != TextLookup::Indexed)
        return filter;
    // At most the entries that hold a text containing the word, and those of its amount.
    std::vector<std::pair<double, QString>> counted;
    for (const QString& word : words) {
        engine::Query query;
        query.setConnection(&connection);
        query.setSql(
            QStringLiteral("select sum(%1) as n from %2 where %3 = '%4' and %5 like %6 escape '\\'")
                .arg(texts::uses, texts::table, texts::ledger, table, texts::content, containsPattern(word)));
        query.open();
        double entries = query.fieldByName(QStringLiteral("n")).asFloat();
        if (const auto number = numberOf(word)) {
            query.setSql(QStringLiteral("select count(*) as n from %1 where 金額 = %2")
                             .arg(table, engine::formatNumber(*number)));
            query.open();
            entries += query.fieldByName(QStringLiteral("n")).asFloat();
        }
        counted.emplace_back(entries, word);
    }
    std::stable_sort(counted.begin(), counted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    words.clear();
    for (const auto& [entries, word] : counted)
        words << word;
    EntryFilter ordered = filter;
    ordered.words = words.join(u' ');
    return ordered;
}

QString filterCondition(const QString& table, const EntryFilter& filter, TextLookup lookup)
{
    namespace texts = store::entryTexts;
    QStringList conditions;
    bool first = true;
    for (const QString& word : searchWords(filter.words)) {
        const QString pattern = containsPattern(word);
        // The first word reaches its entries through the indexes; the others are tested on
        // those entries (a unary plus keeps a column's index out of it).
        const QString tested = first ? QString() : QStringLiteral("+");
        first = false;
        QStringList matches;
        for (const QString& column : texts::fields) {
            if (lookup == TextLookup::Indexed)
                // The few texts of the column that contain the word, then the entries that hold
                // one of them.
                matches << QStringLiteral(
                               "%8%1 in (select %2 from %3 where %4 = '%5' and %6 = '%1' and %2 like %7 "
                               "escape '\\')")
                               .arg(column, texts::content, texts::table, texts::ledger, table, texts::field,
                                    pattern, tested);
            else
                matches << QStringLiteral("%1 like %2 escape '\\'").arg(column, pattern);
        }
        if (const auto number = numberOf(word))
            matches << tested + QStringLiteral("金額 = ") + engine::formatNumber(*number);
        conditions << u'(' + matches.join(QStringLiteral(" or ")) + u')';
    }
    if (filter.from)
        conditions << QStringLiteral("日期 >= ") + dateLiteral(*filter.from);
    if (filter.to)
        conditions << QStringLiteral("日期 < ") + dateLiteral(filter.to->addDays(1));
    if (filter.least)
        conditions << QStringLiteral("金額 >= ") + engine::formatNumber(*filter.least);
    if (filter.most)
        conditions << QStringLiteral("金額 <= ") + engine::formatNumber(*filter.most);
    return conditions.join(QStringLiteral(" and "));
}

QString gridStatement(const QString& table, const EntryFilter& filter, TextLookup lookup)
{
    const QString condition = filterCondition(table, filter, lookup);
    if (condition.isEmpty())
        return QStringLiteral("select * from %1 order by 日期 desc").arg(table);
    // Without the kept texts, words and amounts are tested on the table's rows in one pass
    // first: walking the date index and looking each row up to test it would cost several times
    // more, and the matching rows are then read in date order.
    if (lookup == TextLookup::EveryEntry &&
        (!searchWords(filter.words).isEmpty() || filter.least || filter.most))
        return QStringLiteral(
                   "select * from %1 where 流水號 in (select 流水號 from %1 where %2) order by 日期 desc")
            .arg(table, condition);
    return QStringLiteral("select * from %1 where %2 order by 日期 desc").arg(table, condition);
}

QString countAndSumStatement(const QString& table, const EntryFilter& filter, TextLookup lookup)
{
    const QString condition = filterCondition(table, filter, lookup);
    return QStringLiteral("select count(*) as 筆數, sum(金額) as 合計 from %1").arg(table) +
           (condition.isEmpty() ? QString() : QStringLiteral(" where ") + condition);
}

QString foundText(qint64 count, double sum)
{
    return QStringLiteral("共 %1 筆,合計 %2").arg(count).arg(engine::formatNumber(sum));
}

bool readBound(const QString& text, std::optional<double>& bound)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        bound.reset();
        return true;
    }
    const auto number = numberOf(trimmed);
    if (!number)
        return false;
    bound = number;
    return true;
}

} // namespace ledger
