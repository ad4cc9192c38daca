#pragma once

// The program's command line, answered before any window system is opened: --help and
// --version print and end the program, anything it does not know is a usage error (exit 2).
// Qt's own window-system options (-platform, -style, -display, ...) pass on to the application.

#include <QString>
#include <QStringList>

#include <optional>

namespace velmora::app {

struct CommandLineAnswer {
    // Set when the program ends here, with this exit status.
    std::optional<int> exitStatus;
    // What goes to standard output and to standard error.
    QString output;
    QString error;
};

inline constexpr int UsageExitStatus = 2;

// arguments as the program got them, the program's name first.
CommandLineAnswer AnswerCommandLine(const QStringList& arguments);

// argv as text, without an application object.
QStringList ArgumentsOf(int argc, char** argv);

} // namespace velmora::app
