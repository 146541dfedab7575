#include "Statements.h"

#include "store/Texts.h"

namespace catalog {

QString deleteStatement(const QString& table, const QString& column, const QString& name)
{
    return QStringLiteral("delete from %1 where %2 = ").arg(table, column) + store::quoted(name);
}

namespace {

// A sub-category stored empty is Null in the file; an empty name read from the grid must
// still find it.
QString matches(const QString& column, const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("(%1 = '' or %1 is null)").arg(column);
    return column + QStringLiteral(" = ") + store::quoted(name);
}

} // namespace

QString deleteSubCategoryStatement(const QString& category, const QString& name)
{
    return QStringLiteral("delete from sub_spend_type where ") + matches(QStringLiteral("類型"), category) +
           QStringLiteral(" and ") + matches(QStringLiteral("子類型"), name);
}

} // namespace catalog
