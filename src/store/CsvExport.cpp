#include "CsvExport.h"

#include "LedgerIndexes.h"
#include "SafeFiles.h"
#include "WholeFile.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Sqlite.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace store {

using engine::EngineError;

namespace {

const char* const ledgerTables[] = {"spend",     "save",         "weight",        "spend_type",
                                    "save_type", "account_type", "sub_spend_type"};

QStringList tablesOf(sqlite3* db)
{
    QStringList names;
    engine::Statement statement(
        db,
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"));
    while (statement.isPrepared() && statement.step() == SQLITE_ROW)
        // The search's table of texts is derived from the ledgers, not part of their data.
        if (statement.text(0).compare(store::entryTexts::table, Qt::CaseInsensitive) != 0)
            names << statement.text(0);
    QStringList ordered;
    for (const char* table : ledgerTables)
        for (const QString& name : names)
            if (name.compare(QLatin1String(table), Qt::CaseInsensitive) == 0)
                ordered << name;
    names.sort(Qt::CaseInsensitive);
    for (const QString& name : names)
        if (!ordered.contains(name))
            ordered << name;
    return ordered;
}

QString numberText(double value)
{
    // Whole amounts read as whole numbers; any other keeps every digit it is stored with.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9007199254740992.0)
        return QString::number(qint64(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// A value as the engine reads it (engine/Sqlite.h), written as the file stores it.
QString fieldText(const QVariant& value, engine::ColumnKind kind)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return numberText(value.toDouble());
    default: {
        QString text = value.toString();
        // Stored dates are "YYYY-MM-DD" with an optional time of day.
        if (kind == engine::ColumnKind::Date && text.size() >= 10 && text[4] == u'-' && text[7] == u'-') {
            text[4] = u'/';
            text[7] = u'/';
        }
        return text;
    }
    }
}

engine::ColumnKind kindOf(const engine::TableInfo& info, int index)
{
    return size_t(index) < info.columns.size() ? info.columns[size_t(index)].kind
                                               : engine::ColumnKind::Unknown;
}

// Stored numbers, and texts in a number column, are written as numbers where they read as one.
CsvCell cellOf(const QVariant& value, engine::ColumnKind kind)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return CsvCell::Null;
    case QMetaType::LongLong:
    case QMetaType::Double:
        return CsvCell::Number;
    default:
        return kind == engine::ColumnKind::Integer || kind == engine::ColumnKind::Float ? CsvCell::Number
                                                                                        : CsvCell::Text;
    }
}

// The byte-order mark and the header row of the column names.
void writeHeader(files::WholeFile& file, const QStringList& names)
{
    QStringList titles;
    for (const QString& name : names)
        titles << csvField(name, CsvCell::Text);
    file.write("\xEF\xBB\xBF");
    file.write((titles.join(u',') + QStringLiteral("\r\n")).toUtf8());
}

// One row, each stored value with its column's kind.
void writeRow(files::WholeFile& file, const std::vector<QVariant>& values,
              const std::function<engine::ColumnKind(int)>& kindAt)
{
    QStringList fields;
    for (size_t i = 0; i < values.size(); ++i) {
        const engine::ColumnKind kind = kindAt(int(i));
        fields << csvField(fieldText(values[i], kind), cellOf(values[i], kind));
    }
    file.write((fields.join(u',') + QStringLiteral("\r\n")).toUtf8());
}

QString fileNameFor(const QString& table)
{
    QString name = table;
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20)
            c = u'_';
    return name + QStringLiteral(".csv");
}

} // namespace

QString csvField(const QString& text, CsvCell cell)
{
    if (cell == CsvCell::Null)
        return {};
    bool number = false;
    if (cell == CsvCell::Number)
        QLocale::c().toDouble(text, &number);
    // A spreadsheet takes a cell that starts so for a formula and runs it; after an apostrophe
    // it shows the text as it is.
    const bool formula = !number && !text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front());
    if (!formula && !text.isEmpty() && !text.contains(u',') && !text.contains(u'"') &&
        !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = formula ? u'\'' + text : text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void writeCsvFile(const QString& path, const std::vector<CsvColumn>& columns,
                  const std::vector<std::vector<QVariant>>& rows)
{
    const QFileInfo info(path);
    files::clearAbandonedParts(info.absoluteDir(), info.fileName());
    files::WholeFile file(info.absoluteFilePath(), 0600);
    QStringList names;
    for (const CsvColumn& column : columns)
        names << column.name;
    writeHeader(file, names);
    const auto kindAt = [&columns](int i) {
        return size_t(i) < columns.size() ? columns[size_t(i)].kind : engine::ColumnKind::Unknown;
    };
    for (const std::vector<QVariant>& row : rows)
        writeRow(file, row, kindAt);
    file.commit();
}

std::vector<ExportedTable> exportTables(engine::Connection& connection, const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists()) {
        if (!QDir().mkpath(dir.absolutePath()))
            throw files::cannotWrite(dir.absolutePath(), QStringLiteral("無法建立資料夾"));
        ::chmod(files::encoded(dir.absolutePath()).constData(), 0700);
    }
    sqlite3* db = connection.handle();
    std::vector<ExportedTable> written;
    // Every file is written whole before any takes its name, so that an export that fails leaves
    // the folder's older files as they were, all of them.
    std::vector<std::unique_ptr<files::WholeFile>> pending;
    for (const QString& table : tablesOf(db)) {
        const engine::TableInfo& info = connection.tableInfo(table);
        ExportedTable result{table, dir.absoluteFilePath(fileNameFor(table)), 0};
        files::clearAbandonedParts(dir, fileNameFor(table));
        auto file = std::make_unique<files::WholeFile>(result.file, 0600);
        QStringList names;
        for (const auto& column : info.columns)
            names << column.name;
        writeHeader(*file, names);
        const auto kindAt = [&info](int i) { return kindOf(info, i); };
        const QByteArray select = QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table).toUtf8();
        engine::Statement row;
        int code = row.prepare(db, select);
        while (code == SQLITE_OK || code == SQLITE_ROW) {
            code = row.step();
            if (code != SQLITE_ROW)
                break;
            std::vector<QVariant> values(size_t(row.columnCount()));
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = row.value(int(i));
            writeRow(*file, values, kindAt);
            ++result.rows;
        }
        if (code != SQLITE_DONE)
            throw EngineError(
                EngineError::Kind::Other,
                QStringLiteral("無法讀取資料表 %1:%2").arg(table, engine::errorDetail(db, code)));
        file->finish();
        pending.push_back(std::move(file));
        written.push_back(result);
    }
    for (const auto& file : pending)
        file->place();
    return written;
}

} // namespace store
