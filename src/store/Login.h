#pragma once

#include <QString>

namespace store {

// The password the delivered finance.mdb opens with; the login prompt's reminder names it.
inline constexpr const char16_t* defaultPassword = u"1234";

inline constexpr const char16_t* connectionString =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=finance.mdb;Persist Security Info=False";

QString passwordReminder();

} // namespace store
