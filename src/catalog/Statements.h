#pragma once

#include <QString>

// The statements of the catalogs, built from fixed text and the names they carry. A name goes
// between single quotes with a quote inside it doubled, so that it matches itself alone.
namespace catalog {

// "delete from <table> where <column> = '<name>'"
QString deleteStatement(const QString& table, const QString& column, const QString& name);
// "delete from sub_spend_type where 類型 = '<category>' and 子類型 = '<name>'"; an empty name
// also matches a Null one.
QString deleteSubCategoryStatement(const QString& category, const QString& name);

} // namespace catalog
