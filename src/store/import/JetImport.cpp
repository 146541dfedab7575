#include "JetImport.h"
#include "ImportApart.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/JetFile.h"
#include "engine/Sqlite.h"
#include "engine/Transaction.h"
#include "store/LedgerIndexes.h"
#include "store/SafeFiles.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <mdbtools.h>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

namespace store {

using engine::EngineError;
using Kind = engine::EngineError::Kind;

namespace {

constexpr int rowOffsetMask = 0x1fff;
constexpr int progressStep = 1024;

struct Handle
{
    MdbHandle* mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

struct TableDef
{
    MdbTableDef* table = nullptr;
    ~TableDef()
    {
        if (table)
            mdb_free_tabledef(table);
    }
};

template <typename T> T* at(GPtrArray* array, unsigned int index)
{
    return static_cast<T*>(array->pdata[index]);
}

QString quoteName(const QString& name)
{
    return u'[' + name + u']';
}

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

// The column's type in the Jet words our engine reads, or empty for a kind it cannot keep.
QString columnType(const MdbHandle* mdb, const MdbColumn* column)
{
    switch (column->col_type) {
    case MDB_BOOL:
        return QStringLiteral("bit");
    case MDB_BYTE:
        return QStringLiteral("byte");
    case MDB_INT:
        return QStringLiteral("smallint");
    case MDB_LONGINT:
        return column->is_long_auto ? QStringLiteral("counter") : QStringLiteral("int");
    case MDB_MONEY:
        return QStringLiteral("currency");
    case MDB_FLOAT:
        return QStringLiteral("single");
    case MDB_DOUBLE:
        return QStringLiteral("float");
    case MDB_DATETIME:
        return QStringLiteral("datetime");
    case MDB_TEXT: {
        // Jet 4 counts a text column's size in bytes of UCS-2.
        const int characters = mdb->f->jet_version == MDB_VER_JET3 ? column->col_size : column->col_size / 2;
        return QStringLiteral("varchar(%1)").arg(qBound(1, characters, 255));
    }
    case MDB_MEMO:
        return QStringLiteral("memo");
    default:
        return {};
    }
}

QString typeLabel(int type)
{
    switch (type) {
    case MDB_BINARY:
        return QStringLiteral("二進位資料");
    case MDB_OLE:
        return QStringLiteral("OLE 物件");
    case MDB_REPID:
        return QStringLiteral("複寫識別碼");
    case MDB_NUMERIC:
        return QStringLiteral("小數 (Decimal)");
    default:
        return QStringLiteral("型別 %1").arg(type);
    }
}

// A Jet date is a double of days since 1899-12-30; before that day the whole days count
// backwards while the time of day still counts forwards.
QString storedDate(double days)
{
    const double whole = std::trunc(days);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    qint64 day = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += days < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(day);
    QString text = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (seconds != 0)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                    .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return text;
}

struct Column
{
    MdbColumn* jet = nullptr;
    QString name;
};

class Reader
{
public:
    Reader(const QString& path, MdbHandle* mdb) : m_path(path), m_mdb(mdb) {}

    // Binds every field of the current row of table to the insert statement.
    void bindRow(MdbTableDef* table, const std::vector<Column>& columns, engine::Statement& insert)
    {
        const MdbFormatConstants* format = m_mdb->fmt;
        const unsigned char* page = m_mdb->pg_buf;
        const int pageSize = int(format->pg_size);
        const int countAt = format->row_count_offset;
        const int row = int(table->cur_row) - 1;
        const int rows = page[countAt] | page[countAt + 1] << 8;
        const auto int16At = [page](int offset) { return page[offset] | page[offset + 1] << 8; };
        if (row < 0 || row >= rows)
            throw damaged(table);
        const int start = int16At(countAt + 2 + row * 2) & rowOffsetMask;
        const int next = row == 0 ? pageSize : int16At(countAt + row * 2) & rowOffsetMask;
        if (start >= pageSize || start > next || next > pageSize)
            throw damaged(table);
        m_fields.resize(std::max<size_t>(MDB_MAX_COLS, table->num_cols));
        const int cracked = mdb_crack_row(table, start, size_t(next - start), m_fields.data());
        if (cracked < int(table->num_cols))
            throw damaged(table);
        for (unsigned int i = 0; i < table->num_cols; ++i) {
            const MdbField& field = m_fields[i];
            if (field.colnum < 0 || unsigned(field.colnum) >= columns.size())
                throw damaged(table);
            bindField(table, columns[size_t(field.colnum)], field, insert, field.colnum + 1);
        }
    }

    EngineError damaged(MdbTableDef* table) const
    {
        return unreadable(m_path, QStringLiteral("資料表 %1 的資料頁已經損毀").arg(utf8(table->name)));
    }

private:
    void bindField(MdbTableDef* table, const Column& column, const MdbField& field, engine::Statement& insert,
                   int parameter)
    {
        MdbColumn* jet = column.jet;
        const unsigned char* value = m_mdb->pg_buf + field.start;
        const int size = field.siz;
        const int pageSize = int(m_mdb->fmt->pg_size);
        if (jet->col_type == MDB_BOOL) {
            // A yes/no field lives in the row's null mask: a set bit is yes, which Jet writes as -1.
            insert.bindInt64(parameter, field.is_null ? 0 : -1);
            return;
        }
        if (field.is_null) {
            insert.bindNull(parameter);
            return;
        }
        if (field.start < 0 || size < 0 || field.start + size > pageSize)
            throw damaged(table);
        auto need = [&](int bytes) {
            if (size < bytes)
                throw damaged(table);
        };
        switch (jet->col_type) {
        case MDB_BYTE:
            need(1);
            insert.bindInt64(parameter, value[0]);
            break;
        case MDB_INT:
            need(2);
            insert.bindInt64(parameter, qFromLittleEndian<qint16>(value));
            break;
        case MDB_LONGINT:
            need(4);
            insert.bindInt64(parameter, qFromLittleEndian<qint32>(value));
            break;
        case MDB_MONEY:
            need(8);
            insert.bindDouble(parameter, double(qFromLittleEndian<qint64>(value)) / 10000.0);
            break;
        case MDB_FLOAT: {
            need(4);
            float number = 0;
            std::memcpy(&number, value, sizeof number);
            insert.bindDouble(parameter, double(qFromLittleEndian(number)));
            break;
        }
        case MDB_DOUBLE: {
            need(8);
            double number = 0;
            std::memcpy(&number, value, sizeof number);
            insert.bindDouble(parameter, qFromLittleEndian(number));
            break;
        }
        case MDB_DATETIME: {
            need(8);
            double days = 0;
            std::memcpy(&days, value, sizeof days);
            days = qFromLittleEndian(days);
            if (!std::isfinite(days) || days < -657434.0 || days > 2958465.99999)
                throw unreadable(
                    m_path,
                    QStringLiteral("資料表 %1 的欄位 %2 有無效的日期").arg(utf8(table->name), column.name));
            const QByteArray text = storedDate(days).toUtf8();
            insert.bindText(parameter, text.constData(), int(text.size()));
            break;
        }
        case MDB_TEXT:
            bindText(insert, parameter, reinterpret_cast<const char*>(value), size_t(size));
            break;
        case MDB_MEMO: {
            // The field holds where the note is kept; libmdb follows it to the whole text.
            jet->cur_value_start = field.start;
            jet->cur_value_len = size;
            size_t length = 0;
            std::unique_ptr<char, decltype(&g_free)> raw(
                static_cast<char*>(mdb_ole_read_full(m_mdb, jet, &length)), &g_free);
            if (!raw && size > 0)
                throw unreadable(m_path, QStringLiteral("資料表 %1 的欄位 %2 有讀不到的備忘資料")
                                             .arg(utf8(table->name), column.name));
            bindText(insert, parameter, raw.get(), raw ? length : 0);
            break;
        }
        default:
            throw damaged(table);
        }
    }

    // Jet keeps text as UCS-2, some of it compressed to one byte a character; libmdb turns
    // either into UTF-8. An empty text stays empty, never Null.
    void bindText(engine::Statement& insert, int parameter, const char* source, size_t length)
    {
        m_text.resize(length * 3 + 16);
        const int written =
            length == 0 ? 0 : mdb_unicode2ascii(m_mdb, source, length, m_text.data(), m_text.size());
        insert.bindText(parameter, m_text.data(), written);
    }

    QString m_path;
    MdbHandle* m_mdb;
    std::vector<MdbField> m_fields;
    std::vector<char> m_text;
};

QString createStatement(const QString& path, MdbHandle* mdb, MdbTableDef* table,
                        const std::vector<Column>& columns)
{
    QStringList parts;
    int counterColumn = -1;
    for (size_t i = 0; i < columns.size(); ++i) {
        const QString type = columnType(mdb, columns[i].jet);
        if (type == QLatin1String("counter"))
            counterColumn = int(i);
        parts << quoteName(columns[i].name) + u' ' + type;
    }
    for (unsigned int i = 0; table->indices && i < table->num_idxs; ++i) {
        const MdbIndex* index = at<MdbIndex>(table->indices, i);
        const bool primary = index->index_type == 1;
        const bool unique = index->flags & MDB_IDX_UNIQUE;
        // Indexes for relationships and plain lookups are the engine's own business.
        if (index->index_type == 2 || (!primary && !unique) || index->num_keys == 0)
            continue;
        QStringList keyColumns;
        for (unsigned int k = 0; k < index->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            const int number = index->key_col_num[k] - 1;
            if (number < 0 || size_t(number) >= columns.size())
                throw unreadable(path, QStringLiteral("資料表 %1 的索引 %2 指向不存在的欄位")
                                           .arg(utf8(table->name), utf8(index->name)));
            keyColumns << quoteName(columns[size_t(number)].name);
        }
        // The serial is the row's own number in our file, unique by itself.
        if (primary && keyColumns.size() == 1 && counterColumn >= 0 &&
            keyColumns.front() == quoteName(columns[size_t(counterColumn)].name))
            continue;
        parts << QStringLiteral("CONSTRAINT %1 %2 (%3)")
                     .arg(quoteName(utf8(index->name)),
                          primary ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE"),
                          keyColumns.join(u','));
    }
    return QStringLiteral("Create TABLE %1 (%2)")
        .arg(quoteName(utf8(table->name)), parts.join(QStringLiteral(", ")));
}

void openTable(const QString& path, MdbCatalogEntry* entry, TableDef& def, std::vector<Column>& columns)
{
    def.table = mdb_read_table(entry);
    if (!def.table || !mdb_read_columns(def.table))
        throw unreadable(path, QStringLiteral("資料表 %1 的定義讀不出來").arg(utf8(entry->object_name)));
    MdbTableDef* table = def.table;
    // Fills table->indices; what it returns says nothing.
    mdb_read_indices(table);
    for (unsigned int i = 0; i < table->num_cols; ++i) {
        MdbColumn* column = at<MdbColumn>(table->columns, i);
        columns.push_back({column, utf8(column->name)});
        if (columnType(entry->mdb, column).isEmpty())
            throw unreadable(path,
                             QStringLiteral("資料表 %1 的欄位 %2 是這一版不能保存的%3")
                                 .arg(utf8(table->name), utf8(column->name), typeLabel(column->col_type)));
    }
}

// libmdb reads the catalog until the first page it cannot read and says nothing of the rest:
// the catalog's own table must give as many rows as its definition counts.
void requireWholeCatalog(const QString& path, MdbHandle* mdb)
{
    char name[] = "MSysObjects";
    TableDef objects;
    objects.table = mdb_read_table_by_name(mdb, name, MDB_TABLE);
    if (!objects.table || !mdb_read_columns(objects.table))
        throw unreadable(path, QStringLiteral("資料表的目錄讀不出來"));
    mdb_rewind_table(objects.table);
    qint64 rows = 0;
    while (mdb_fetch_row(objects.table))
        ++rows;
    if (rows != qint64(objects.table->num_rows))
        throw unreadable(path, QStringLiteral("資料表的目錄不完整 (應有 %1 筆,只讀得到 %2 筆)")
                                   .arg(objects.table->num_rows)
                                   .arg(rows));
}

void check(sqlite3* db, int code, const QString& path)
{
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
        throw files::cannotWrite(path, QString::fromUtf8(sqlite3_errmsg(db)));
}

std::vector<ImportedTable> copyTables(const QString& jetPath, const QString& target, const QString& password,
                                      const ImportProgress& progress)
{
    const auto header = engine::readJetHeader(jetPath);
    if (!header)
        throw unreadable(jetPath, QStringLiteral("不是 Jet 資料庫檔"));
    if (!engine::jetPasswordMatches(*header, password))
        throw EngineError(Kind::WrongPassword,
                          QStringLiteral("資料庫密碼錯誤,無法開啟 %1。請以正確的密碼重新啟動程式。(Jet)")
                              .arg(QFileInfo(jetPath).fileName()));
    const qint64 fileSize = QFileInfo(jetPath).size();
    // A file cut short still opens, and libmdb would read what is left without a word.
    if (fileSize < header->pageSize * 2 || fileSize % header->pageSize != 0)
        throw unreadable(jetPath, QStringLiteral("檔案的長度不完整 (%1 位元組)").arg(fileSize));

    Handle handle;
    handle.mdb = mdb_open(files::encoded(jetPath).constData(), MDB_NOFLAGS);
    if (!handle.mdb)
        throw unreadable(jetPath, QStringLiteral("libmdb 無法開啟它"));
    MdbHandle* mdb = handle.mdb;
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        throw unreadable(jetPath, QStringLiteral("資料表的目錄讀不出來"));
    requireWholeCatalog(jetPath, mdb);

    struct Source
    {
        MdbCatalogEntry* entry;
        std::unique_ptr<TableDef> def = std::make_unique<TableDef>();
        std::vector<Column> columns;
    };
    std::vector<Source> sources;
    qint64 total = 0;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        MdbCatalogEntry* entry = at<MdbCatalogEntry>(mdb->catalog, i);
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        Source source{entry, std::make_unique<TableDef>(), {}};
        openTable(jetPath, entry, *source.def, source.columns);
        total += source.def->table->num_rows;
        sources.push_back(std::move(source));
    }

    // Every release wrote these six; a file without one of them was not read whole, and a
    // program started on what was read would fail at its first statement ever after.
    for (const char* needed : {"spend", "save", "spend_type", "save_type", "account_type", "weight"}) {
        const bool found = std::any_of(sources.begin(), sources.end(), [needed](const Source& source) {
            return utf8(source.entry->object_name).compare(QLatin1String(needed), Qt::CaseInsensitive) == 0;
        });
        if (!found)
            throw unreadable(jetPath,
                             QStringLiteral("找不到資料表 %1,檔案可能已經損毀").arg(QLatin1String(needed)));
    }

    engine::Connection::createDatabase(target, password);
    if (::chmod(files::encoded(target).constData(), 0600) != 0)
        throw files::cannotWrite(target, files::lastSystemError());
    const auto connection = engine::Connection::openFile(target, password);
    for (const Source& source : sources)
        connection->execute(createStatement(jetPath, mdb, source.def->table, source.columns));

    sqlite3* db = connection->handle();
    std::vector<ImportedTable> imported;
    qint64 done = 0;
    if (progress)
        progress(0, total);
    Reader reader(jetPath, mdb);
    engine::Transaction transaction(*connection);
    for (const Source& source : sources) {
        MdbTableDef* table = source.def->table;
        QStringList names, marks;
        for (const Column& column : source.columns) {
            names << quoteName(column.name);
            marks << QStringLiteral("?");
        }
        const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(quoteName(utf8(table->name)), names.join(u','), marks.join(u','))
                                   .toUtf8();
        engine::Statement insert;
        check(db, insert.prepare(db, sql), target);
        mdb_rewind_table(table);
        qint64 rows = 0;
        while (mdb_fetch_row(table)) {
            reader.bindRow(table, source.columns, insert);
            check(db, insert.step(), target);
            insert.rewind();
            ++rows;
            if (progress && ++done % progressStep == 0)
                progress(done, total);
        }
        if (rows != qint64(table->num_rows))
            throw unreadable(jetPath, QStringLiteral("資料表 %1 應有 %2 筆資料,只讀得到 %3 筆")
                                          .arg(utf8(table->name))
                                          .arg(table->num_rows)
                                          .arg(rows));
        imported.push_back({utf8(table->name), rows});
    }
    transaction.commit();
    store::keepLedgerIndexes(*connection);
    connection->close();
    if (progress)
        progress(total, total);
    return imported;
}

// Fills a hidden file beside target and returns its path, synced and whole.
QString importBeside(const QString& jetPath, const QString& target, const QString& password,
                     const ImportProgress& progress, std::vector<ImportedTable>& tables)
{
    const QFileInfo info(target);
    files::clearAbandonedParts(info.absoluteDir(), info.fileName());
    const QString partial = files::partialPathFor(info.absoluteFilePath());
    files::removeWithSidecars(partial);
    try {
        tables = runApart(
            jetPath,
            [&](const ImportProgress& report) { return copyTables(jetPath, partial, password, report); },
            progress);
        if (!files::syncToDisk(partial, O_RDONLY))
            throw files::cannotWrite(target, files::lastSystemError());
    } catch (...) {
        files::removeWithSidecars(partial);
        throw;
    }
    return partial;
}

} // namespace

std::vector<ImportedTable> importJetFile(const QString& jetPath, const QString& target,
                                         const QString& password, const ImportProgress& progress)
{
    const QString absolute = QDir::current().absoluteFilePath(target);
    if (files::nameTaken(absolute))
        throw files::alreadyThere(absolute);
    std::vector<ImportedTable> tables;
    const QString partial = importBeside(jetPath, absolute, password, progress, tables);
    try {
        files::placeWithoutOverwrite(partial, absolute);
    } catch (...) {
        files::removeWithSidecars(partial);
        throw;
    }
    files::syncFolder(QFileInfo(absolute).absolutePath());
    return tables;
}

BroughtAcross bringAcrossJetFile(const QString& path, const QString& password, const ImportProgress& progress)
{
    const QFileInfo info(QDir::current().absoluteFilePath(path));
    const QString absolute = info.absoluteFilePath();
    BroughtAcross result;
    const QString partial = importBeside(absolute, absolute, password, progress, result.tables);
    try {
        // The Jet file gets its second name first, as a link to the same bytes, so that it is
        // kept whatever happens next.
        const QString stem = info.completeBaseName();
        for (int number = 1;; ++number) {
            const QString kept = info.absoluteDir().filePath(
                number == 1 ? QStringLiteral("%1.jet.mdb").arg(stem)
                            : QStringLiteral("%1.jet-%2.mdb").arg(stem).arg(number));
            if (::link(files::encoded(absolute).constData(), files::encoded(kept).constData()) == 0) {
                result.keptJetPath = kept;
                break;
            }
            if (errno == EEXIST)
                continue;
            // File systems without links: a copy of its own, which never overwrites either.
            if (files::nameTaken(kept))
                continue;
            if (QFile::copy(absolute, kept) && files::syncToDisk(kept, O_RDONLY)) {
                result.keptJetPath = kept;
                break;
            }
            throw files::cannotWrite(kept, files::lastSystemError());
        }
        if (::rename(files::encoded(partial).constData(), files::encoded(absolute).constData()) != 0)
            throw files::cannotWrite(absolute, files::lastSystemError());
    } catch (...) {
        files::removeWithSidecars(partial);
        throw;
    }
    files::syncFolder(info.absolutePath());
    return result;
}

} // namespace store
