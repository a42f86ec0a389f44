// The S-meter tone's one owner: the operator switches it on and off, it asks the radio for the
// S-meter five times a second through the link's exchange, as the lock poll asks for the lock,
// and turns each answer into the pitch of a tone the announcer hands to the sound; the answers
// are never said. It ends when the radio stops answering, and is not kept between runs.
#pragma once

#include "reply_path.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <string_view>

namespace vexalo {

class Announcer;
class Link;

class SMeterTone : public QObject, public MeterWatch {
public:
    static constexpr std::chrono::milliseconds kPollInterval { 200 };
    // Polls in a row left unanswered before the tone gives up: a second of a silent radio.
    static constexpr int kUnansweredLimit = 5;
    // S0 and S9+60, two octaves apart, so that every S unit is the same step of the scale.
    static constexpr double kLowestHertz = 400;
    static constexpr double kHighestHertz = 1600;

    SMeterTone(Link &link, Announcer &announcer);

    // The pitch of a bar-graph value, read the way its reading is said: from 12 up, 12 lower.
    static double pitchOf(long bar);

    // On, saying "tone on", or off, saying "tone off".
    void toggle();
    // Off without a word: the operator asked for silence, or the program is ending.
    void stop();
    bool on() const { return m_poll.isActive(); }

    // One look at the S-meter: asks for it, or gives up once the radio has stopped answering.
    void poll();
    void meterRead(std::string_view reply) override;

private:
    void switchOff();

    Link &m_link;
    Announcer &m_announcer;
    QTimer m_poll;
    int m_unanswered = 0;
};

} // namespace vexalo
