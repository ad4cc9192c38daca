#include "app/Skin.h"

#include "app/SkinFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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

bool applySkinFile(QApplication& application, const QString& path) {
    if (!QFileInfo::exists(path))
        return false;
    QString problem;
    const std::optional<QString> sheet = ReadSkinFile(path, &problem);
    if (!sheet) {
        qWarning("The skin file %s is left unused: %s", qUtf8Printable(QDir::toNativeSeparators(path)),
                 qUtf8Printable(problem));
        return false;
    }
    applySkin(application, *sheet);
    return true;
}

} // namespace velmora::app
