#pragma once

#include <QDateTime>
#include <QString>

// Copies of the database file kept in "backups" beside it, made when the program closes.
namespace store {

constexpr int keptBackups = 10;

// Copies the closed database file, still encrypted, into "backups" in its folder as
// "finance-<yyyyMMdd-HHmmss>.mdb" (a number is added when two closes share a second), then
// keeps the `keep` copies written last, the new one always among them. A file with the same
// bytes as the copy written last is not copied again. The database file itself is only read. Returns the new
// copy's path, or empty when none was needed; throws EngineError naming the backup when the copy fails.
QString backUpDatabase(const QString& databasePath, const QDateTime& now, int keep = keptBackups);

} // namespace store
