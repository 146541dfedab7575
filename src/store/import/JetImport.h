#pragma once

#include <QString>
#include <functional>
#include <vector>

// Bringing a finance.mdb written by the Windows release (a Jet 3 or Jet 4 file) across into a
// new encrypted file of ours, in the shape the Jet file had: every table, column, key and row
// as it was, so that the schema upgrade at the next start brings it up to date exactly as it
// does an older file of ours. The Jet file itself is only ever read.
namespace store {

// Rows written so far and rows in all; called now and then while the tables are copied.
using ImportProgress = std::function<void(qint64 done, qint64 total)>;

struct ImportedTable
{
    QString name;
    qint64 rows = 0;
};

// Reads the Jet file at jetPath and writes a new file at target, keyed with password, which
// must be the Jet file's own database password where it has one (EngineError WrongPassword
// otherwise). target must not exist; it appears only once whole. Throws EngineError naming
// the file and what went wrong when the Jet file cannot be read whole.
std::vector<ImportedTable> importJetFile(const QString& jetPath, const QString& target,
                                         const QString& password, const ImportProgress& progress = {});

struct BroughtAcross
{
    QString keptJetPath; // where the Jet file is kept: "finance.jet.mdb", or with a number added
    std::vector<ImportedTable> tables;
};

// The first start on a Jet finance.mdb: imports it beside itself, keeps the Jet file under
// "finance.jet.mdb" (never overwriting; a number is added when that name is taken) and puts
// the new file in its place. At every moment the path names either the untouched Jet file
// or the whole new one.
BroughtAcross bringAcrossJetFile(const QString& path, const QString& password,
                                 const ImportProgress& progress = {});

} // namespace store
