#pragma once

#include <QString>

namespace analysis {

// The toolkit's text-to-integer rule: leading blanks, an optional sign, decimal digits (or
// hexadecimal ones after "$" or "0x"), nothing after them, and a value a signed 32-bit integer
// holds (hexadecimal up to $FFFFFFFF, which the toolkit reads as -1).
bool isInteger(const QString& text);

} // namespace analysis
