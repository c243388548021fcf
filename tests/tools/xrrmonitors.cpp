// Splits an Xvfb screen into RandR monitors and keeps them while it runs (the server drops
// them with this client). SIGUSR1 removes the last monitor, to unplug a screen in tests.
// A line on stdin with a new list replaces the whole layout at once; "ready" answers it.
//   xrrmonitors NAME:WxH+X+Y [NAME:WxH+X+Y ...]   the first one is primary and owns the output

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t unplugRequested = 0;
volatile sig_atomic_t quitRequested = 0;

struct Monitor
{
    std::string name;
    int width, height, x, y;
};

bool parse(const char *text, Monitor &monitor)
{
    const char *colon = std::strchr(text, ':');
    if (!colon)
        return false;
    monitor.name.assign(text, colon);
    return std::sscanf(
               colon + 1, "%dx%d+%d+%d", &monitor.width, &monitor.height, &monitor.x, &monitor.y)
        == 4;
}

bool parseLine(char *line, std::vector<Monitor> &monitors)
{
    for (char *word = std::strtok(line, " \n"); word; word = std::strtok(nullptr, " \n")) {
        Monitor monitor;
        if (!parse(word, monitor))
            return false;
        monitors.push_back(monitor);
    }
    return !monitors.empty();
}

RROutput findOutput(Display *display, Window root)
{
    XRRScreenResources *resources = XRRGetScreenResources(display, root);
    RROutput found = None;
    for (int i = 0; resources && i < resources->noutput && found == None; ++i) {
        XRROutputInfo *info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (info && info->connection == RR_Connected)
            found = resources->outputs[i];
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
    return found;
}

void setLayout(Display *display, Window root, RROutput output, const std::vector<Monitor> &monitors)
{
    for (size_t i = 0; i < monitors.size(); ++i) {
        const Monitor &m = monitors[i];
        const bool first = i == 0;
        XRRMonitorInfo *info = XRRAllocateMonitor(display, first && output != None ? 1 : 0);
        info->name = XInternAtom(display, m.name.c_str(), False);
        info->primary = first;
        info->automatic = False;
        info->x = m.x;
        info->y = m.y;
        info->width = m.width;
        info->height = m.height;
        info->mwidth = m.width * 254 / 960; // 96 dpi
        info->mheight = m.height * 254 / 960;
        if (first && output != None)
            info->outputs[0] = output;
        XRRSetMonitor(display, root, info);
        XRRFreeMonitors(info);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<Monitor> monitors;
    for (int i = 1; i < argc; ++i) {
        Monitor monitor;
        if (!parse(argv[i], monitor)) {
            std::fprintf(stderr, "usage: %s NAME:WxH+X+Y ...\n", argv[0]);
            return 2;
        }
        monitors.push_back(monitor);
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xrrmonitors: cannot open the display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const RROutput output = findOutput(display, root);

    setLayout(display, root, output, monitors);
    XSync(display, False);
    std::puts("ready");
    std::fflush(stdout);

    std::signal(SIGUSR1, [](int) { unplugRequested = 1; });
    std::signal(SIGTERM, [](int) { quitRequested = 1; });
    std::signal(SIGINT, [](int) { quitRequested = 1; });
    // A test that dies takes its monitors with it, rather than leave them to a server no
    // one stops.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() == 1)
        quitRequested = 1;
    bool reading = true;
    while (!quitRequested) {
        // Once stdin has ended it is no longer polled: it would be readable for ever. A
        // closed pipe reports a hang-up, not input.
        pollfd fds[2]
            = {{ConnectionNumber(display), POLLIN, 0}, {reading ? STDIN_FILENO : -1, POLLIN, 0}};
        ::poll(fds, 2, 200);
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char line[1024];
            if (!std::fgets(line, sizeof line, stdin)) {
                reading = false;
            } else if (std::vector<Monitor> next; parseLine(line, next)) {
                // Under a server grab, so other clients see the old layout or the new one.
                XGrabServer(display);
                for (const Monitor &old : monitors)
                    XRRDeleteMonitor(display, root, XInternAtom(display, old.name.c_str(), False));
                setLayout(display, root, output, next);
                XUngrabServer(display);
                XSync(display, False);
                monitors = next;
                std::puts("ready");
                std::fflush(stdout);
            }
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
        if (unplugRequested && monitors.size() > 1) {
            unplugRequested = 0;
            XRRDeleteMonitor(
                display, root, XInternAtom(display, monitors.back().name.c_str(), False));
            monitors.pop_back();
            XSync(display, False);
            std::puts("unplugged");
            std::fflush(stdout);
        }
    }
    XCloseDisplay(display);
    return 0;
}
