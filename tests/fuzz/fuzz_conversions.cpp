// libFuzzer target for the field conversions. The input is read as text for every column kind,
// and its bytes are read as doubles for the number formatting. An EngineError is the expected
// answer to a value that does not convert; every other exception, a crash or a sanitizer report
// is a bug, and so is a broken round trip.
#include "engine/Conversions.h"
#include "engine/EngineError.h"

#include <QRegularExpression>
#include <QString>
#include <QVariant>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>

using engine::ColumnKind;
using engine::EngineError;

namespace {

const QString column = QStringLiteral("欄位");

[[noreturn]] void fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "fuzz_conversions: %s\n", what);
    // Control characters are written as escapes, so that the message shows the whole text.
    QString shown;
    for (QChar c : detail)
        shown += c.unicode() < 0x20 && c != u'\n' ? QString::asprintf("\\x%02x", c.unicode()) : QString(c);
    if (!shown.isEmpty())
        std::fprintf(stderr, "  %s\n", shown.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

void check(bool condition, const char* what, const QString& detail = QString())
{
    if (!condition)
        fail(what, detail);
}

QString show(double value)
{
    return QString::number(value, 'g', 17);
}

// Runs a conversion that may refuse the value; true when it did not.
template <typename F> bool converts(F&& f)
{
    try {
        f();
        return true;
    } catch (const EngineError& error) {
        check(error.kind() == EngineError::Kind::BadValue,
              "a conversion threw an EngineError other than BadValue", error.message());
        check(!error.message().isEmpty(), "EngineError without a message");
        return false;
    }
}

void checkDate(const QString& text)
{
    static const QRegularExpression storedForm(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}( \\d{2}:\\d{2}:\\d{2})?$"));
    QString stored;
    if (!engine::parseDateText(text, &stored))
        return;
    check(storedForm.match(stored).hasMatch(), "a parsed date is not in the stored form",
          text + QStringLiteral(" -> ") + stored);
    QString again;
    check(engine::parseDateText(stored, &again) && again == stored, "a stored date does not parse to itself",
          stored + QStringLiteral(" -> ") + again);
    const QString shown = engine::storedToText(stored, ColumnKind::Date);
    check(engine::parseDateText(shown, &again) && again == stored,
          "a shown date does not parse to its stored form", shown + QStringLiteral(" -> ") + again);
}

// Within 15 significant digits, allowing for the coarse steps of subnormal numbers.
bool close(double a, double b)
{
    return std::fabs(a - b) <= 5.2e-15 * std::fabs(a) + std::numeric_limits<double>::denorm_min();
}

void checkNumberText(double value)
{
    if (!std::isfinite(value))
        return;
    const QString text = engine::formatNumber(value);
    const double magnitude = std::fabs(value);
    // Only what rounds to 1e15 at 15 digits may show as 1e+15.
    if (magnitude >= 1e-3 && magnitude < 999999999999999.5)
        check(!text.contains(u'e'), "a number of ordinary size was written with an exponent",
              show(value) + QStringLiteral(" -> ") + text);
    if (value == std::trunc(value) && magnitude < 1e15)
        check(!text.contains(u'.') && !text.contains(u'e'), "a whole number was not written as an integer",
              show(value) + QStringLiteral(" -> ") + text);
    double back = 0;
    check(engine::parseNumberText(text, &back), "formatNumber wrote a text parseNumberText refuses",
          show(value) + QStringLiteral(" -> ") + text);
    check(close(value, back), "formatNumber lost more than 15 significant digits",
          show(value) + QStringLiteral(" -> ") + text + QStringLiteral(" -> ") + show(back));
    check(engine::formatNumber(back) == text, "formatNumber does not show its own reading the same",
          text + QStringLiteral(" -> ") + engine::formatNumber(back));
}

void checkRounding(double value)
{
    const double rounded = engine::roundHalfEven(value);
    if (!std::isfinite(value)) {
        check(std::isnan(value) ? std::isnan(rounded) : rounded == value,
              "rounding changed a non-finite value");
        return;
    }
    check(rounded == std::trunc(rounded), "roundHalfEven gave a fraction",
          show(value) + QStringLiteral(" -> ") + show(rounded));
    const double distance = std::fabs(rounded - value);
    check(distance <= 0.5, "roundHalfEven moved more than one half",
          show(value) + QStringLiteral(" -> ") + show(rounded));
    if (distance == 0.5)
        check(std::fmod(rounded, 2.0) == 0.0, "roundHalfEven broke a tie away from the even number",
              show(value) + QStringLiteral(" -> ") + show(rounded));
}

// What every stored value must survive: reading it back as text, as a float and as integers.
void readBack(const QVariant& stored, ColumnKind kind)
{
    const QString text = engine::storedToText(stored, kind);
    if (stored.isNull())
        check(text.isEmpty(), "Null did not read as empty text");
    double number = 0;
    converts([&] { number = engine::storedToFloat(stored, column); });
    if (stored.isNull())
        check(number == 0.0, "Null did not read as 0");
    qint64 wide = 0;
    if (converts([&] { wide = engine::storedToInt64(stored, column); })) {
        qint32 narrow = 0;
        if (converts([&] { narrow = engine::storedToInt32(stored, column); }))
            check(narrow == wide, "the 32-bit reading differs from the 64-bit one");
    }
}

void checkFloatToStored(double value)
{
    for (ColumnKind kind :
         {ColumnKind::Integer, ColumnKind::Float, ColumnKind::Text, ColumnKind::Date, ColumnKind::Unknown}) {
        QVariant stored;
        if (!converts([&] { stored = engine::floatToStored(value, kind, column); }))
            continue;
        check(std::isfinite(value), "a non-finite number was stored");
        check(kind != ColumnKind::Date, "a number was stored in a date column");
        if (kind == ColumnKind::Integer) {
            const qint64 n = stored.toLongLong();
            check(stored.typeId() == QMetaType::LongLong && n >= std::numeric_limits<qint32>::min() &&
                      n <= std::numeric_limits<qint32>::max(),
                  "an integer column got something other than a 32-bit integer", show(value));
            check(double(n) == engine::roundHalfEven(value),
                  "an integer column got another number than the rounding", show(value));
        }
        readBack(stored, kind);
    }
}

void checkText(const QString& text, int limit)
{
    for (ColumnKind kind :
         {ColumnKind::Integer, ColumnKind::Float, ColumnKind::Text, ColumnKind::Date, ColumnKind::Unknown}) {
        QVariant stored;
        if (!converts([&] { stored = engine::textToStored(text, kind, limit, column); }))
            continue;
        if (text.isEmpty()) {
            check(stored.isNull(), "empty text was not stored as Null");
            readBack(stored, kind);
            continue;
        }
        switch (kind) {
        case ColumnKind::Integer:
            check(stored.typeId() == QMetaType::LongLong, "an integer column stored a non-integer", text);
            break;
        case ColumnKind::Float: {
            check(stored.typeId() == QMetaType::Double && std::isfinite(stored.toDouble()),
                  "a float column stored something other than a finite double", text);
            // What a float column takes from a text, it shows as a text that reads back the same.
            const QString shown = engine::storedToText(stored, kind);
            double back = 0;
            check(engine::parseNumberText(shown, &back) && back == stored.toDouble(),
                  "a stored number does not read back from its text", text + QStringLiteral(" -> ") + shown);
            break;
        }
        case ColumnKind::Date: {
            QString parsed;
            check(engine::parseDateText(text, &parsed) && stored.toString() == parsed,
                  "a date column stored something other than the parsed date", text);
            break;
        }
        case ColumnKind::Text:
        case ColumnKind::Unknown:
            check(stored.toString() == text, "a text column changed the text", text);
            check(limit < 0 || text.size() <= limit, "a text column took a text over its limit", text);
            break;
        }
        readBack(stored, kind);
    }
}

double doubleAt(const uint8_t* data)
{
    double value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void run(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    checkDate(text);

    double number = 0;
    if (engine::parseNumberText(text, &number)) {
        check(std::isfinite(number), "parseNumberText gave a non-finite number", text);
        checkNumberText(number);
        checkRounding(number);
        checkFloatToStored(number);
    }

    static const int limits[] = {-1, 0, 1, 10, 255};
    const int limit = size > 0 ? limits[data[0] % std::size(limits)] : -1;
    checkText(text, limit);
    // The same text as a declared type.
    engine::kindFromDeclaredType(text);
    engine::textLimitFromDeclaredType(text);

    // The raw bytes as doubles: the first eight, the last eight.
    if (size >= sizeof(double)) {
        for (double value : {doubleAt(data), doubleAt(data + size - sizeof(double))}) {
            checkNumberText(value);
            checkRounding(value);
            checkFloatToStored(value);
            readBack(QVariant(value), ColumnKind::Float);
            readBack(QVariant(engine::formatNumber(value)), ColumnKind::Text);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        run(data, size);
    } catch (const EngineError& error) {
        fail("an EngineError escaped where none was expected", error.message());
    } catch (const std::exception& error) {
        fail("unexpected exception", QString::fromUtf8(error.what()));
    } catch (...) {
        fail("unexpected exception of an unknown type");
    }
    return 0;
}
