#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace velmora::app {

// Where an error that leaves an event handler ends up. The program has one of them; the
// windows get it passed in, tests pass a recorder.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void report(const QString& message) = 0;
};

// Writes the message to stderr and shows it in a dialog over the active window. A report
// that arrives while its dialog is still open (a timer that keeps failing, say) only goes
// to stderr, so dialogs never pile up.
class DialogErrorReporter final : public ErrorReporter {
public:
    void report(const QString& message) override;

private:
    bool m_dialogOpen = false;
};

// The text of whatever was caught; only for use inside a catch block.
QString describeCurrentException();

// Runs one event handler; an exception leaving it is reported, and the program goes on
// with the rest of that handler skipped.
template <class Handler> void runGuarded(ErrorReporter& reporter, Handler&& handler) {
    try {
        std::invoke(std::forward<Handler>(handler));
    } catch (...) {
        reporter.report(describeCurrentException());
    }
}

// Wraps a handler for use in connect(): the returned callable ignores the signal's
// arguments and runs the handler through runGuarded.
template <class Handler> auto guarded(ErrorReporter& reporter, Handler handler) {
    return [&reporter, handler = std::move(handler)]() { runGuarded(reporter, handler); };
}

// The outer net: every event Qt delivers goes through notify(), so whatever a handler
// that is not wrapped lets escape is caught here and reported.
class ReportingApplication : public QApplication {
public:
    ReportingApplication(int& argc, char** argv, ErrorReporter& reporter);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorReporter& m_reporter;
};

} // namespace velmora::app
