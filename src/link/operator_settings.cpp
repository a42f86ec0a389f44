#include "operator_settings.h"

#include "announcer.h"
#include "interpreter.h"
#include "link.h"
#include "logging.h"
#include "number_speech.h"
#include "operator_input.h"
#include "radio_port.h"
#include "reply.h"

namespace vexalo {

namespace {

namespace input = operator_input;

// A character takes 2.08 ms at 4800 baud; a setting has left the line after its length in them.
std::chrono::milliseconds lineTime(const std::string &command)
{
    return std::chrono::milliseconds(1 + static_cast<long long>(command.size()) * 21 / 10);
}

std::string_view prefixOf(std::string_view command)
{
    return command.substr(0, 2);
}

} // namespace

OperatorSettings::OperatorSettings(Link &link, Announcer &announcer, const Interpreter &interpreter,
                                   std::filesystem::path stepFile)
    : m_link(link), m_announcer(announcer), m_interpreter(interpreter),
      m_stepFile(std::move(stepFile)), m_step(input::readStep(m_stepFile))
{
    m_pace.setSingleShot(true);
    m_pace.setTimerType(Qt::PreciseTimer);
    connect(&m_pace, &QTimer::timeout, this, &OperatorSettings::sendTarget);
    m_still.setSingleShot(true);
    m_still.setInterval(kStill);
    connect(&m_still, &QTimer::timeout, this, &OperatorSettings::settle);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRest);
    m_patience.setSingleShot(true);
    // The exchange forgets a query after the reply timeout; a little more covers the read-back
    // that follows the setting on the line.
    m_patience.setInterval(Exchange::kReplyTimeout + std::chrono::milliseconds(100));
    connect(&m_patience, &QTimer::timeout, this, &OperatorSettings::timedOut);
    m_link.watchReplies([this](const HandledReply &handled) { seen(handled); });
}

void OperatorSettings::largerStep()
{
    m_step = input::largerStep(m_step);
    input::writeStep(m_stepFile, m_step);
    m_announcer.say(input::stepClips(m_step));
}

void OperatorSettings::smallerStep()
{
    m_step = input::smallerStep(m_step);
    input::writeStep(m_stepFile, m_step);
    m_announcer.say(input::stepClips(m_step));
}

std::optional<long long> OperatorSettings::frequency() const
{
    const RadioState &state = m_interpreter.state();
    const Maybe<long long> &hertz = receivingVfo() == 1 ? state.freq_b : state.freq_a;
    return hertz.isSet() ? std::optional<long long>(hertz.get()) : std::nullopt;
}

int OperatorSettings::receivingVfo() const
{
    return vfoNumber(m_interpreter.state().rx_vfo) == 1 ? 1 : 0;
}

OperatorSettings::Change OperatorSettings::frequencyChange(long long hertz) const
{
    const int vfo = receivingVfo();
    const std::string command = input::frequencyCommand(vfo, hertz);
    Clips refused = sayNumber(std::string_view(command).substr(2, 10));
    return Change { command, vfo == 1 ? "FB;" : "FA;", std::move(refused) };
}

OperatorSettings::Change OperatorSettings::knobChange(Knob knob, long long value) const
{
    struct Layout {
        const char *letters;
        int width;
    };
    static constexpr Layout kLayouts[] = {
        { "MD", 1 }, { "FR", 1 }, { "FT", 1 }, { "GT", 3 }, { "PA", 1 },
        { "RA", 2 }, { "NB", 1 }, { "FW", 4 }, { "PC", 3 }, { "KS", 3 },
    };
    const Layout layout = kLayouts[static_cast<int>(knob)];
    if (knob == Knob::Split) {
        // Split is the transmit VFO other than the receiving one.
        value = value != 0 ? 1 - receivingVfo() : receivingVfo();
    }
    if (knob == Knob::Power && m_interpreter.state().firmware_format == PowerForm::Long) {
        value *= 10; // the long form counts tenths of a watt
    }
    return Change { input::settingCommand(layout.letters, value, layout.width),
                    std::string(layout.letters) + ";",
                    {} };
}

std::optional<long long> OperatorSettings::current(Knob knob) const
{
    const RadioState &state = m_interpreter.state();
    const auto digit = [](const Maybe<std::string> &recorded) -> std::optional<long long> {
        if (!recorded.isSet() || recorded.get().size() != 1 || recorded.get()[0] < '0'
            || recorded.get()[0] > '9') {
            return std::nullopt;
        }
        return recorded.get()[0] - '0';
    };
    // A switch as 1 for on; the preamp is recorded as off.
    const auto onOff = [](const Maybe<bool> &recorded, bool on) -> std::optional<long long> {
        if (!recorded.isSet()) {
            return std::nullopt;
        }
        return recorded.get() == on ? 1 : 0;
    };
    switch (knob) {
    case Knob::Mode:
        return digit(state.last_mode);
    case Knob::RxVfo:
        return digit(state.rx_vfo);
    case Knob::Split:
        return onOff(state.split_on, true);
    case Knob::Agc:
        return digit(state.last_agc);
    case Knob::Preamp:
        return onOff(state.preamp_off, false);
    case Knob::Attenuator:
        return onOff(state.att_on, true);
    case Knob::NoiseBlanker:
        return digit(state.last_nb);
    case Knob::Power:
        if (!state.last_power.isSet()) {
            return std::nullopt;
        }
        // Back in whole watts; knobChange turns them into the form's unit again.
        return state.firmware_format == PowerForm::Long ? state.last_power.get() / 10
                                                        : state.last_power.get();
    case Knob::Keyer:
        return state.last_speed.isSet() ? std::optional<long long>(state.last_speed.get())
                                        : std::nullopt;
    case Knob::Bandwidth:
        return std::nullopt; // not recorded
    }
    return std::nullopt;
}

void OperatorSettings::set(Knob knob, long long value)
{
    const std::optional<long long> before = current(knob);
    apply(knobChange(knob, value),
          before ? std::optional(knobChange(knob, *before)) : std::nullopt);
}

void OperatorSettings::setFromEntry(Knob knob, std::optional<int> value)
{
    if (!value) {
        m_announcer.say({ "invalid" });
        return;
    }
    set(knob, *value);
}

void OperatorSettings::readEverything()
{
    if (m_reading) {
        return;
    }
    m_reading = true;
    m_stopReading = false;
    const auto read = [this](std::string_view query) {
        return !m_stopReading && m_link.askAndWait(query) == Link::Asked::Waited;
    };
    const bool going = read(receivingVfo() == 1 ? "FB;" : "FA;") && read("FT;") &&
        [this] {
            // The radio's split reply speaks only of split; that it is off is said here.
            if (!m_interpreter.state().split_on) {
                m_announcer.say({ "split", "off" });
            }
            return true;
        }()
        && read("MD;") && read("FW;") && [this] {
               const Link::Asked asked = m_link.askSilentlyAndWait("if;");
               if (asked != Link::Asked::Waited || m_stopReading) {
                   return false;
               }
               m_announcer.say(ritXitReadout(m_interpreter.state()));
               return true;
           }();
    if (going) {
        for (const std::string_view query : { "GT;", "NB;", "PA;", "RA;", "PC;", "KS;" }) {
            if (!read(query)) {
                break;
            }
        }
    }
    m_reading = false;
}

bool OperatorSettings::busy() const
{
    return m_inFlight.has_value() || m_target.has_value();
}

void OperatorSettings::step(int direction)
{
    const long long by = direction * input::kSteps[m_step];
    // Taps that follow one another within kRest are one burst, confirmed once at its end.
    const bool fromRest = !m_target && !m_rest.isActive();
    m_rest.start();
    if (!m_target) {
        const std::optional<long long> base = frequency();
        if (!base) {
            // Nothing said yet of the frequency: ask it, and the steps count from its answer.
            if (m_pendingSteps == 0) {
                m_link.ask(receivingVfo() == 1 ? "FB;" : "FA;");
            }
            m_pendingSteps += by;
            return;
        }
        m_target = *base;
        if (fromRest) {
            m_burstFrom = *base; // a run within kRest of the last is undone with it
        }
    }
    m_target = input::stepped(*m_target, by);
    m_still.start();
    if (fromRest && !m_inFlight && tunesLive()) {
        stepFromRest();
        return;
    }
    m_pressedSinceReadBack = true;
    if (m_inFlight && m_inFlight->stepping) {
        // The step read back is no longer the one aimed at: its answer is recorded, not said.
        m_link.exchange().hush(m_inFlight->readBack);
    }
    if (!m_pace.isActive() && tunesLive()) {
        sendTarget();
    }
}

void OperatorSettings::stepFromRest()
{
    // The setting and its read-back at once, so that one step is confirmed as promptly as an
    // asked frequency; the burst's undo goes with it.
    Change change = frequencyChange(*m_target);
    std::optional<Change> undo = frequencyChange(*std::exchange(m_burstFrom, std::nullopt));
    m_pace.start(lineTime(change.setting + change.query));
    m_sent = m_target;
    m_pressedSinceReadBack = false;
    if (!start(InFlight { std::move(change), std::move(undo), false, true })) {
        m_pace.stop();
        m_target.reset();
        m_sent.reset();
    }
}

bool OperatorSettings::tunesLive() const
{
    // While the radio reports its changes, every step would be reported and said, and the keys
    // would wait behind the speech: the steps then go out as one setting once the keys are still,
    // whose report the read-back takes for its answer.
    return !m_link.reportModes().reportsOn();
}

void OperatorSettings::sendTarget()
{
    if (!m_target || m_target == m_sent || (m_still.isActive() && !tunesLive())) {
        return;
    }
    const std::string command = input::frequencyCommand(receivingVfo(), *m_target);
    if (!m_link.set(command)) {
        m_target.reset();
        m_sent.reset();
        m_burstFrom.reset();
        return;
    }
    m_sent = m_target;
    m_settingUnanswered = true;
    m_pace.start(lineTime(command));
}

void OperatorSettings::settle()
{
    // Nothing pressed since the last read-back went out: that one says the frequency.
    if (!m_target || !m_pressedSinceReadBack) {
        return;
    }
    if (m_pace.isActive()) {
        m_still.start(m_pace.remainingTimeAsDuration());
        return;
    }
    sendTarget();
    std::optional<Change> undo;
    if (m_burstFrom) {
        undo = frequencyChange(*m_burstFrom);
        m_burstFrom.reset();
    }
    m_pressedSinceReadBack = false;
    Change readBack = frequencyChange(m_target.value_or(0));
    readBack.setting.clear();
    queue(InFlight { std::move(readBack), std::move(undo), false, true });
}

void OperatorSettings::tuneTo(long long hertz)
{
    m_target.reset();
    m_sent.reset();
    m_burstFrom.reset();
    m_still.stop();
    const std::optional<long long> now = frequency();
    apply(frequencyChange(hertz), now ? std::optional(frequencyChange(*now)) : std::nullopt);
}

void OperatorSettings::apply(Change change, std::optional<Change> undo)
{
    queue(InFlight { std::move(change), std::move(undo) });
}

void OperatorSettings::queue(InFlight unit)
{
    if (m_inFlight) {
        m_waiting = std::move(unit);
        return;
    }
    start(std::move(unit));
}

bool OperatorSettings::start(InFlight unit)
{
    if (!unit.change.setting.empty()) {
        if (!m_link.set(unit.change.setting)) {
            return false;
        }
        m_settingUnanswered = true;
    }
    // Straight behind the setting, before any client's command can come between them.
    unit.readBack = m_link.ask(unit.change.query);
    if (unit.readBack == 0) {
        return false;
    }
    qCDebug(lcLink, "operator setting %s, read back with %s", unit.change.setting.c_str(),
            unit.change.query.c_str());
    m_inFlight = std::move(unit);
    m_patience.start();
    return true;
}

void OperatorSettings::startWaiting()
{
    if (m_waiting) {
        InFlight next = std::move(*m_waiting);
        m_waiting.reset();
        start(std::move(next));
    }
}

void OperatorSettings::undo()
{
    if (m_undo.empty()) {
        m_announcer.say({ "no_undo" });
        return;
    }
    Change back = std::move(m_undo.back());
    m_undo.pop_back();
    apply(std::move(back), std::nullopt);
}

void OperatorSettings::seen(const HandledReply &handled)
{
    const Reply reply(handled.reply);
    const std::string prefix = reply.field(1, 2);
    if (m_pendingSteps != 0 && frequency()) {
        const long long steps = std::exchange(m_pendingSteps, 0);
        m_target = m_burstFrom = frequency();
        m_target = input::stepped(*m_target, steps);
        m_pressedSinceReadBack = true;
        m_still.start();
        sendTarget();
    }

    if (handled.reply.starts_with('?') && m_settingUnanswered) {
        m_settingUnanswered = false;
        Announcement notAccepted { Origin::Answer, {} };
        notAccepted.add(Reading::None, "not_accepted");
        if (m_inFlight && !m_inFlight->change.setting.empty() && !m_inFlight->refused) {
            m_inFlight->refused = true;
            notAccepted.add(Reading::None, m_inFlight->change.refused);
        } else if (m_sent) {
            notAccepted.add(Reading::None, frequencyChange(*m_sent).refused);
            m_target.reset();
            m_sent.reset();
        }
        // Enqueued only: the link says it, in its turn, once the replies at hand are handled.
        m_announcer.enqueue(std::move(notAccepted));
        emit radioSaid();
        return;
    }
    if (m_inFlight && prefix == prefixOf(m_inFlight->change.query)) {
        finish();
    }
    emit radioSaid();
}

void OperatorSettings::finish()
{
    m_patience.stop();
    m_settingUnanswered = false;
    InFlight done = std::move(*m_inFlight);
    m_inFlight.reset();
    if (!m_pressedSinceReadBack) {
        m_target.reset();
        m_sent.reset();
    }
    if (!done.refused && done.undo) {
        m_undo.push_back(std::move(*done.undo));
        if (m_undo.size() > kUndoDepth) {
            m_undo.pop_front();
        }
    }
    startWaiting();
}

void OperatorSettings::timedOut()
{
    {
        const auto grace = m_link.exchange().grace();
        m_link.port().handOnWaiting();
    }
    if (!m_inFlight) {
        return;
    }
    qCDebug(lcLink, "no read-back for %s", m_inFlight->change.query.c_str());
    m_inFlight.reset();
    m_settingUnanswered = false;
    m_target.reset();
    m_sent.reset();
    m_announcer.say({ "q7_error" });
    startWaiting();
}

} // namespace vexalo
