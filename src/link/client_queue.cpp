#include "client_queue.h"

#include "exchange.h"

#include <algorithm>

namespace vexalo {

bool ClientQueue::push(ClientCommand command)
{
    std::deque<ClientCommand> &waiting = m_waiting[command.asker.client];
    if (waiting.size() >= kBacklog) {
        return false;
    }
    if (waiting.empty()) {
        if (m_settingTaken == command.asker.client && Exchange::clientQuery(command.text)) {
            m_turns.push_front(command.asker.client);
        } else {
            m_turns.push_back(command.asker.client);
        }
    }
    waiting.push_back(std::move(command));
    return true;
}

std::optional<ClientCommand> ClientQueue::next()
{
    if (m_turns.empty()) {
        return std::nullopt;
    }
    const ClientId client = m_turns.front();
    m_turns.pop_front();
    std::deque<ClientCommand> &waiting = m_waiting[client];
    ClientCommand command = std::move(waiting.front());
    waiting.pop_front();
    // A setting and the query that reads it back go out back to back, whether the query waits
    // already or comes in later: another client's command between them would take the radio's
    // refusal of either for its own.
    const bool setting = !Exchange::clientQuery(command.text);
    m_settingTaken = setting ? std::optional(client) : std::nullopt;
    const bool readBackNext
        = setting && !waiting.empty() && Exchange::clientQuery(waiting.front().text);
    if (waiting.empty()) {
        m_waiting.erase(client);
    } else if (readBackNext) {
        m_turns.push_front(client);
    } else {
        m_turns.push_back(client);
    }
    return command;
}

void ClientQueue::drop(ClientId client)
{
    if (m_settingTaken == client) {
        m_settingTaken.reset();
    }
    m_waiting.erase(client);
    std::erase(m_turns, client);
}

} // namespace vexalo
