#include "app/AppIcon.h"

#include "app/Skin.h"

namespace velmora::app {

QIcon VelmoraIcon() {
    ensureResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/velmora/icons/velmora-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace velmora::app
