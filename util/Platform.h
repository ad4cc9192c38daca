#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace velmora::util {

// What the program asks of the operating system's shell. The real one starts programs
// without any command interpreter; tests substitute a recorder.
class Platform {
public:
    virtual ~Platform() = default;

    // The program that opens http links, ready to start: on Windows the registered open
    // command cut to its program path, elsewhere the program of the desktop entry that
    // handles x-scheme-handler/http. Empty when none is registered.
    virtual QByteArray registeredBrowserProgram() = 0;

    // Starts a program detached, each argument passed as one argument (never through a shell).
    // True when it started; otherwise reason, when given, says why not.
    virtual bool startDetached(const QString& program, const QList<QString>& arguments,
                               QString* reason = nullptr) = 0;

    // Opens a URL or document the way the desktop opens it ("open" verb).
    virtual bool openWithShell(const QByteArray& url) = 0;
};

// The platform of the machine the program runs on.
Platform& SystemPlatform();

} // namespace velmora::util
