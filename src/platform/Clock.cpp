#include "Clock.h"

namespace platform {

namespace {

std::function<QDateTime()>& installed()
{
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

QDateTime now()
{
    const auto& clock = installed();
    return clock ? clock() : QDateTime::currentDateTime();
}

void setClock(std::function<QDateTime()> clock)
{
    installed() = std::move(clock);
}

} // namespace platform
