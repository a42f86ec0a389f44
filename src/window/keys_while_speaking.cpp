#include "keys_while_speaking.h"

#include "logging.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShortcutEvent>
#include <QWidget>
#include <QWindow>

namespace vexalo {

namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

KeysWhileSpeaking::KeysWhileSpeaking(Announcer &announcer, QWidget &mainWindow,
                                     const QWidget &entry)
    : m_announcer(announcer), m_window(mainWindow), m_entry(entry)
{
    m_handOn.setSingleShot(true);
    m_handOn.setInterval(0);
    m_handOn.callOnTimeout([this] { handOnNext(); });
    qApp->installEventFilter(this);
    m_announcer.setWhileClipSounds(this);
}

KeysWhileSpeaking::~KeysWhileSpeaking()
{
    m_announcer.setWhileClipSounds(nullptr);
    qApp->removeEventFilter(this);
}

void KeysWhileSpeaking::look()
{
    if (m_looking) {
        return;
    }
    m_looking = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers
                                    | QEventLoop::X11ExcludeTimers);
    m_looking = false;
}

bool KeysWhileSpeaking::eventFilter(QObject *receiver, QEvent *event)
{
    if (!isInput(event->type())) {
        return false;
    }
    if (m_looking) {
        if (stopsSpeech(receiver, *event)) {
            m_announcer.silence();
        }
    } else if (m_heldBack.empty() || event == m_handingOn
               || (!event->spontaneous() && event->type() != QEvent::Shortcut)) {
        // Nothing waits that this input could overtake: it is the one handed on, or Qt passing
        // that one on to a widget. A shortcut is always sent, never spontaneous.
        return false;
    }
    qCDebug(lcWindow, "held back: event %d for %s", static_cast<int>(event->type()),
            receiver->metaObject()->className());
    m_heldBack.emplace_back(receiver, event->clone());
    m_handOn.start();
    return true;
}

bool KeysWhileSpeaking::stopsSpeech(const QObject *receiver, const QEvent &event) const
{
    if (QApplication::activePopupWidget() != nullptr || m_entry.isVisible()) {
        return false;
    }
    if (event.type() == QEvent::Shortcut) {
        // The steps are the main window's shortcuts, which Qt hands to their action instead of
        // a key press. A held step repeats 30 times a second: it must not wait for each
        // confirmation's end.
        const QKeySequence &keys = static_cast<const QShortcutEvent &>(event).key();
        return keys == QKeySequence(Qt::CTRL | Qt::Key_Up)
            || keys == QKeySequence(Qt::CTRL | Qt::Key_Down);
    }
    if (event.type() != QEvent::KeyPress) {
        return false;
    }
    const auto &key = static_cast<const QKeyEvent &>(event);
    // Keys reach the window's QWindow first, then the widget with the focus.
    const auto *widget = qobject_cast<const QWidget *>(receiver);
    const bool mainWindow
        = widget != nullptr ? widget->window() == &m_window : receiver == m_window.windowHandle();
    return key.key() == Qt::Key_Escape && key.modifiers() == Qt::NoModifier && mainWindow;
}

void KeysWhileSpeaking::handOnNext()
{
    if (m_heldBack.empty()) {
        return;
    }
    auto [receiver, event] = std::move(m_heldBack.front());
    m_heldBack.pop_front();
    // One at a time, each on a pass of its own through the event loop, as they came: one that
    // leads to speech holds back what comes meanwhile behind those still waiting, and a wait
    // for the radio within it goes on handing them on.
    if (!m_heldBack.empty()) {
        m_handOn.start();
    }
    if (receiver) {
        QEvent *const outer = std::exchange(m_handingOn, event.get());
        QCoreApplication::sendEvent(receiver, event.get());
        m_handingOn = outer;
    }
}

} // namespace vexalo
