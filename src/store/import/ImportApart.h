#pragma once

#include "JetImport.h"
#include "engine/EngineError.h"

#include <functional>

namespace store {

// The refusal of a Windows-era file that cannot be read, naming it and what went wrong.
engine::EngineError unreadable(const QString& path, const QString& detail);

using ImportWork = std::function<std::vector<ImportedTable>(const ImportProgress& progress)>;

// Runs the work (reading the Jet file at jetPath with libmdb, writing the new file) in a child
// process and returns what it wrote: libmdb trusts the file's bytes, and a damaged one can make
// it crash or loop. A child that dies, stops reporting for a minute, or has libmdb print an
// error it does not return, is a refusal naming the file.
std::vector<ImportedTable> runApart(const QString& jetPath, const ImportWork& work,
                                    const ImportProgress& progress);

} // namespace store
