#include "ExactSum.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sqlite3.h>
#include <string>

namespace engine {

namespace {

__extension__ typedef __int128 Wide;
__extension__ typedef unsigned __int128 UnsignedWide;

constexpr double scale = 1e6;
constexpr long long scaleDigits = 6;
// Beyond this a value's millionths pass 2^53, where a double no longer holds every integer, so
// its decimal could not be told apart from its neighbours'.
constexpr double largestScaled = 9e9;

struct Sum
{
    Wide millionths = 0;         // the exact sum while every value had at most six decimals
    long double approximate = 0; // the plain sum, used once a value had more
    long long values = 0;        // values that were not Null
    bool real = false;           // a value that was not an integer: the sum is a float
    bool inexact = false;
};

// The value's decimal in millionths, when it has no more than six decimals.
bool millionthsOf(double value, long long& scaled)
{
    if (!std::isfinite(value) || std::fabs(value) >= largestScaled)
        return false;
    scaled = std::llround(value * scale);
    return double(scaled) / scale == value;
}

void add(Sum& sum, sqlite3_value* value)
{
    const int type = sqlite3_value_numeric_type(value);
    if (type == SQLITE_NULL)
        return;
    ++sum.values;
    if (type == SQLITE_INTEGER) {
        const long long integer = sqlite3_value_int64(value);
        sum.millionths += Wide(integer) * 1000000;
        sum.approximate += static_cast<long double>(integer);
        return;
    }
    sum.real = true;
    const double real = sqlite3_value_double(value);
    sum.approximate += static_cast<long double>(real);
    long long scaled = 0;
    if (!sum.inexact && millionthsOf(real, scaled))
        sum.millionths += Wide(scaled);
    else
        sum.inexact = true;
}

// The sum kept by SQLite for the group, placed at the alignment its wide fields need: SQLite
// gives eight bytes. With no room asked for, the one already there, or null.
Sum* sumOf(sqlite3_context* context, bool make)
{
    auto* raw =
        static_cast<char*>(sqlite3_aggregate_context(context, make ? int(sizeof(Sum) + alignof(Sum)) : 0));
    if (!raw)
        return nullptr;
    const auto address = reinterpret_cast<std::uintptr_t>(raw);
    return reinterpret_cast<Sum*>((address + alignof(Sum) - 1) & ~std::uintptr_t(alignof(Sum) - 1));
}

void step(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (Sum* sum = sumOf(context, true))
        add(*sum, argv[0]);
}

// The nearest double to a count of millionths. Within 2^53 both operands are exact and one
// division rounds once; beyond it, through the decimal text, read without regard to the locale.
double fromMillionths(Wide millionths)
{
    constexpr Wide exactLimit = Wide(1) << 53;
    if (millionths <= exactLimit && millionths >= -exactLimit)
        return double(static_cast<long long>(millionths)) / scale;
    const bool negative = millionths < 0;
    UnsignedWide magnitude =
        negative ? -static_cast<UnsignedWide>(millionths) : static_cast<UnsignedWide>(millionths);
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    digits.insert(digits.end() - scaleDigits, '.');
    if (negative)
        digits.insert(digits.begin(), '-');
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

void result(sqlite3_context* context, const Sum* sum)
{
    if (!sum || sum->values == 0) {
        sqlite3_result_null(context);
        return;
    }
    if (sum->inexact) {
        sqlite3_result_double(context, double(sum->approximate));
        return;
    }
    if (sum->real) {
        sqlite3_result_double(context, fromMillionths(sum->millionths));
        return;
    }
    const Wide integer = sum->millionths / 1000000;
    if (integer > std::numeric_limits<long long>::max() || integer < std::numeric_limits<long long>::min()) {
        sqlite3_result_error(context, "integer overflow", -1);
        return;
    }
    sqlite3_result_int64(context, static_cast<long long>(integer));
}

void finish(sqlite3_context* context)
{
    result(context, sumOf(context, false));
}

} // namespace

void registerExactSum(sqlite3* db)
{
    sqlite3_create_function(db, "sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, step, finish);
}

} // namespace engine
