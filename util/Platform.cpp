#include "util/Platform.h"

#include "util/BrowserCommand.h"

#include <QProcess>
#include <QProcessEnvironment>

#ifdef Q_OS_WIN
#include "util/platform/WindowsShell.h"
#else
#include "util/platform/XdgBrowser.h"
#endif

namespace velmora::util {
namespace {

#ifdef Q_OS_WIN
// Arguments joined the way the C runtime splits them again.
std::wstring joinWindowsArguments(const QList<QString>& arguments) {
    QString joined;
    for (const QString& argument : arguments) {
        if (!joined.isEmpty())
            joined += QLatin1Char(' ');
        if (!argument.isEmpty() && !argument.contains(QLatin1Char(' ')) &&
            !argument.contains(QLatin1Char('"'))) {
            joined += argument;
            continue;
        }
        QString quoted = argument;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        joined += QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return joined.toStdWString();
}
#endif

class SystemPlatformImpl final : public Platform {
public:
    std::optional<BrowserCommand> registeredBrowserCommand() override {
#ifdef Q_OS_WIN
        const std::string command = windows::ReadHttpOpenCommand();
        if (command.empty())
            return std::nullopt;
        return WindowsBrowserCommand(QByteArrayView(command));
#else
        return FindXdgHttpHandler(QProcessEnvironment::systemEnvironment());
#endif
    }

    bool startDetached(const QString& program, const QList<QString>& arguments, QString* reason) override {
#ifdef Q_OS_WIN
        // The browser gets the URL as its whole parameter string.
        const std::wstring parameters =
            arguments.size() == 1 ? arguments.front().toStdWString() : joinWindowsArguments(arguments);
        if (windows::ShellOpen(program.toStdWString(), parameters))
            return true;
        if (reason)
            *reason = QString::fromStdWString(windows::LastErrorText());
        return false;
#else
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        if (process.startDetached())
            return true;
        if (reason)
            *reason = process.errorString();
        return false;
#endif
    }

    bool openWithShell(const QByteArray& url) override {
#ifdef Q_OS_WIN
        return windows::ShellOpen(QString::fromLocal8Bit(url).toStdWString(), std::wstring());
#else
        return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromLocal8Bit(url)});
#endif
    }
};

} // namespace

Platform& SystemPlatform() {
    static SystemPlatformImpl platform;
    return platform;
}

} // namespace velmora::util
