#include "client_queue.h"

#include <algorithm>

namespace vexalo {

bool ClientQueue::push(ClientCommand command)
{
    std::deque<ClientCommand> &waiting = m_waiting[command.asker.client];
    if (waiting.size() >= kBacklog) {
        return false;
    }
    if (waiting.empty()) {
        m_turns.push_back(command.asker.client);
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
    if (waiting.empty()) {
        m_waiting.erase(client);
    } else {
        m_turns.push_back(client);
    }
    return command;
}

void ClientQueue::drop(ClientId client)
{
    m_waiting.erase(client);
    std::erase(m_turns, client);
}

} // namespace vexalo
