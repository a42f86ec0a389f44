// The clients' commands waiting for the line: each client's in the order it sent them, the
// clients taking turns (a setting and the query after it as one turn), the first to have a
// command waiting going first. Bounded per client, so that a client sending faster than the
// radio answers is found out instead of delaying the others without end. Pure; the link decides
// when the next command may go out.
#pragma once

#include "client_side.h"

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace vexalo {

struct ClientCommand {
    Asker asker;
    std::string text;
};

class ClientQueue {
public:
    // More than any client waits for in the ordinary way: a session asks one command at a time.
    static constexpr std::size_t kBacklog = 32;

    // False, and nothing queued, when this client already has kBacklog commands waiting.
    bool push(ClientCommand command);
    // The next command to go out, taking turns between the clients.
    std::optional<ClientCommand> next();
    // Forgets what this client has waiting.
    void drop(ClientId client);
    bool empty() const { return m_turns.empty(); }

private:
    std::map<ClientId, std::deque<ClientCommand>> m_waiting;
    std::deque<ClientId> m_turns; // each client with commands waiting, once, in turn order
    std::optional<ClientId> m_settingTaken; // the last command taken was this client's setting
};

} // namespace vexalo
