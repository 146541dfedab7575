#include "Shell.h"

#include <QDesktopServices>

namespace platform {

namespace {

std::function<void(const QUrl&)>& opener()
{
    static std::function<void(const QUrl&)> installed;
    return installed;
}

} // namespace

void openUrl(const QUrl& url)
{
    if (opener())
        opener()(url);
    else
        QDesktopServices::openUrl(url);
}

void setUrlOpener(std::function<void(const QUrl&)> replacement)
{
    opener() = std::move(replacement);
}

} // namespace platform
