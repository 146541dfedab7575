#pragma once

struct sqlite3;

namespace engine {

// The SQL functions the translated statements call: year() and month() of a stored date,
// jet_convert() for ALTER COLUMN, and the exact sum().
void registerSqlFunctions(sqlite3* db);

} // namespace engine
