// CREATE TABLE and ALTER TABLE in the Jet dialect: the declared types Jet knows, and the column
// and key changes the connection carries out.
#include "JetSyntax.h"
#include "JetTranslator.h"

#include "Conversions.h"

#include <QHash>

namespace engine {

namespace jet {

using T = JetToken::Type;

// A type's length in parentheses, "(255)", or -1 without one: a whole number from 1 to 255.
int typeLength(Cursor& c)
{
    if (!c.acceptPunct("("))
        return -1;
    const JetToken& token = c.take();
    bool ok = token.type == T::Number;
    const int length = ok ? token.text.toInt(&ok) : 0;
    if (!ok || length < 1 || length > 255)
        throw syntaxError(QStringLiteral("欄位長度 %1 應該是 1 到 255 的整數").arg(token.text),
                          c.statement());
    c.expectPunct(")");
    return length;
}

Translation translateCreateTable(Cursor& c)
{
    Translation result;
    result.kind = Translation::Kind::CreateTable;
    result.table = c.name();
    c.expectPunct("(");
    QStringList definitions;
    QStringList keys;
    while (true) {
        if (c.accept("constraint")) {
            const QString name = c.name();
            const bool primary = c.accept("primary");
            if (primary)
                c.expect("key");
            else
                c.expect("unique");
            c.expectPunct("(");
            QStringList columns;
            do
                columns << quoteName(c.name()) + u' ' + noCase;
            while (c.acceptPunct(","));
            c.expectPunct(")");
            keys << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                        .arg(quoteName(jetIndexName(result.table, name, primary, !primary)),
                             quoteName(result.table), columns.join(u','));
        } else {
            const QString column = c.name();
            const QString typeName = c.name();
            const int length = typeLength(c);
            const QString type = canonicalJetType(typeName, length);
            if (type.isEmpty())
                throw syntaxError(QStringLiteral("不認得的欄位型別 %1").arg(typeName), c.statement());
            QString definition = quoteName(column) + u' ';
            if (type == QLatin1String("COUNTER"))
                definition += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            else
                definition += type;
            if (c.accept("not")) {
                c.expect("null");
                definition += QStringLiteral(" NOT NULL");
            }
            QString keyName;
            if (c.accept("constraint"))
                keyName = c.name();
            if (c.accept("primary")) {
                c.expect("key");
                if (type != QLatin1String("COUNTER"))
                    keys << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                                .arg(quoteName(jetIndexName(result.table,
                                                            keyName.isEmpty() ? QStringLiteral("PrimaryKey")
                                                                              : keyName,
                                                            true, false)),
                                     quoteName(result.table), quoteName(column) + u' ' + noCase);
            } else if (!keyName.isEmpty()) {
                throw syntaxError(QStringLiteral("條件約束 %1 不完整").arg(keyName), c.statement());
            }
            definitions << definition;
        }
        if (c.acceptPunct(","))
            continue;
        c.expectPunct(")");
        break;
    }
    c.expectEnd();
    result.sql << QStringLiteral("CREATE TABLE %1 (%2)")
                      .arg(quoteName(result.table), definitions.join(QStringLiteral(", ")));
    result.sql << keys;
    return result;
}

Translation translateAlterTable(Cursor& c)
{
    Translation result;
    result.table = c.name();
    auto typeAt = [&c] {
        const QString typeName = c.name();
        const int length = typeLength(c);
        QString type = canonicalJetType(typeName, length);
        if (type.isEmpty() || type == QLatin1String("COUNTER"))
            throw syntaxError(QStringLiteral("不認得的欄位型別 %1").arg(typeName), c.statement());
        return type;
    };
    if (c.accept("add")) {
        if (c.accept("constraint")) {
            result.kind = Translation::Kind::AddConstraint;
            result.ddl.constraint = c.name();
            result.ddl.primary = c.accept("primary");
            if (result.ddl.primary)
                c.expect("key");
            else
                c.expect("unique");
            c.expectPunct("(");
            do
                result.ddl.columns << c.name();
            while (c.acceptPunct(","));
            c.expectPunct(")");
        } else {
            c.accept("column");
            result.kind = Translation::Kind::AddColumn;
            result.ddl.column = c.name();
            result.ddl.type = typeAt();
            result.sql << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                              .arg(quoteName(result.table), quoteName(result.ddl.column), result.ddl.type);
        }
    } else if (c.accept("alter")) {
        c.accept("column");
        result.kind = Translation::Kind::AlterColumn;
        result.ddl.column = c.name();
        result.ddl.type = typeAt();
    } else if (c.accept("drop")) {
        c.expect("constraint");
        result.kind = Translation::Kind::DropConstraint;
        result.ddl.constraint = c.name();
    } else {
        throw syntaxError(QStringLiteral("ALTER TABLE 之後應該是 ADD、ALTER 或 DROP"), c.statement());
    }
    c.expectEnd();
    return result;
}

} // namespace jet

QString canonicalJetType(const QString& typeName, int length)
{
    static const QHash<QString, QString> types = {
        {QStringLiteral("int"), QStringLiteral("INT")},
        {QStringLiteral("integer"), QStringLiteral("INT")},
        {QStringLiteral("long"), QStringLiteral("INT")},
        {QStringLiteral("int4"), QStringLiteral("INT")},
        {QStringLiteral("integer4"), QStringLiteral("INT")},
        {QStringLiteral("smallint"), QStringLiteral("SMALLINT")},
        {QStringLiteral("short"), QStringLiteral("SMALLINT")},
        {QStringLiteral("byte"), QStringLiteral("TINYINT")},
        {QStringLiteral("tinyint"), QStringLiteral("TINYINT")},
        {QStringLiteral("float"), QStringLiteral("FLOAT")},
        {QStringLiteral("double"), QStringLiteral("FLOAT")},
        {QStringLiteral("float8"), QStringLiteral("FLOAT")},
        {QStringLiteral("number"), QStringLiteral("FLOAT")},
        {QStringLiteral("real"), QStringLiteral("REAL")},
        {QStringLiteral("single"), QStringLiteral("REAL")},
        {QStringLiteral("float4"), QStringLiteral("REAL")},
        {QStringLiteral("datetime"), QStringLiteral("DATETIME")},
        {QStringLiteral("date"), QStringLiteral("DATETIME")},
        {QStringLiteral("time"), QStringLiteral("DATETIME")},
        {QStringLiteral("money"), QStringLiteral("CURRENCY")},
        {QStringLiteral("currency"), QStringLiteral("CURRENCY")},
        {QStringLiteral("bit"), QStringLiteral("BIT")},
        {QStringLiteral("yesno"), QStringLiteral("BIT")},
        {QStringLiteral("memo"), QStringLiteral("LONGTEXT")},
        {QStringLiteral("longtext"), QStringLiteral("LONGTEXT")},
        {QStringLiteral("counter"), QStringLiteral("COUNTER")},
        {QStringLiteral("autoincrement"), QStringLiteral("COUNTER")},
    };
    const QString lower = typeName.toLower();
    if (lower == QLatin1String("char") || lower == QLatin1String("character"))
        return QStringLiteral("CHAR(%1)").arg(length > 0 ? length : 255);
    if (lower == QLatin1String("varchar") || lower == QLatin1String("text") ||
        lower == QLatin1String("string"))
        return QStringLiteral("VARCHAR(%1)").arg(length > 0 ? length : 255);
    if (length >= 0)
        return {};
    return types.value(lower);
}

} // namespace engine
