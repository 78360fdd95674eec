#include "main/uTerminationSignals.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};
volatile std::sig_atomic_t gSignalled = 0;
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe calls: the work happens in the event loop.
extern "C" void OnTerminationSignal(int signal) {
    if (gSignalled) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    gSignalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}

} // namespace

void CloseOnTerminationSignals(QWidget* Window) {
    if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return;
    gSignalled = 0;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, Window);
    QPointer<QWidget> window(Window);
    QObject::connect(notifier, &QSocketNotifier::activated, Window, [window, notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(gSignalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        if (window)
            window->close();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals)
        sigaction(s, &action, nullptr);
}

#else

void CloseOnTerminationSignals(QWidget*) {}

#endif
