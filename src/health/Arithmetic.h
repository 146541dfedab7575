#pragma once

#include <QString>

// BMI and WHR computed exactly as the health page always has, down to the last digit: the
// height in metres and the BMI quotient held as 32-bit floats, everything else at extended
// precision (long double, the 80-bit type on x86-64), results stored as doubles.
namespace health {

// The number a text holds, read with a decimal point whatever the locale; blanks around it are
// allowed. Throws EngineError (BadValue) naming the text when it holds no finite number.
long double numberOf(const QString& text);

// Value times 100, rounded to the nearest integer with ties to even, times 0.01.
long double roundTwoDecimals(long double value);

// The height in metres as a 32-bit float, from centimetres.
float heightInMetres(long double centimetres);

// Weight over the square of the height, the quotient held as a 32-bit float, to two decimals.
double bmi(long double weight, float height);

// Waistline over hip: the add rounds the extended quotient, the recount a 32-bit float of it.
double whrOfAdd(long double waistline, long double hip);
double whrOfRecount(long double waistline, long double hip);

// The recount's update statements, numbers written with a decimal point.
QString bmiUpdateStatement(double bmi, qint32 serial);
QString whrUpdateStatement(double whr, qint32 serial);

} // namespace health
