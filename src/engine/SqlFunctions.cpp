#include "SqlFunctions.h"

#include "Conversions.h"
#include "EngineError.h"
#include "ExactSum.h"

#include <QVariant>
#include <sqlite3.h>

namespace engine {

namespace {

void datePart(sqlite3_context* context, sqlite3_value* value, int from, int length)
{
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    // The stored form, YYYY-MM-DD with or without a time, is read straight from its digits:
    // the analyses call this once for every row of a table.
    if (text && sqlite3_value_bytes(value) >= 10) {
        auto digit = [text](int i) { return text[i] >= '0' && text[i] <= '9'; };
        if (digit(0) && digit(1) && digit(2) && digit(3) && text[4] == '-' && digit(5) && digit(6) &&
            text[7] == '-' && digit(8) && digit(9) && (text[10] == '\0' || text[10] == ' ')) {
            int part = 0;
            for (int i = from; i < from + length; ++i)
                part = part * 10 + (text[i] - '0');
            sqlite3_result_int(context, part);
            return;
        }
    }
    QString stored;
    const QString given = QString::fromUtf8(text ? text : "");
    if (!parseDateText(given, &stored)) {
        const QByteArray message = QStringLiteral("「%1」不是日期").arg(given).toUtf8();
        sqlite3_result_error(context, message.constData(), int(message.size()));
        return;
    }
    sqlite3_result_int(context, QStringView(stored).mid(from, length).toInt());
}

void jetYear(sqlite3_context* context, int, sqlite3_value** argv)
{
    datePart(context, argv[0], 0, 4);
}

void jetMonth(sqlite3_context* context, int, sqlite3_value** argv)
{
    datePart(context, argv[0], 5, 2);
}

QVariant valueOf(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_NULL:
        return {};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return QString::fromUtf8(text ? text : "", sqlite3_value_bytes(value));
    }
    }
}

// jet_convert(value, kind, limit, column): a stored value brought to another column type, as
// ALTER COLUMN does it; fails where the value does not fit the new type.
void jetConvert(sqlite3_context* context, int, sqlite3_value** argv)
{
    const QVariant value = valueOf(argv[0]);
    const auto kind = ColumnKind(sqlite3_value_int(argv[1]));
    const int limit = sqlite3_value_int(argv[2]);
    const QString column = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[3])));
    try {
        QVariant converted;
        if (value.isNull())
            converted = value;
        else if (value.typeId() == QMetaType::QString)
            converted = textToStored(value.toString(), kind, limit, column);
        else
            converted = floatToStored(value.toDouble(), kind, column);
        switch (converted.typeId()) {
        case QMetaType::LongLong:
            sqlite3_result_int64(context, converted.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_result_double(context, converted.toDouble());
            break;
        case QMetaType::QString: {
            const QByteArray text = converted.toString().toUtf8();
            sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            sqlite3_result_null(context);
        }
    } catch (const EngineError& error) {
        const QByteArray message = error.message().toUtf8();
        sqlite3_result_error(context, message.constData(), int(message.size()));
    }
}

} // namespace

void registerSqlFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "year", 1, flags, nullptr, jetYear, nullptr, nullptr);
    sqlite3_create_function(db, "month", 1, flags, nullptr, jetMonth, nullptr, nullptr);
    sqlite3_create_function(db, "jet_convert", 4, flags, nullptr, jetConvert, nullptr, nullptr);
    registerExactSum(db);
}

} // namespace engine
