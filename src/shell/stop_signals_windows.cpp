// Windows: Ctrl+C, Ctrl+Break and the console's close, logoff and shutdown events arrive on a
// thread the system starts for the console handler. The handler only notes the request and
// sets an event; the UI thread's notifier turns it into stopRequested. For the events after
// which the system ends the process once the handler returns, the handler waits (as long as
// the system allows) until the shutdown has run. The session's end for the window comes
// through Qt's commitDataRequest, as on Linux.
#include "stop_signals.h"

#include <QWinEventNotifier>

#include <windows.h>

#include <atomic>

namespace vexalo {

namespace {

HANDLE g_stopEvent = nullptr;
HANDLE g_finishedEvent = nullptr;
std::atomic<bool> g_stopReceived = false;

// The system allows a close handler 5 s (logoff and shutdown: up to 20 s) before it ends the
// process; the farewell and the port's release take about two.
constexpr DWORD kShutdownWaitMs = 4500;

BOOL WINAPI onConsoleControl(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        g_stopReceived = true;
        SetEvent(g_stopEvent);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        g_stopReceived = true;
        SetEvent(g_stopEvent);
        WaitForSingleObject(g_finishedEvent, kShutdownWaitMs);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_finishedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_stopEvent || !g_finishedEvent) {
        return;
    }
    auto *notifier = new QWinEventNotifier(g_stopEvent, this);
    connect(notifier, &QWinEventNotifier::activated, this, [this] {
        ResetEvent(g_stopEvent);
        emit stopRequested();
    });
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool StopSignals::received() const
{
    return g_stopReceived;
}

StopSignals::~StopSignals()
{
    if (g_finishedEvent) {
        SetEvent(g_finishedEvent); // the shutdown has run: a waiting handler may return now
    }
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
}

} // namespace vexalo
