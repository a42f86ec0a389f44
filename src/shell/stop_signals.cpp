// Linux and other Unix systems; Windows has stop_signals_windows.cpp.
#include "stop_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vexalo {

namespace {

int g_signalPipe[2] = { -1, -1 };
volatile std::sig_atomic_t g_stopReceived = 0;

void onStopSignal(int)
{
    g_stopReceived = 1;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[1], &byte, 1);
        emit stopRequested();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP }) {
        sigaction(signal, &action, nullptr);
    }
}

bool StopSignals::received() const
{
    return g_stopReceived != 0;
}

StopSignals::~StopSignals()
{
    if (g_signalPipe[0] >= 0) {
        for (const int signal : { SIGTERM, SIGINT, SIGHUP }) {
            std::signal(signal, SIG_DFL);
        }
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
}

} // namespace vexalo
