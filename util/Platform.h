#pragma once

#include "util/BrowserCommand.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace velmora::util {

// What the program asks of the operating system's shell. The real one starts programs
// without any command interpreter; tests substitute a recorder.
class Platform {
public:
    virtual ~Platform() = default;

    // How the browser that opens http links is started: on Windows the registered open
    // command's program, elsewhere the desktop entry that handles x-scheme-handler/http.
    // Empty when none is registered.
    virtual std::optional<BrowserCommand> registeredBrowserCommand() = 0;

    // Starts a program detached, each argument passed as one argument (never through a shell).
    // True when it started; otherwise reason, when given, says why not.
    virtual bool startDetached(const QString& program, const QList<QString>& arguments,
                               QString* reason = nullptr) = 0;

    // Opens a URL or document the way the desktop opens it ("open" verb). True when the
    // opener started.
    virtual bool openWithShell(const QByteArray& url) = 0;
};

// The platform of the machine the program runs on.
Platform& SystemPlatform();

} // namespace velmora::util
