#pragma once

#include <QString>
#include <vector>

namespace store {

// Removes blanks and control characters (every character up to the space) at both ends.
QString trimBlanks(const QString& text);

// A name as a text literal for a statement: between single quotes, a quote inside it doubled,
// so that a name with an apostrophe matches itself and nothing else.
QString quoted(const QString& name);

// Column widths of a grid W pixels wide showing n columns: (W - 40) / n each, truncated,
// and 2 more for the last. Empty for no columns.
std::vector<int> columnWidths(int gridWidth, int columns);

// "ALTER DATABASE PASSWORD <new> <old>". Each password goes in as typed; one that the statement
// could not carry as one word (blanks, brackets, a semicolon, the word null) goes between brackets, a closing
// bracket inside it doubled.
QString passwordChangeStatement(const QString& newPassword, const QString& oldPassword);

// The password the delivered finance.mdb opens with; the login prompt's reminder names it.
inline constexpr const char16_t* defaultPassword = u"1234";

inline constexpr const char16_t* connectionString =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=finance.mdb;Persist Security Info=False";

// What the login prompt says when nothing usable was typed.
QString passwordReminder();

} // namespace store
