#pragma once

#include "JetTokenizer.h"
#include "Translation.h"

#include <QString>

// Rewrites the system's Jet SQL into SQLite's dialect. The rewrite works on tokens, so that
// text literals and bracketed names are never touched by accident.
namespace engine {

Translation translateJet(const QString& statement);
// A select of one table that turns out to be stored without rowids: the hidden rowid column
// is taken out, and the select is read as any other.
void withoutRowid(Translation& t);

// The canonical declared type for a Jet type name with an optional length: "int" -> "INT",
// "float" -> "FLOAT", "char" -> "CHAR(255)", "varchar(255)" -> "VARCHAR(255)". Empty when unknown.
QString canonicalJetType(const QString& typeName, int length = -1);

// Name of the index that holds a Jet key or index of a table. SQLite index names are global;
// Jet's belong to their table.
QString jetIndexName(const QString& table, const QString& name, bool primary, bool unique);

// Quotes a name for SQLite.
QString quoteName(const QString& name);

} // namespace engine
