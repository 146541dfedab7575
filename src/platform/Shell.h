#pragma once

#include <QUrl>
#include <functional>

namespace platform {

// Hands an address to the desktop's default action (a web page opens in the default browser).
// A failure is not reported.
void openUrl(const QUrl& url);
// Tests put an opener of their own in place; an empty one restores the desktop's.
void setUrlOpener(std::function<void(const QUrl&)> opener);

} // namespace platform
