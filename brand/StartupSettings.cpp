#include "brand/StartupSettings.h"

#include "brand/BrandLoader.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace velmora::app {

StartupSettings ReadStartupSettings(const QString& applicationDir) {
    StartupSettings startup;
    try {
        startup.settings = ReadSettingsText(SettingsFilePath(applicationDir));
    } catch (const util::FileError&) {
        startup.error = std::current_exception();
        return startup;
    }
    startup.hasWelcomePage = !ReadBrandItems(startup.settings.text).welcome.isEmpty();
    return startup;
}

QString ExecutableDirBeforeApplication(const char* argv0) {
#ifdef Q_OS_WIN
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    if (length > 0 && length < std::size(path))
        return QFileInfo(QString::fromWCharArray(path, int(length))).absolutePath();
#else
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!self.isEmpty())
        return QFileInfo(self).absolutePath();
#endif
    return QFileInfo(QString::fromLocal8Bit(argv0 ? argv0 : "")).absolutePath();
}

} // namespace velmora::app
