#pragma once

#include <QString>
#include <QVariant>

// Field conversions between what the handlers hand over (texts and floats), what the
// file stores (ISO date text, REAL, INTEGER, TEXT) and what the handlers read back.
namespace engine {

enum class ColumnKind
{
    Integer,
    Float,
    Text,
    Date,
    Unknown
};

ColumnKind kindFromDeclaredType(const QString& declaredType);
// The length limit of a "VARCHAR(255)" or "CHAR(10)" column, or -1 when it has none.
int textLimitFromDeclaredType(const QString& declaredType);

double roundHalfEven(double value);
// General number text: up to 15 significant digits, no separators, "." as decimal point.
QString formatNumber(double value);

// Parses "yyyy/M/d" or "yyyy-M-d" with an optional time of day into the stored form
// "YYYY-MM-DD" (" HH:MM:SS" appended only for a time other than midnight).
bool parseDateText(const QString& text, QString* stored);
// Parses a decimal number written with "."; blanks around it are allowed.
bool parseNumberText(const QString& text, double* value);

// Text handed to a column of the given kind, turned into the value to store. Empty text is
// Null. Throws EngineError (BadValue) naming the value and the column when it does not convert.
QVariant textToStored(const QString& text, ColumnKind kind, int textLimit, const QString& column);
// A text written to a text column holds no control character: every statement that names it
// must be able to carry it. Tabs and line breaks are kept in notes, never in a key.
void requireStorableText(const QString& text, const QString& column, bool keyColumn);
QVariant floatToStored(double value, ColumnKind kind, const QString& column);

// Reading a stored value back. Null reads as empty text and as 0.
QString storedToText(const QVariant& value, ColumnKind kind);
double storedToFloat(const QVariant& value, const QString& column);
qint64 storedToInt64(const QVariant& value, const QString& column);
qint32 storedToInt32(const QVariant& value, const QString& column);

} // namespace engine
