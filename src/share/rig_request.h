// What one rigctl request does with the Q7: the radio's own commands it sends ("FR;", "FA;",
// "FA00007074000;", "MD2;" ...), step by step, and the answer it comes to. A setting is read back,
// so "RPRT 0" means the radio has it and its error reply becomes a refusal. One handler per
// command, held in the command table here. Pure: the session sends the steps and hands the
// replies back.
#pragma once

#include "rigctl_protocol.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo::rigctl {

// What the replies of one request have told so far. Nothing is kept from one request to the
// next: the operator and other programs change the radio in between.
struct Facts {
    std::optional<int> rxVfo; // 0 = A, 1 = B
    std::optional<int> txVfo;
    std::optional<long long> frequency[2]; // Hz
    std::optional<char> mode; // the Q7's mode digit
    std::optional<int> bandwidth; // Hz
    // The shift each switch puts on the frequency, from the status report: the shared offset
    // while the switch is on, 0 while it is off.
    std::optional<int> rit; // Hz
    std::optional<int> xit; // Hz
    bool written = false; // the request's setting has gone out
    bool rejected = false; // the radio answered an error
    bool garbled = false; // a reply did not read as its kind
};

// Reads a reply into the facts.
void record(Facts &facts, std::string_view reply);

struct Step {
    // Sent in this order; the last is a query, whose reply completes the step.
    std::vector<std::string> commands;
    // When there is nothing more to send: what the client is answered.
    std::optional<Answer> answer;
};

// What a client has set for itself with "\set_vfo_opt", "\set_lock_mode" and "q".
struct SessionFlags {
    // Only what "\chk_vfo" reports: a VFO may always be named, and need not be. Off, as
    // rigctld starts, so that a client's commands need name no VFO.
    bool vfoMode = false;
    bool modeLocked = false; // mode settings are taken and ignored, as rigctld does
    bool quit = false; // the session ends once its answer is written
};

// The next step of the request, given what is known: its command's handler, which may mark the
// facts (a setting sent) and the flags. Requests that need no radio are answered at once.
Step advance(const Request &request, Facts &facts, SessionFlags &flags);

} // namespace vexalo::rigctl
