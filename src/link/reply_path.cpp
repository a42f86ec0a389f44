#include "reply_path.h"

namespace vexalo {

void ReplyPath::receive(std::string_view input)
{
    for (const std::string &reply : m_framer.receive(input)) {
        handle(reply);
    }
}

void ReplyPath::collectArrivals()
{
    if (m_takeWaiting) {
        receive(m_takeWaiting());
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
        return;
    }
    if (!match.asked()) {
        if (m_clients != nullptr) {
            m_clients->reported(reply);
        }
        if (m_unaskedForClientsOnly) {
            return;
        }
    }
    const ReplyContext context { match.asked(), match.info, m_window->fullAutoChecked(),
                                 m_window->lockChecked() };
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
    m_announcer.enqueue(std::move(outcome.announcement));
}

} // namespace vexalo
