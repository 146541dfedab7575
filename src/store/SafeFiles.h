#pragma once

#include "engine/EngineError.h"

#include <QDir>
#include <QString>

// Writing a database file so that it appears under its name only once whole: it is filled
// under a hidden name of its own in the same folder, synced, and renamed. A writer killed half
// way leaves only its hidden file, which the next writer clears.
namespace store::files {

QByteArray encoded(const QString& path);
// The reason an errno gives, in words the user reads.
QString systemError(int error);
QString lastSystemError();

// A link is a taken name even when it points nowhere: writing through it would create its target.
bool nameTaken(const QString& path);

engine::EngineError alreadyThere(const QString& path);
engine::EngineError cannotWrite(const QString& path, const QString& detail,
                                engine::EngineError::Kind kind = engine::EngineError::Kind::Other);

// ".finance.mdb.partial-<pid>" beside path: the hidden name this process fills.
QString partialPathFor(const QString& absolutePath);
// Clears the hidden files of writers that were killed, never one another writer still fills:
// those for name, or every one in the folder when name is empty.
void clearAbandonedParts(const QDir& folder, const QString& name);
void removeWithSidecars(const QString& path);
bool syncToDisk(const QString& path, int flags);
void syncFolder(const QString& folder);
// Gives the whole file its final name, unless something took that name meanwhile.
void placeWithoutOverwrite(const QString& from, const QString& to);

} // namespace store::files
