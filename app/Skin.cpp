#include "app/Skin.h"

#include "brand/SkinFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>

#include <optional>
#include <stdexcept>
#include <utility>

// The resources live in a static library, so they must be registered by hand; the macro
// cannot stand inside a namespace.
static void initVelmoraResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace velmora::app {
namespace {

// The platform's font, kept while the stored skin's font stands in for it.
std::optional<QFont>& platformFont() {
    static std::optional<QFont> font;
    return font;
}

} // namespace

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

QFont storedSkinFont(const QFont& base) {
    QFont font = base;
    font.setFamilies({QStringLiteral("Arial")});
    font.setPixelSize(12);
    return font;
}

void applySkin(QApplication& application, const QString& styleSheet) {
    // Another skin brings its own fonts, or none: then the platform's font is the default again.
    if (platformFont())
        QApplication::setFont(*std::exchange(platformFont(), std::nullopt));
    application.setStyleSheet(styleSheet);
}

void applyStoredSkin(QApplication& application) {
    applySkin(application, storedSkin());
    // The sheet's font is the application's too. A widget that lays out its text before it is
    // polished (a line edit does when it is made) measures it in the application's font: in any
    // other, that font's file would be loaded and read for nothing on every start.
    platformFont() = QApplication::font();
    QApplication::setFont(storedSkinFont(*platformFont()));
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
