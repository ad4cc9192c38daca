#include "util/BrowserLaunch.h"

#include "util/BrowserCommand.h"
#include "util/Platform.h"

#include <QString>

namespace velmora::util {

bool OpenUrlInBrowser(const QByteArray& url, Platform& platform, bool* started) {
    if (started)
        *started = false;
    const std::optional<BrowserCommand> command = platform.registeredBrowserCommand();
    if (!command)
        return false;
    // Every word goes over as one argument and never through a command interpreter, so no
    // character in the URL can start anything else.
    if (const std::optional<CommandLine> line = ExpandBrowserCommand(*command, url)) {
        QList<QString> arguments;
        for (const QByteArray& argument : line->arguments)
            arguments.append(QString::fromLocal8Bit(argument));
        const bool ok = platform.startDetached(QString::fromLocal8Bit(line->program), arguments);
        if (started)
            *started = ok;
    }
    return true;
}

} // namespace velmora::util
