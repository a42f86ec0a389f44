#include "event_wait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <utility>

namespace vexalo {

namespace {

// The innermost wait under way, named by its flag. Only it may wake the loop: an
// outer wait that is over would otherwise keep a nested one from ever blocking.
const bool *innermostWait = nullptr;

} // namespace

void waitDeliveringEvents(std::chrono::milliseconds limit, const std::function<bool()> &done)
{
    // A flag set by a precise single-shot ends the wait; re-reading a clock instead can hang
    // when a coarse timer fires a little early and no further event ever arrives.
    bool expired = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, [&expired] { expired = true; });
    // The predicate is asked until it first holds, never again: it may take what it awaits.
    bool over = false;
    const auto finished = [&] {
        over = over || expired || done();
        return over;
    };
    // Windows' dispatcher hands out an event posted from another thread (every precise timer's
    // is) only on its next turn after the message that announced it, and then blocks until
    // another message comes, whatever the event settled. So the wait is looked at again where
    // the loop is about to block, and one that is over wakes it.
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    const bool *outer = std::exchange(innermostWait, &over);
    const QMetaObject::Connection check = QObject::connect(
        dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&over, &finished, dispatcher] {
            if (innermostWait == &over && finished()) {
                dispatcher->wakeUp();
            }
        });
    deadline.start(limit);
    while (!finished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    QObject::disconnect(check);
    innermostWait = outer;
}

} // namespace vexalo
