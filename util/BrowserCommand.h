#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace velmora::util {

// A program and its arguments, each handed over as one argument (no shell in between).
struct CommandLine {
    QByteArray program;
    QList<QByteArray> arguments;

    friend bool operator==(const CommandLine&, const CommandLine&) = default;
};

// How the registered browser is started, before a URL is put in: an Exec value as a desktop
// entry file writes it (with the entry format's string escapes, such as
// a backslash-s for a blank, already undone), and what its field codes %i, %c and %k
// stand for.
struct BrowserCommand {
    QByteArray exec;
    QByteArray icon;     // the entry's Icon value
    QByteArray name;     // the entry's Name value
    QByteArray location; // the entry file's path

    friend bool operator==(const BrowserCommand&, const BrowserCommand&) = default;
};

// The command line that opens url, by the Exec rules of freedesktop.org desktop entry files:
// words split at unquoted blanks; double quotes group a word, inside them a backslash escapes
// '"', '`', '$' and '\'; %u %U %f %F become the URL, %% a percent sign, %i "--icon" and the
// icon, %c the name, %k the location; the deprecated %d %D %n %N %v %m are dropped. Without a
// URL field code the URL becomes the last argument. An empty URL passes no argument at all:
// a word holding a URL field code is dropped with it. Empty when the value is malformed (an
// open quote, an unknown field code, a field code in the program word, no program).
std::optional<CommandLine> ExpandBrowserCommand(const BrowserCommand& command, QByteArrayView url);

// The browser command of a registered Windows open command: its program as
// CutWindowsBrowserCommand gives it, with the URL as the whole parameter string.
BrowserCommand WindowsBrowserCommand(QByteArrayView registeredCommand);

// The program part of a registered Windows browser command: lower-cased (ASCII only),
// cut after the first ".exe", double quotes removed. No ".exe" leaves ".exe" alone.
QByteArray CutWindowsBrowserCommand(QByteArrayView command);

} // namespace velmora::util
