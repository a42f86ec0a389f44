// What the operator does while a clip sounds. Only Escape and a tuning step (Ctrl+Up,
// Ctrl+Down) in the main window (no menu or entry open) act at once: they stop the speech
// within the clip, the step's own words being about to change. Every other input is held
// back and handed on, in order, once the speaking is over. Relies on the announcer's
// WhileClipSounds seam and on Qt delivering every event through the application's filter.
#pragma once

#include "announcer.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <memory>
#include <utility>

class QWidget;

namespace vexalo {

// The look runs the event loop once, without the serial line (socket notifiers) and without
// timers, so neither a reply nor a timeout is handled inside a clip and replies are still
// taken one at a time, between clips. What the window system delivers meanwhile passes this
// filter: input events (keys, shortcuts, mouse, wheel, a close request) are held back and
// handed on one by one, in order, once the clip is over, so no handler of the program runs
// inside the clip; input that comes while some are held back queues behind them, so none
// overtakes another. Escape or a step for the main window silences the announcer there and
// then, and is handed on like the rest, so the window's own handler (which ends a full readout,
// or tunes) runs afterwards. Let through: painting, focus changes and posted calls, which the
// screen reader's questions about the window arrive as and which cannot be held back.
class KeysWhileSpeaking : public QObject, public WhileClipSounds {
public:
    // `entry` is the main window's value entry, which takes Escape for itself while open.
    KeysWhileSpeaking(Announcer &announcer, QWidget &mainWindow, const QWidget &entry);
    ~KeysWhileSpeaking() override;

    void look() override;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override;

private:
    bool stopsSpeech(const QObject *receiver, const QEvent &event) const;
    void handOnNext();

    Announcer &m_announcer;
    QWidget &m_window;
    const QWidget &m_entry;
    bool m_looking = false;
    // Input held back, oldest first; while any waits, new input joins the back.
    std::deque<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_heldBack;
    QEvent *m_handingOn = nullptr;
    // A timer, not a posted call: timers are not run inside a clip, so it fires only once the
    // clip is over and the event loop runs again.
    QTimer m_handOn;
};

} // namespace vexalo
