#include "util/ProgramPlaces.h"

#include <QDir>
#include <QFileInfo>

namespace velmora::util {
namespace {

constexpr char UserSettingsFileName[] = "usersettings.txt";

QString folderName() {
    return QString::fromLatin1(ProgramFolderName);
}

// A base directory variable counts only when it holds an absolute path; otherwise the
// default under the home folder applies, as the base directory rules say.
QString baseDir(const QProcessEnvironment& environment, const char* variable, const char* homeDefault) {
    const QString value = environment.value(QString::fromLatin1(variable));
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
    return QDir::cleanPath(home + QLatin1Char('/') + QLatin1StringView(homeDefault));
}

QStringList systemConfigDirs(const QProcessEnvironment& environment) {
    QStringList dirs;
    const QString value = environment.value(QStringLiteral("XDG_CONFIG_DIRS"));
    for (const QString& dir : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(QDir::cleanPath(dir));
    }
    if (dirs.isEmpty())
        dirs.append(QStringLiteral("/etc/xdg"));
    return dirs;
}

QString in(const QString& dir, const QString& name) {
    return QDir::cleanPath(dir + QLatin1Char('/') + name);
}

bool isInstalledTree(const QString& applicationDir) {
    const QString entry = QStringLiteral("../share/applications/%1.desktop").arg(QLatin1StringView(AppId));
    return QFileInfo(in(applicationDir, entry)).isFile();
}

} // namespace

ProgramPlaces ChooseProgramPlaces(const QString& applicationDir, bool applicationDirWritable,
                                  const QProcessEnvironment& environment, const QString& settingsFileName) {
    ProgramPlaces places;
    places.applicationDir = QDir::cleanPath(applicationDir);
    places.portable = applicationDirWritable && !isInstalledTree(places.applicationDir);
    const QString libraryDir = in(places.applicationDir, QStringLiteral("../lib/") + folderName());
    if (places.portable) {
        places.downloadDir = places.applicationDir;
        places.cacheDir = places.applicationDir;
        places.brandDirs = {places.applicationDir};
        places.brandDir = places.applicationDir;
        places.moduleDirs = {places.applicationDir, libraryDir};
        return places;
    }

    const QString temporary = environment.value(QStringLiteral("TMPDIR"));
    places.downloadDir =
        QDir::isAbsolutePath(temporary) ? QDir::cleanPath(temporary) : QStringLiteral("/tmp");
    places.cacheDir = in(baseDir(environment, "XDG_CACHE_HOME", ".cache"), folderName());
    const QString userConfig = in(baseDir(environment, "XDG_CONFIG_HOME", ".config"), folderName());
    places.userSettingsFile = in(userConfig, QString::fromLatin1(UserSettingsFileName));
    // Beside the executable, then the reseller's system-wide brand, then the user's own.
    places.brandDirs = {places.applicationDir};
    for (const QString& dir : systemConfigDirs(environment))
        places.brandDirs.append(in(dir, folderName()));
    places.brandDirs.append(userConfig);
    places.brandDir = FirstDirHolding(places.brandDirs, settingsFileName);
    // The installed module first, so that a missing one is named where it belongs.
    places.moduleDirs = {libraryDir, places.applicationDir};
    return places;
}

ProgramPlaces SystemProgramPlaces(const QString& applicationDir, const QString& settingsFileName) {
    const QFileInfo dir(applicationDir);
    return ChooseProgramPlaces(applicationDir, dir.isDir() && dir.isWritable(),
                               QProcessEnvironment::systemEnvironment(), settingsFileName);
}

QString FirstDirHolding(const QStringList& dirs, const QString& fileName) {
    for (const QString& dir : dirs) {
        if (QFileInfo(QDir(dir).filePath(fileName)).isFile())
            return dir;
    }
    return dirs.value(0);
}

} // namespace velmora::util
