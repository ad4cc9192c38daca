#include "app/Skin.h"

#include <QApplication>
#include <QFile>

#include <stdexcept>

// The resources live in a static library, so they must be registered by hand; the macro
// cannot stand inside a namespace.
static void initVelmoraResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace velmora::app {

void ensureResources() {
    static const bool done = (initVelmoraResources(), true);
    (void)done;
}

QString storedSkin() {
    ensureResources();
    QFile file(QStringLiteral(":/velmora/skin/default.qss"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("The stored skin is missing from the program's resources.");
    return QString::fromUtf8(file.readAll());
}

void applySkin(QApplication& application, const QString& styleSheet) {
    application.setStyleSheet(styleSheet);
}

void applyStoredSkin(QApplication& application) {
    applySkin(application, storedSkin());
}

} // namespace velmora::app
