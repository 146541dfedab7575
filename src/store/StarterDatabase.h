#pragma once

#include <QString>

namespace store {

// Writes the finance.mdb that a new user starts with: the six tables in their current shape
// (the first start adds sub_spend_type), their keys, a few everyday categories and accounts,
// protected by the default password. Refuses to overwrite an existing file.
void writeStarterDatabase(const QString& path, const QString& password);

} // namespace store
