#pragma once

// Where the program reads and writes its files. A portable folder (the executable's folder can
// be written, and it is no installed tree) keeps everything beside the executable, as the
// program always did. An installed program writes only where its user may: the freedesktop.org
// base directories (XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_CONFIG_DIRS) and the temporary folder.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace velmora::util {

// The desktop entry's id; also the name of the installed AppStream file.
inline constexpr char AppId[] = "org.velmora.Velmora";
// The program's folder under the base directories and under the library folder.
inline constexpr char ProgramFolderName[] = "velmora";

struct ProgramPlaces {
    // The executable's folder, and whether the program runs from a portable folder.
    QString applicationDir;
    bool portable = true;
    // The temporary page of a download.
    QString downloadDir;
    // The update server's information file.
    QString cacheDir;
    // The user's own settings file (the last news item read); empty in a portable folder,
    // where that goes into the reseller's settings file.
    QString userSettingsFile;
    // Folders that may hold the reseller's brand files, the first one first, and the one in use:
    // the first that holds the settings file (the executable's folder when none does).
    QStringList brandDirs;
    QString brandDir;
    // Folders that may hold the web engine module, the first one first.
    QStringList moduleDirs;
};

// The places of a program whose executable lies in applicationDir, for the given environment;
// settingsFileName names the reseller's settings file, which picks the brand folder.
// applicationDirWritable says whether that folder can be written. A folder is taken for an
// installed tree, even when it can be written (as by root), when the installed desktop entry
// lies at ../share/applications/.
ProgramPlaces ChooseProgramPlaces(const QString& applicationDir, bool applicationDirWritable,
                                  const QProcessEnvironment& environment, const QString& settingsFileName);

// The same for this process: its environment, and the folder probed for writing.
ProgramPlaces SystemProgramPlaces(const QString& applicationDir, const QString& settingsFileName);

// dir, or fallback where a caller left a place unset.
inline QString PlaceOr(const QString& dir, const QString& fallback) {
    return dir.isEmpty() ? fallback : dir;
}

// The first folder of dirs that holds fileName; the first folder when none does (empty when
// dirs is empty).
QString FirstDirHolding(const QStringList& dirs, const QString& fileName);

} // namespace velmora::util
