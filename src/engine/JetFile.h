#pragma once

#include <QString>
#include <optional>

// What the first page of a Windows-era database file (Jet 3 or Jet 4, "Standard Jet DB")
// tells without reading its tables: which version wrote it and its database password.
namespace engine {

struct JetHeader
{
    bool jet4 = false;
    int pageSize = 4096;
    // Empty when the file has no database password.
    QString password;
};

// The header of a Jet file, or nothing when the file is not one (or cannot be read).
std::optional<JetHeader> readJetHeader(const QString& path);
bool isJetFile(const QString& path);
// Jet compares its database password exactly, case included; a file without one takes any.
bool jetPasswordMatches(const JetHeader& header, const QString& typed);

} // namespace engine
