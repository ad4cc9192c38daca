#include "app/AppIcon.h"

#include "app/Skin.h"

#include <QImageReader>

namespace velmora::app {

QIcon VelmoraIcon() {
    ensureResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(ResourcePng(QStringLiteral(":/velmora/icons/velmora-%1.png").arg(size)));
    return icon;
}

QPixmap ResourcePng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace velmora::app
