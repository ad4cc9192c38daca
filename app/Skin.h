#pragma once

#include <QString>

class QApplication;

namespace velmora::app {

// Makes the program's resources (pictures, the stored skin) available. Safe to call
// more than once.
void ensureResources();

// The skin stored with the program: a Qt style sheet kept in the resources.
QString storedSkin();

// Restyles every window of the program with the given style sheet.
void applySkin(QApplication& application, const QString& styleSheet);

// Applies the stored skin; done once at start-up.
void applyStoredSkin(QApplication& application);

} // namespace velmora::app
