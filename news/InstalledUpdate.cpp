#include "news/InstalledUpdate.h"

namespace velmora::news {

QString PackageManagerUpdateMessage(const QString& versionText) {
    return QStringLiteral("A new version (%1) is available. This copy was installed on your system: "
                          "your system's package manager installs the new version with its other updates.")
        .arg(versionText);
}

} // namespace velmora::news
