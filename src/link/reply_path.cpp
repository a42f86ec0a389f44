#include "reply_path.h"

#include <optional>

namespace vexalo {

namespace {

// Replies that carry one setting of the radio, which it also reports by itself when the setting
// changes, and that are said only when it changed, so that the answer after the report is not
// heard twice. Not the transmit VFO, said whenever it differs from the receive VFO; not the
// status report and the noise blanker, which start and end the burst after a band change; nor
// the readings of the moment (S-meter, lock, identification).
bool carriesSetting(std::string_view reply)
{
    for (const std::string_view prefix :
         { "FA", "FB", "FR", "FW", "GT", "KS", "MD", "PA", "PC", "RA" }) {
        if (reply.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

} // namespace

void ReplyPath::receive(std::string_view input)
{
    for (const std::string &reply : m_framer.receive(input)) {
        handle(reply);
    }
}

void ReplyPath::handle(const std::string &reply)
{
    const Exchange::Match match = m_exchange.match(reply);
    if (match.forClient()) {
        m_exchange.answered(match.ticket);
        if (m_clients != nullptr) {
            m_clients->answered(match.asker, reply);
        }
        // A client's setting and its read-back bring the radio's own report of the change and
        // then the answer, alike: the first is taken for the client's, so it is also heard as
        // the report it is, lest a report after it ("FT1;" after "FR1;") be read against a
        // stale state.
        if (match.readBack && m_conditions.reportsToVexalo() && carriesSetting(reply)) {
            interpret(reply, Exchange::Match {});
        }
        return;
    }
    if (match.meter) {
        m_exchange.answered(match.ticket);
        if (m_meterWatch != nullptr) {
            m_meterWatch->meterRead(reply);
        }
        if (m_observer) {
            m_observer(HandledReply { reply, true, {} });
        }
        return;
    }
    if (!match.asked()) {
        if (m_clients != nullptr) {
            m_clients->reported(reply);
        }
        if (m_conditions.reportsForClientsOnly()) {
            return;
        }
    }
    interpret(reply, match);
}

void ReplyPath::interpret(const std::string &reply, const Exchange::Match &match)
{
    const ReplyContext context { match.asked(), match.info, m_conditions.fullAuto(),
                                 m_conditions.lockChecked() };
    const std::span<const Band> bands = m_conditions.bandEdges();
    std::optional<RadioState> before;
    if (!bands.empty()) {
        before = m_interpreter.state();
    }
    Outcome outcome = m_interpreter.HandleReply(reply, context);
    if (outcome.end == End::Normal && match.asked()) {
        m_exchange.answered(match.ticket);
    }
    if (outcome.lockPoll.pause) {
        m_lockPoll.pauseLockPoll();
    }
    if (outcome.lockPoll.resume) {
        m_lockPoll.resumeLockPoll();
    }
    if (m_observer) {
        m_observer(HandledReply { reply, match.asked(), outcome.announcement });
    }
    // Ahead of the reply's own words, and as an announcement of its own that no later report
    // passes over and no settling holds back.
    if (before) {
        m_announcer.enqueue(bandEdge(bands, *before, outcome.state));
    }
    if (!match.hushed) {
        m_announcer.enqueue(std::move(outcome.announcement));
    }
}

} // namespace vexalo
