#include "Find.h"

#include "engine/Conversions.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

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

QString filterCondition(const EntryFilter& filter)
{
    QStringList conditions;
    for (const QString& word : searchWords(filter.words)) {
        const QString pattern = containsPattern(word);
        QString condition = QStringLiteral("(類型 like %1 escape '\\' or 摘要 like %1 escape '\\' or "
                                           "帳戶 like %1 escape '\\'")
                                .arg(pattern);
        if (const auto number = numberOf(word))
            condition += QStringLiteral(" or 金額 = ") + engine::formatNumber(*number);
        conditions << condition + u')';
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

QString gridStatement(const QString& table, const EntryFilter& filter)
{
    const QString condition = filterCondition(filter);
    if (condition.isEmpty())
        return QStringLiteral("select * from %1 order by 日期 desc").arg(table);
    // A date range alone is read through the date index. Words and amounts are tested on the
    // table's rows in one pass first: walking the date index and looking each row up to test it
    // would cost several times more, and the matching rows are then read in date order.
    if (searchWords(filter.words).isEmpty() && !filter.least && !filter.most)
        return QStringLiteral("select * from %1 where %2 order by 日期 desc").arg(table, condition);
    return QStringLiteral(
               "select * from %1 where 流水號 in (select 流水號 from %1 where %2) order by 日期 desc")
        .arg(table, condition);
}

QString countAndSumStatement(const QString& table, const EntryFilter& filter)
{
    const QString condition = filterCondition(filter);
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
