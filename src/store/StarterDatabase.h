#pragma once

#include <QString>

namespace store {

// Writes the finance.mdb that a new user starts with: the six tables in their current shape
// (the first start adds sub_spend_type), their keys, a few everyday categories and accounts,
// protected by the default password. The file is readable and writable by its owner only, and
// appears under its name only once whole: it is filled under a hidden name in the same folder
// and renamed. Refuses to overwrite anything already at the name, even a link to nothing.
// Errors name the path.
void writeStarterDatabase(const QString& path, const QString& password);

} // namespace store
