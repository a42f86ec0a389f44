#include "event_wait.h"

#include <QCoreApplication>
#include <QTimer>

namespace vexalo {

void waitDeliveringEvents(std::chrono::milliseconds limit, const std::function<bool()> &done)
{
    // A flag set by a precise single-shot ends the wait; re-reading a clock instead can hang
    // when a coarse timer fires a little early and no further event ever arrives.
    bool expired = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, [&expired] { expired = true; });
    deadline.start(limit);
    while (!expired && !done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

} // namespace vexalo
