#pragma once

// The update check's message for an installed program: it has no updater of its own, the
// system's package manager installs a new version.

#include <QString>

namespace velmora::news {

QString PackageManagerUpdateMessage(const QString& versionText);

} // namespace velmora::news
