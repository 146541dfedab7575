#include "Arithmetic.h"

#include "engine/Conversions.h"
#include "engine/EngineError.h"

#include <charconv>
#include <cmath>

namespace health {

long double numberOf(const QString& text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    long double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    const bool digitsOnly =
        begin != end && (std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.');
    if (error != std::errc() || stop != end || !digitsOnly || !std::isfinite(value) ||
        text.contains(QChar(0)))
        throw engine::EngineError(engine::EngineError::Kind::BadValue,
                                  QStringLiteral("「%1」不是有效的數值。").arg(text));
    return negative ? -value : value;
}

long double roundTwoDecimals(long double value)
{
    return std::nearbyintl(value * 100.0L) * 0.01L;
}

float heightInMetres(long double centimetres)
{
    return static_cast<float>(centimetres * 0.01L);
}

double bmi(long double weight, float height)
{
    const long double square = static_cast<long double>(height) * static_cast<long double>(height);
    const float quotient = static_cast<float>(weight / square);
    return static_cast<double>(roundTwoDecimals(quotient));
}

double whrOfAdd(long double waistline, long double hip)
{
    return static_cast<double>(roundTwoDecimals(waistline / hip));
}

double whrOfRecount(long double waistline, long double hip)
{
    return static_cast<double>(roundTwoDecimals(static_cast<float>(waistline / hip)));
}

QString bmiUpdateStatement(double bmi, qint32 serial)
{
    return QStringLiteral("update weight set BMI = ") + engine::formatNumber(bmi) +
           QStringLiteral(" where 流水號 = ") + QString::number(serial);
}

QString whrUpdateStatement(double whr, qint32 serial)
{
    return QStringLiteral("update weight set WHR = ") + engine::formatNumber(whr) +
           QStringLiteral(" where 流水號 = ") + QString::number(serial);
}

} // namespace health
