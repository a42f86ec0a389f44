// The seam between the link and the programs that share the radio through Vexalo: who asked a
// command (Vexalo itself or one client), what the link hands back to the clients (the answer to
// a client's own command, word that none will come, and the radio's unasked reports), and the
// look at what they have sent between two clips. The link defines it and calls it; the sharing
// layer implements it.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexalo {

using ClientId = std::uint32_t;
inline constexpr ClientId kVexalo = 0; // Vexalo's own commands; clients are numbered from 1

// Who a command was sent for. The tag is the client's own name for the command.
struct Asker {
    ClientId client = kVexalo;
    std::uint64_t tag = 0;

    bool isClient() const { return client != kVexalo; }
    friend bool operator==(const Asker &, const Asker &) = default;
};

enum class Unanswered {
    NoReply, // the radio did not answer in time, or answered a later command instead
    NotWritten, // the port was closed or the write failed
};

class ClientSide {
public:
    virtual ~ClientSide() = default;
    // The radio's reply to a client's command: the answer to its query, or an error ("?;").
    virtual void answered(const Asker &asker, std::string_view reply) = 0;
    // A client's query that will get no answer.
    virtual void unanswered(const Asker &asker, Unanswered why) = 0;
    // A reply nobody asked for: the radio's report of a change.
    virtual void reported(std::string_view reply) = 0;
    // Takes in what the clients have sent since the last look, without delivering any event:
    // while Vexalo speaks no event is delivered, and an announcement lasts seconds.
    virtual void takeCommands() = 0;
};

} // namespace vexalo
