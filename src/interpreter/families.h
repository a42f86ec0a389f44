// The reply families: one handler per two-letter prefix, each a function of the reply text and
// the recorded state. A handler speaks through the context and tells how it finished; the
// dispatcher turns that into the shared reply_pending rule, so no family clears it itself.
#pragma once

#include "maybe.h"
#include "reply.h"

#include <string>
#include <string_view>

namespace vexalo {

struct Q7Globals;
class Speech;
class WindowReadouts;

namespace interpreter {

struct Context {
    Q7Globals &g;
    Speech &speech;
    WindowReadouts &window;
};

// Normal: the reply is done with, reply_pending becomes false. Quiet: a band-change burst
// recorded it silently, and a query still waiting stays pending.
enum class End { Normal, Quiet };

using Handler = End (*)(Context &, const Reply &);

// A reply that carries one on/off digit: anything but "0" or "1" is ignored; unasked, only a
// change is news; in a band-change burst the change is recorded without speech. recorded holds
// the switch as on (recordsOn) or as off; either way an unknown state reads as false.
End announceOnOff(Context &c, std::string_view name, const std::string &digit,
                  Maybe<bool> &recorded, bool recordsOn);

// "a" or "b" for the receive VFO as recorded, whichever reply recorded it.
std::string_view rxVfoLetter(const Q7Globals &g);

// Whether this status report begins a band-change burst, judged on the state before it.
bool isBandChange(const Q7Globals &g, const Reply &r);

End handleStatus(Context &, const Reply &); // IF
End handleSMeter(Context &, const Reply &); // BG
End handleFrequencyA(Context &, const Reply &); // FA
End handleFrequencyB(Context &, const Reply &); // FB
End handleRxVfo(Context &, const Reply &); // FR
End handleTxVfo(Context &, const Reply &); // FT
End handleFilter(Context &, const Reply &); // FW
End handleAgc(Context &, const Reply &); // GT
End handleIdentification(Context &, const Reply &); // Q7
End handleKeyer(Context &, const Reply &); // KS
End handleMode(Context &, const Reply &); // MD
End handleNoiseBlanker(Context &, const Reply &); // NB
End handlePreamp(Context &, const Reply &); // PA
End handlePower(Context &, const Reply &); // PC
End handleAttenuator(Context &, const Reply &); // RA

} // namespace interpreter
} // namespace vexalo
