#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace engine {
class Connection;
enum class ColumnKind;
} // namespace engine

// Every table of the database as a CSV file of its own: UTF-8 with a byte-order mark (so that
// spreadsheets read the Han text as it is), a header row of the column names, CRLF line ends,
// RFC 4180 quoting. Dates read "yyyy/MM/dd" (with the time of day where one is stored),
// numbers as stored, Null as an empty field and an empty text as "".
namespace store {

struct ExportedTable
{
    QString table;
    QString file;
    qint64 rows = 0;
};

// Writes "<table>.csv" into folder (made, private to its owner, when missing) for each table,
// the ledger's own first, each file readable by its owner only. The files replace those of the
// same names, links included (never written through), only once every one is written whole;
// an export that fails leaves them all as they were. Throws EngineError.
std::vector<ExportedTable> exportTables(engine::Connection& connection, const QString& folder);

enum class CsvCell
{
    Null,
    Text,
    Number,
};

// One field as it goes between the commas. A text that a spreadsheet would run as a formula
// (starting with =, +, -, @, a tab or a carriage return) is quoted with an apostrophe before
// it, so that it shows as text; a Number cell that reads as a number is written as it is.
QString csvField(const QString& text, CsvCell cell);

// Rows of a result as one CSV file in the same format as the export's: a column's name and kind,
// then each row's stored values. The file is written whole and replaces the one of that name
// only then, readable by its owner only. Throws EngineError.
struct CsvColumn
{
    QString name;
    engine::ColumnKind kind;
};
void writeCsvFile(const QString& path, const std::vector<CsvColumn>& columns,
                  const std::vector<std::vector<QVariant>>& rows);

} // namespace store
