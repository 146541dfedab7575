// The title click's sort of the rows read: a permutation over them, stable.
#include "Connection.h"
#include "EngineError.h"
#include "JetTranslator.h"
#include "Query.h"
#include "Sqlite.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

using Kind = EngineError::Kind;

namespace {

// A float's bits as an unsigned number in the float's order: Null below every number, both
// zeros alike. Not a number has no place and gives false.
bool orderedBits(double number, int rank, quint64& bits)
{
    if (rank == 0) {
        bits = 0;
        return true;
    }
    if (std::isnan(number))
        return false;
    if (number == 0)
        number = 0;
    std::memcpy(&bits, &number, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
    return true;
}

} // namespace

// Sorts by rank, then number, keeping the order of equal keys: a radix sort on the numbers'
// bits, a byte at a time from the lowest (each pass is stable), which on a ledger's amounts is
// several times faster than comparing.
template <typename Key> void sortNumbersStably(std::vector<Key>& keys)
{
    std::vector<quint64> bits(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        if (!orderedBits(keys[i].number, keys[i].rank, bits[i])) {
            std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
                return a.rank != b.rank ? a.rank < b.rank : a.number < b.number;
            });
            return;
        }
    std::vector<Key> other(keys.size());
    std::vector<quint64> otherBits(keys.size());
    for (int shift = 0; shift < 64; shift += 8) {
        size_t count[257] = {};
        for (quint64 b : bits)
            ++count[((b >> shift) & 0xff) + 1];
        if (std::any_of(std::begin(count) + 1, std::end(count), [&](size_t n) { return n == keys.size(); }))
            continue; // every key has the same byte here
        for (int d = 0; d < 256; ++d)
            count[d + 1] += count[d];
        for (size_t i = 0; i < keys.size(); ++i) {
            const size_t to = count[(bits[i] >> shift) & 0xff]++;
            other[to] = keys[i];
            otherBits[to] = bits[i];
        }
        keys.swap(other);
        bits.swap(otherBits);
    }
}

// The common title click, a column of floats (amounts, weights): the keys sorted as plain
// numbers beside their rows' places. False, with nothing done, for any other column.
bool Query::sortByOneNumber(int column, bool descending)
{
    Sorting& sorting = m_sorting;
    using NumberKey = Sorting::NumberKey;
    if (sorting.numbersColumn != column || sorting.numbersVersion != m_rows.version()) {
        std::vector<NumberKey> keys(m_rows.size());
        bool numbers = true;
        forEachInColumn(column, [&](size_t r, const QVariant& value) {
            if (value.isNull())
                keys[r] = {0, 0, int(r)};
            else if (value.typeId() == QMetaType::Double)
                keys[r] = {value.toDouble(), 1, int(r)};
            else
                numbers = false;
        });
        if (!numbers)
            return false;
        // The keys start in the rows' order, which a stable sort keeps among equal keys.
        sortNumbersStably(keys);
        sorting.numbersColumn = column;
        sorting.numbersVersion = m_rows.version();
        sorting.ascending = std::move(keys);
    }
    const std::vector<NumberKey>& keys = sorting.ascending;
    m_sorting.view.resize(keys.size());
    if (!descending) {
        for (size_t r = 0; r < keys.size(); ++r)
            m_sorting.view[r] = keys[r].index;
        return true;
    }
    // Descending: the runs of equal keys from the last, each run keeping its rows' order.
    size_t out = 0;
    for (size_t end = keys.size(); end > 0;) {
        size_t begin = end - 1;
        while (begin > 0 && keys[begin - 1].rank == keys[end - 1].rank &&
               keys[begin - 1].number == keys[end - 1].number)
            --begin;
        for (size_t r = begin; r < end; ++r)
            m_sorting.view[out++] = keys[r].index;
        end = begin;
    }
    return true;
}

void Query::setSort(const QString& order)
{
    if (m_state == State::Inactive)
        throw EngineError(Kind::NotOpen, QStringLiteral("查詢尚未開啟,無法排序。"));
    checkBrowseMode();
    struct Key
    {
        int column;
        bool descending;
    };
    std::vector<Key> keys;
    for (QString part : order.split(u',', Qt::SkipEmptyParts)) {
        part = part.trimmed();
        bool descending = false;
        if (part.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            descending = true;
            part.chop(5);
        } else if (part.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            part.chop(4);
        }
        part = part.trimmed();
        if (part.startsWith(u'[') && part.endsWith(u']'))
            part = part.mid(1, part.size() - 2);
        const int column = fieldIndex(part);
        if (column < 0)
            throw EngineError(Kind::Syntax, QStringLiteral("找不到欄位 %1,無法排序。").arg(part));
        keys.push_back({column, descending});
    }
    // The rows keep their statement's order as they are stored (rows added since come last),
    // so equal keys keep their stored order.
    const size_t count = m_rows.size();
    if (keys.size() == 1 && sortByOneNumber(keys.front().column, keys.front().descending)) {
        sorted(order);
        return;
    }
    // Each row's keys are read out of their values once.
    struct SortKey
    {
        int rank = 0; // 0 Null, 1 number, 2 text
        bool whole = false;
        qint64 integer = 0;
        double number = 0;
        QString text;
    };
    std::vector<std::vector<SortKey>> sortKeys(keys.size(), std::vector<SortKey>(count));
    for (size_t k = 0; k < keys.size(); ++k) {
        forEachInColumn(keys[k].column, [&](size_t r, const QVariant& value) {
            SortKey& key = sortKeys[k][r];
            if (value.isNull())
                return;
            if (value.typeId() == QMetaType::LongLong) {
                key = {1, true, value.toLongLong(), double(value.toLongLong()), {}};
            } else if (value.typeId() == QMetaType::Double) {
                key = {1, false, 0, value.toDouble(), {}};
            } else {
                key.rank = 2;
                key.text = value.toString().toCaseFolded();
            }
        });
    }
    auto compareKeys = [](const SortKey& a, const SortKey& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank ? -1 : 1;
        if (a.rank == 1) {
            if (a.whole && b.whole)
                return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
            return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
        }
        return a.rank == 2 ? a.text.compare(b.text) : 0;
    };
    std::vector<int> positions(count);
    for (size_t r = 0; r < count; ++r)
        positions[r] = int(r);
    std::sort(positions.begin(), positions.end(), [&](int a, int b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int c = compareKeys(sortKeys[k][size_t(a)], sortKeys[k][size_t(b)]);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return a < b;
    });
    // The rows stay where they are, in the statement's order; the view goes through the sort.
    m_sorting.view.assign(positions.begin(), positions.end());
    sorted(order);
}

// The view is in the new order: shown from its first row.
void Query::sorted(const QString& order)
{
    m_sorting.order = order;
    Q_EMIT reordered();
    m_current = m_rows.empty() ? -1 : 0;
    m_eof = m_rows.empty();
    Q_EMIT currentChanged(m_current);
}

} // namespace engine
