#pragma once

#include <QDateTime>
#include <functional>

// "Now" for the whole program, so that tests can fix it.
namespace platform {

QDateTime now();
// Installs a clock; an empty function goes back to the system clock.
void setClock(std::function<QDateTime()> clock);

} // namespace platform
