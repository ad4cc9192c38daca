#include "util/platform/XdgBrowser.h"

#include "util/BrowserCommand.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace velmora::util {
namespace {

const QByteArray HttpScheme = "x-scheme-handler/http";

struct XdgDirs {
    QStringList config; // most important first
    QStringList data;
    QStringList desktops; // lower-cased names from XDG_CURRENT_DESKTOP
};

QStringList splitPaths(const QString& value, const QString& fallback) {
    QStringList paths = (value.isEmpty() ? fallback : value).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return paths;
}

XdgDirs xdgDirs(const QProcessEnvironment& env) {
    const QString home = env.value(QStringLiteral("HOME"), QDir::homePath());
    XdgDirs dirs;
    dirs.config << env.value(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    dirs.config << splitPaths(env.value(QStringLiteral("XDG_CONFIG_DIRS")), QStringLiteral("/etc/xdg"));
    dirs.data << env.value(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    dirs.data << splitPaths(env.value(QStringLiteral("XDG_DATA_DIRS")),
                            QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& desktop :
         env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs.desktops << desktop.toLower();
    return dirs;
}

// The value of one key in one group of a desktop-entry style file (comments skipped).
QByteArray readValue(const QString& path, QByteArrayView group, QByteArrayView key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray header = '[' + group.toByteArray() + ']';
    bool inGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inGroup = line == header;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inGroup && !line.startsWith('#') && eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

// A ';'-separated list value, empty entries dropped.
QList<QByteArray> readListValue(const QString& path, QByteArrayView group, QByteArrayView key) {
    QList<QByteArray> values;
    for (const QByteArray& v : readValue(path, group, key).split(';')) {
        if (!v.trimmed().isEmpty())
            values << v.trimmed();
    }
    return values;
}

// A desktop file id "vendor-app.desktop" may live as vendor/app.desktop as well.
QString findDesktopFile(const XdgDirs& dirs, const QByteArray& id) {
    for (const QString& dataDir : dirs.data) {
        const QString base = dataDir + QStringLiteral("/applications/");
        QString relative = QString::fromLocal8Bit(id);
        if (QFile::exists(base + relative))
            return base + relative;
        for (qsizetype dash = relative.indexOf(QLatin1Char('-')); dash >= 0;
             dash = relative.indexOf(QLatin1Char('-'), dash + 1)) {
            QString nested = relative;
            nested[dash] = QLatin1Char('/');
            if (QFile::exists(base + nested))
                return base + nested;
        }
    }
    return {};
}

// A string value with the entry format's escapes undone: backslash and s, n, t, r or a
// second backslash (any other backslash stays, for the Exec quoting rules to read).
QByteArray unescapeString(const QByteArray& value) {
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            switch (value[i + 1]) {
            case 's':
                c = ' ';
                break;
            case 'n':
                c = '\n';
                break;
            case 't':
                c = '\t';
                break;
            case 'r':
                c = '\r';
                break;
            case '\\':
                c = '\\';
                break;
            default:
                out.append(c);
                continue;
            }
            ++i;
        }
        out.append(c);
    }
    return out;
}

// The browser command of an entry that can be started: not hidden, with an Exec value
// that expands.
std::optional<BrowserCommand> commandOfEntry(const XdgDirs& dirs, const QByteArray& id) {
    const QString path = findDesktopFile(dirs, id);
    constexpr QByteArrayView group = "Desktop Entry";
    if (path.isEmpty() || readValue(path, group, "Hidden") == "true")
        return std::nullopt;
    const BrowserCommand command{unescapeString(readValue(path, group, "Exec")),
                                 unescapeString(readValue(path, group, "Icon")),
                                 unescapeString(readValue(path, group, "Name")), QFile::encodeName(path)};
    if (!ExpandBrowserCommand(command, "http://localhost/"))
        return std::nullopt;
    return command;
}

QStringList mimeappsLists(const XdgDirs& dirs) {
    QStringList lists;
    auto addDir = [&](const QString& dir) {
        for (const QString& desktop : dirs.desktops)
            lists << dir + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        lists << dir + QStringLiteral("/mimeapps.list");
    };
    for (const QString& dir : dirs.config)
        addDir(dir);
    for (const QString& dir : dirs.data)
        addDir(dir + QStringLiteral("/applications"));
    return lists;
}

} // namespace

std::optional<BrowserCommand> FindXdgHttpHandler(const QProcessEnvironment& environment) {
    const XdgDirs dirs = xdgDirs(environment);
    const QStringList lists = mimeappsLists(dirs);
    for (const char* group : {"Default Applications", "Added Associations"}) {
        for (const QString& list : lists) {
            for (const QByteArray& id : readListValue(list, group, HttpScheme)) {
                if (std::optional<BrowserCommand> command = commandOfEntry(dirs, id))
                    return command;
            }
        }
    }
    for (const QString& dataDir : dirs.data) {
        const QString cache = dataDir + QStringLiteral("/applications/mimeinfo.cache");
        for (const QByteArray& id : readListValue(cache, "MIME Cache", HttpScheme)) {
            if (std::optional<BrowserCommand> command = commandOfEntry(dirs, id))
                return command;
        }
    }
    return std::nullopt;
}

} // namespace velmora::util
