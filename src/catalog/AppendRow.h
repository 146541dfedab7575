#pragma once

#include <QString>
#include <functional>

namespace engine {
class Query;
}

namespace catalog {

// The catalogs' add: appends a row to the slot's open one-row select, lets fill set its
// columns, and posts it, then shows the done message. Whatever fails on the way (in practice
// the key refusing a name that exists) shows the duplicate message instead; the row is not stored.
void appendRowOrReport(engine::Query& slot, const std::function<void(engine::Query&)>& fill,
                       const QString& done, const QString& duplicate);

} // namespace catalog
