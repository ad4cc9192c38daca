#pragma once

#include <QByteArray>
#include <QList>

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

} // namespace velmora::util
