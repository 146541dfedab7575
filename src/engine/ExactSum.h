#pragma once

struct sqlite3;

namespace engine {

// Replaces the file's sum() with one that adds amounts as the decimals they were typed as:
// 0.1 + 0.2 is 0.3 and a year of amounts with cents reads to the cent, where adding their
// binary fractions leaves noise in the last digits. Whole numbers sum as before, to an
// integer; a value with more than six decimals makes the sum a plain floating one.
void registerExactSum(sqlite3* db);

} // namespace engine
