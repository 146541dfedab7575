#include "Icon.h"

namespace platform {

QIcon programIcon()
{
    // PNGs, so that no SVG image plug-in is needed; the resource is built from data/icons.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        icon.addFile(QStringLiteral(":/icons/%1/velloran.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace platform
