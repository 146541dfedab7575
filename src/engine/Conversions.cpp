#include "Conversions.h"

#include "EngineError.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {

namespace {

bool containsAny(const QString& text, std::initializer_list<const char*> words)
{
    for (const char* word : words)
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

EngineError badValue(const QString& value, const QString& column, const QString& what)
{
    return EngineError(EngineError::Kind::BadValue,
                       QStringLiteral("「%1」不是欄位 %2 可接受的%3。").arg(value, column, what));
}

// How many significant digits a number text that parseNumberText took needs when written
// out in full: from its first non-zero digit to its last non-zero decimal, or to the units
// for a whole number, whose trailing zeros count ("1e20" needs 21).
qint64 significantDigits(const QString& text)
{
    const QString number = text.trimmed();
    QString digits;
    qint64 point = -1;
    int i = 0;
    if (i < number.size() && (number[i] == u'+' || number[i] == u'-'))
        ++i;
    for (; i < number.size() && (number[i] == u'.' || (number[i] >= u'0' && number[i] <= u'9')); ++i) {
        if (number[i] == u'.')
            point = digits.size();
        else
            digits += number[i];
    }
    if (point < 0)
        point = digits.size();
    if (i < number.size()) { // the exponent, held to far past anything a double reaches
        bool ok = false;
        qint64 exponent = number.mid(i + 1).toLongLong(&ok);
        if (!ok || exponent > 100000 || exponent < -100000)
            exponent = number.mid(i + 1).startsWith(u'-') ? -100000 : 100000;
        point += exponent;
    }
    qsizetype leading = 0;
    while (leading < digits.size() && digits[leading] == u'0')
        ++leading;
    digits.remove(0, leading);
    point -= leading;
    if (digits.isEmpty())
        return 0;
    if (point >= digits.size())
        return point;
    while (digits.size() > std::max<qint64>(point, 0) && digits.endsWith(u'0'))
        digits.chop(1);
    return digits.size();
}

} // namespace

ColumnKind kindFromDeclaredType(const QString& declaredType)
{
    if (declaredType.isEmpty())
        return ColumnKind::Unknown;
    if (containsAny(declaredType, {"DATE", "TIME"}))
        return ColumnKind::Date;
    if (containsAny(declaredType, {"CHAR", "TEXT", "CLOB", "MEMO"}))
        return ColumnKind::Text;
    if (containsAny(declaredType, {"INT", "BIT"}))
        return ColumnKind::Integer;
    if (containsAny(declaredType, {"REAL", "FLOA", "DOUB", "NUMERIC", "DECIMAL", "CURRENCY", "MONEY"}))
        return ColumnKind::Float;
    return ColumnKind::Unknown;
}

int textLimitFromDeclaredType(const QString& declaredType)
{
    static const QRegularExpression limit(QStringLiteral("CHAR\\s*\\(\\s*(\\d+)\\s*\\)"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto match = limit.match(declaredType);
    bool ok = false;
    const int length = match.hasMatch() ? match.captured(1).toInt(&ok) : -1;
    return ok && length > 0 ? length : -1;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return floor + 1.0;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

QString formatNumber(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    // The 15-digit text of the largest numbers rounds past the largest double; round toward 0.
    if (magnitude >= 1.797693134862315e308 && std::isfinite(value))
        return value < 0 ? QStringLiteral("-1.79769313486231e+308") : QStringLiteral("1.79769313486231e+308");
    // Amounts are mostly whole: those print as integers, far faster than the general path.
    if (magnitude < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    // Amounts in cents: whole cents print from integers too.
    if (magnitude < 1e13) {
        const double cents = std::round(value * 100.0);
        if (cents / 100.0 == value) {
            const qint64 whole = qint64(cents);
            const qint64 units = whole / 100;
            const int fraction = int(std::llabs(whole % 100));
            QString text =
                (value < 0 && units == 0 ? QStringLiteral("-") : QString()) + QString::number(units);
            text += fraction % 10 == 0 ? QStringLiteral(".%1").arg(fraction / 10)
                                       : QStringLiteral(".%1").arg(fraction, 2, 10, QLatin1Char('0'));
            return text;
        }
    }
    // The shortest text that reads back as the value is the 15-digit text whenever it has
    // no more than 15 digits; in this range neither uses an exponent.
    if (magnitude >= 1e-3 && magnitude < 1e15) {
        const QString shortest = QString::number(value, 'g', QLocale::FloatingPointShortest);
        int digits = 0;
        bool leading = true;
        for (QChar c : shortest) {
            if (!c.isDigit())
                continue;
            if (leading && c == u'0')
                continue;
            leading = false;
            ++digits;
        }
        if (digits <= 15)
            return shortest;
    }
    return QString::number(value, 'g', 15);
}

bool parseDateText(const QString& text, QString* stored)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{1,4})[/-](\\d{1,2})[/-](\\d{1,2})(?:[ T]+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return false;
    const int year = match.captured(1).toInt();
    const QDate date(year, match.captured(2).toInt(), match.captured(3).toInt());
    if (year < 100 || !date.isValid())
        return false;
    int hour = 0, minute = 0, second = 0;
    if (match.hasCaptured(4)) {
        hour = match.captured(4).toInt();
        minute = match.captured(5).toInt();
        second = match.hasCaptured(6) ? match.captured(6).toInt() : 0;
        if (hour > 23 || minute > 59 || second > 59)
            return false;
    }
    QString result = QString::asprintf("%04d-%02d-%02d", date.year(), date.month(), date.day());
    if (hour || minute || second)
        result += QString::asprintf(" %02d:%02d:%02d", hour, minute, second);
    *stored = result;
    return true;
}

bool parseNumberText(const QString& text, double* value)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!form.match(text).hasMatch())
        return false;
    bool ok = false;
    const double parsed = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

QVariant textToStored(const QString& text, ColumnKind kind, int textLimit, const QString& column)
{
    if (text.isEmpty())
        return {};
    switch (kind) {
    case ColumnKind::Date: {
        QString stored;
        if (!parseDateText(text, &stored))
            throw badValue(text, column, QStringLiteral("日期 (例如 2012/01/05)"));
        return stored;
    }
    case ColumnKind::Float: {
        double number = 0;
        if (!parseNumberText(text, &number))
            throw badValue(text, column, QStringLiteral("數值"));
        // A double holds 15 significant digits exactly; storing more would store another number.
        const qint64 digits = significantDigits(text);
        if (digits > 15)
            throw badValue(text, column,
                           QStringLiteral("數值 (最多 15 位有效數字,這個數值有 %1 位)").arg(digits));
        if (digits > 0 && std::fabs(number) < std::numeric_limits<double>::min())
            throw badValue(text, column, QStringLiteral("數值 (太接近 0,無法準確存放)"));
        return number;
    }
    case ColumnKind::Integer: {
        double number = 0;
        if (!parseNumberText(text, &number))
            throw badValue(text, column, QStringLiteral("整數"));
        return floatToStored(number, kind, column);
    }
    case ColumnKind::Text:
    case ColumnKind::Unknown:
        if (textLimit >= 0 && text.size() > textLimit)
            throw EngineError(EngineError::Kind::BadValue,
                              QStringLiteral("欄位 %1 最多只能存放 %2 個字元,這段文字有 %3 個字元。")
                                  .arg(column)
                                  .arg(textLimit)
                                  .arg(text.size()));
        return text;
    }
    return text;
}

void requireStorableText(const QString& text, const QString& column, bool keyColumn)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20)
            continue;
        if (!keyColumn && (u == u'\t' || u == u'\n' || u == u'\r'))
            continue;
        throw EngineError(
            EngineError::Kind::BadValue,
            QStringLiteral("欄位 %1 的文字含有控制字元 (U+%2),這段文字沒有存入。")
                .arg(column, QStringLiteral("%1").arg(uint(u), 4, 16, QLatin1Char('0')).toUpper()));
    }
}

QVariant floatToStored(double value, ColumnKind kind, const QString& column)
{
    if (!std::isfinite(value))
        throw badValue(formatNumber(value), column, QStringLiteral("數值"));
    switch (kind) {
    case ColumnKind::Integer: {
        const double rounded = roundHalfEven(value);
        if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
            throw badValue(formatNumber(value), column, QStringLiteral("整數 (超出範圍)"));
        return qint64(rounded);
    }
    case ColumnKind::Text:
        return formatNumber(value);
    case ColumnKind::Date:
        throw badValue(formatNumber(value), column, QStringLiteral("日期"));
    default:
        return value;
    }
}

QString storedToText(const QVariant& value, ColumnKind kind)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return formatNumber(value.toDouble());
    default:
        break;
    }
    QString text = value.toString();
    if (kind == ColumnKind::Date && text.size() >= 10 && text[4] == u'-' && text[7] == u'-') {
        text[4] = u'/';
        text[7] = u'/';
    }
    return text;
}

double storedToFloat(const QVariant& value, const QString& column)
{
    if (value.isNull())
        return 0.0;
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return double(value.toLongLong());
    case QMetaType::Double:
        return value.toDouble();
    default:
        break;
    }
    double number = 0;
    if (!parseNumberText(value.toString(), &number))
        throw badValue(value.toString(), column, QStringLiteral("數值"));
    return number;
}

qint64 storedToInt64(const QVariant& value, const QString& column)
{
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    const double rounded = roundHalfEven(storedToFloat(value, column));
    // 2^63 is exactly representable; anything at or past it does not fit.
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        throw badValue(storedToText(value, ColumnKind::Unknown), column, QStringLiteral("整數 (超出範圍)"));
    return qint64(rounded);
}

qint32 storedToInt32(const QVariant& value, const QString& column)
{
    const qint64 wide = storedToInt64(value, column);
    if (wide < std::numeric_limits<qint32>::min() || wide > std::numeric_limits<qint32>::max())
        throw badValue(QString::number(wide), column, QStringLiteral("整數 (超出 32 位元範圍)"));
    return qint32(wide);
}

} // namespace engine
