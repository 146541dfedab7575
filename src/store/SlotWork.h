#pragma once

#include <functional>

namespace engine {
class Query;
}

// What the handlers do with a query slot, done one way everywhere.
namespace store {

// Walks the rows by count: from the first row, a row is taken and the query moves on while
// fewer rows have been taken than the record count, which is read anew before each step.
void eachRow(engine::Query& query, const std::function<void(engine::Query&)>& take);

// Runs work on a grid's slot. When it fails, the slot's pending row is dropped and the grid's
// own statement is loaded again, so the grid never stays on the statement that failed; then
// the failure goes on to the caller (a failure of the reload is not the one to report).
void runOnSlot(engine::Query& slot, const std::function<void()>& work, const std::function<void()>& reload);

} // namespace store
