#pragma once

#include <QString>

class QApplication;
class QFont;

namespace velmora::app {

// Makes the program's resources (pictures, the stored skin) available. Safe to call
// more than once.
void ensureResources();

// The skin stored with the program: a Qt style sheet kept in the resources.
QString storedSkin();

// The font the stored skin gives every widget, with base's other properties.
QFont storedSkinFont(const QFont& base);

// Restyles every window of the program with the given style sheet; the platform's font is the
// application's font again.
void applySkin(QApplication& application, const QString& styleSheet);

// Applies the stored skin, whose font becomes the application's font too; done once at
// start-up.
void applyStoredSkin(QApplication& application);

// Applies the reseller's skin file (SkinFile.h: a gzip-compressed style sheet) in place of the
// stored skin, restyling every window. No file, or one without a readable skin, leaves the skin
// as it is and gives false. A file that exists but cannot be read throws util::FileError.
bool applySkinFile(QApplication& application, const QString& path);

} // namespace velmora::app
