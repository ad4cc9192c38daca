#include "app/CommandLine.h"

#include "brand/AppGlobals.h"

#include <QCommandLineParser>

namespace velmora::app {
namespace {

constexpr char UsageLine[] = "usage: velmora [--help] [--version]";

// Options the window system takes from the command line; each takes a value.
constexpr const char* QtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",      "style",  "stylesheet",
    "display",  "qwindowgeometry",    "qwindowtitle",  "qwindowicon", "session"};
constexpr const char* QtFlagOptions[] = {"reverse", "nograb", "dograb", "sync"};

QString helpText() {
    return QStringLiteral(
        "Usage: velmora [OPTIONS]\n"
        "Downloads the search engine's results page for a keyword, lists its sponsored ads with\n"
        "keyword and position, and exports them as CSV. Velmora takes no arguments: it opens its\n"
        "window, where a keyword is typed.\n"
        "\n"
        "Options:\n"
        "  -h, --help     show this text and exit\n"
        "  -v, --version  show the version and exit\n"
        "Qt's window-system options (-platform NAME, -style NAME, -display DISPLAY, ...) are\n"
        "passed on.\n"
        "\n"
        "An installed Velmora reads a reseller's brand files beside the executable, then in\n"
        "/etc/xdg/velmora/, then in ~/.config/velmora/; it keeps the last news item read in\n"
        "~/.config/velmora/usersettings.txt, the update information in ~/.cache/velmora/ and\n"
        "downloads in the temporary folder. A portable folder keeps all of them beside the\n"
        "executable. See velmora(1).\n"
        "Exit status: 0 when the window was closed or an option answered, 2 on wrong usage.\n");
}

CommandLineAnswer usageError(const QString& problem) {
    return {
        UsageExitStatus, {}, QStringLiteral("velmora: %1\n%2\n").arg(problem, QLatin1StringView(UsageLine))};
}

} // namespace

CommandLineAnswer AnswerCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : QtValueOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("value")));
    for (const char* name : QtFlagOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help))
        return {0, helpText(), {}};
    if (parser.isSet(version))
        return {0, QStringLiteral("velmora %1\n").arg(QLatin1StringView(AppVersion)), {}};
    return {};
}

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace velmora::app
