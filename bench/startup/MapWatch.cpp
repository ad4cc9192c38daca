// Starts a program and measures the time from its start to the X server mapping its first
// top-level window; then asks that window to close, as a window manager's close button does.
//
//   startup_mapwatch [--settle MS] [--timeout MS] PROGRAM [ARGS...]
//
// Prints one line, "<milliseconds> <width>x<height>", and exits with the program's exit
// status (1 when no window was mapped in time or the program had to be killed). The watcher
// selects the root window's substructure events before the program starts, so no map can
// slip by unseen; the clock runs from just before the fork.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int settleMs = 500;
    int timeoutMs = 20000;
    char** command = nullptr;
};

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--settle") == 0)
            options.settleMs = value;
        else if (std::strcmp(argv[i], "--timeout") == 0)
            options.timeoutMs = value;
        else
            return std::nullopt;
    }
    if (i >= argc)
        return std::nullopt;
    options.command = argv + i;
    return options;
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the next event until the deadline; false when the deadline passed first.
bool nextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (XPending(display) == 0) {
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        const int left = remainingMs(deadline);
        if (left == 0 || poll(&fd, 1, left) <= 0)
            return false;
    }
    XNextEvent(display, &event);
    return true;
}

void askToClose(Display* display, Window window) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XFlush(display);
}

// The program's exit status, or -1 when it is still running at the deadline.
int waitForExit(pid_t child, Clock::time_point deadline) {
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (remainingMs(deadline) == 0)
            return -1;
        usleep(5000);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: %s [--settle MS] [--timeout MS] PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "startup_mapwatch: cannot open the X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    const Clock::time_point started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // Its own process group, so that a stuck program and its helpers can be killed together.
        setpgid(0, 0);
        execvp(options->command[0], options->command);
        std::perror(options->command[0]);
        _exit(127);
    }
    if (child < 0) {
        std::perror("fork");
        return 2;
    }

    const Clock::time_point deadline = started + std::chrono::milliseconds(options->timeoutMs);
    std::optional<XMapEvent> mapped;
    XEvent event;
    while (!mapped && nextEvent(display, event, deadline)) {
        // Tool tips and menus bypass the window manager; the program's window does not.
        if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect)
            mapped = event.xmap;
    }
    const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();

    int status = -1;
    if (mapped) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, mapped->window, &attributes);
        std::printf("%.1f %dx%d\n", elapsedMs, attributes.width, attributes.height);
        std::fflush(stdout);
        usleep(static_cast<useconds_t>(options->settleMs) * 1000);
        askToClose(display, mapped->window);
        status = waitForExit(child, Clock::now() + std::chrono::milliseconds(options->timeoutMs));
    } else {
        std::fprintf(stderr, "startup_mapwatch: %s mapped no window within %d ms\n", options->command[0],
                     options->timeoutMs);
    }
    if (status < 0) {
        kill(-child, SIGKILL);
        waitpid(child, nullptr, 0);
        if (mapped)
            std::fprintf(stderr, "startup_mapwatch: %s did not close; killed\n", options->command[0]);
        status = 1;
    }
    XCloseDisplay(display);
    return status;
}
