#pragma once

// The settings as read once at start-up, before the application object exists: whether a
// welcome page will show must be known before then (the web engine's shared-context setting is
// made only when one will). Errors are kept, not thrown, and handed to the main window, whose
// creation reports them through the application-wide reporter as any other load error.

#include "brand/SettingsFile.h"

#include <QString>

#include <exception>

namespace velmora::app {

struct StartupSettings {
    SettingsText settings;
    // What reading the settings file threw (a util::FileError); null when it did not.
    std::exception_ptr error;

    // A welcome page will show: the Welcome series has a candidate. An error leaves none.
    bool hasWelcomePage = false;

    // Throws what reading threw, if anything; the window calls it where its load would have.
    void rethrowError() const {
        if (error)
            std::rethrow_exception(error);
    }
};

// Reads "dbsettings.dat" in the given folder. Needs no application object.
StartupSettings ReadStartupSettings(const QString& applicationDir);

// The folder of the running executable, known without an application object (which is where
// QCoreApplication::applicationDirPath() would say). argv0 serves where the system cannot say.
QString ExecutableDirBeforeApplication(const char* argv0);

} // namespace velmora::app
