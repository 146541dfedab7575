#include "SlotWork.h"

#include "engine/Query.h"

namespace store {

void eachRow(engine::Query& query, const std::function<void(engine::Query&)>& take)
{
    query.first();
    for (int taken = 0; taken < query.recordCount();) {
        take(query);
        ++taken;
        if (taken < query.recordCount())
            query.next();
    }
}

void runOnSlot(engine::Query& slot, const std::function<void()>& work, const std::function<void()>& reload)
{
    try {
        work();
    } catch (...) {
        if (slot.isActive())
            slot.cancel();
        try {
            reload();
        } catch (...) {
        }
        throw;
    }
}

} // namespace store
