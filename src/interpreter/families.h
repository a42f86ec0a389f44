// The reply families: one handler per two-letter prefix. Each reads the reply and the context,
// changes the state it is given and adds what is to be said to the announcement, part by part
// with the reading each part is about, and tells how it finished.
#pragma once

#include "interpreter.h"
#include "reply.h"

#include <string>
#include <string_view>

namespace vexalo::interpreter {

struct Turn {
    RadioState &s;
    const ReplyContext &context;
    Announcement &say;
    LockPollEffect &lockPoll;

    bool asked() const { return context.asked; }
};

using Handler = End (*)(Turn &, const Reply &);

// A reply that carries one on/off digit: anything but "0" or "1" is ignored; unasked, only a
// change is news; in a band-change burst the change is recorded without speech. recorded holds
// the switch as on (recordsOn) or as off; either way an unknown state reads as false.
End announceOnOff(Turn &t, Reading reading, std::string_view name, const std::string &digit,
                  Maybe<bool> &recorded, bool recordsOn);

// The eleven digits of hertz from `pos` on, for the band edges: a field that is not eleven
// digits leaves the frequency unknown rather than guessed.
void recordHertz(Maybe<long long> &recorded, const Reply &r, int pos);

// "a" or "b" for the receive VFO as recorded, whichever reply recorded it.
std::string_view rxVfoLetter(const RadioState &s);

// The clip of a mode digit; empty for an unlisted digit or reply garbage.
std::string_view modeClip(std::string_view digit);

End handleStatus(Turn &, const Reply &); // IF
End handleSMeter(Turn &, const Reply &); // BG
End handleFrequencyA(Turn &, const Reply &); // FA
End handleFrequencyB(Turn &, const Reply &); // FB
End handleRxVfo(Turn &, const Reply &); // FR
End handleTxVfo(Turn &, const Reply &); // FT
End handleFilter(Turn &, const Reply &); // FW
End handleAgc(Turn &, const Reply &); // GT
End handleIdentification(Turn &, const Reply &); // Q7
End handleKeyer(Turn &, const Reply &); // KS
End handleMode(Turn &, const Reply &); // MD
End handleNoiseBlanker(Turn &, const Reply &); // NB
End handlePreamp(Turn &, const Reply &); // PA
End handlePower(Turn &, const Reply &); // PC
End handleAttenuator(Turn &, const Reply &); // RA

} // namespace vexalo::interpreter
