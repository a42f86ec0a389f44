// What the interpreter has recorded of the radio from earlier replies: every value it compares
// a new reply with, the band-change burst in progress, whether a Q7 has answered and the
// RIT/XIT state the RIT/XIT command speaks. Digit fields keep the text as received; unset
// values read as 0, false or empty, so the first report of each kind counts as a change.
#pragma once

#include "maybe.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalo {

// The form of the last power reply, which tells the firmware apart: the short form ("201B" in
// state dumps) comes from the older firmware, whose status reports need the megahertz digits
// compared to notice a band change; the long form ("201D+") is trusted to flag it.
enum class PowerForm { Unknown, Short, Long };

// The firmware name a state dump shows for the form; empty while no power reply has come.
std::string_view firmwareName(PowerForm form);

struct RadioState {
    Maybe<bool> quiet_update; // a band-change burst is in progress
    Maybe<bool> radio_found;
    Maybe<long> rit_state;
    Maybe<long> xit_state;
    Maybe<std::string> rit_offset; // sign and four digits

    Maybe<std::string> last_freq_a; // tens of MHz down to tens of Hz
    Maybe<std::string> last_freq_b;
    Maybe<std::string> rx_vfo; // "0" = A, "1" = B; compare through vfoNumber()
    Maybe<long> tx_vfo;
    Maybe<bool> split_on;
    Maybe<std::string> last_mhz;
    PowerForm firmware_format = PowerForm::Unknown;
    Maybe<std::string> last_mode;
    Maybe<std::string> last_filter;
    Maybe<std::string> last_agc;
    Maybe<std::string> last_nb;
    Maybe<std::string> last_nb_level;
    Maybe<bool> preamp_off;
    Maybe<bool> att_on;
    Maybe<long> last_power;
    Maybe<long> last_speed;
    // The whole frequency of each VFO in hertz, from its own reply or the status report of the
    // receiving VFO; only the band edges read it, so the replies compare as they always did.
    Maybe<long long> freq_a;
    Maybe<long long> freq_b;

    // Every value as name and printed value (unset prints empty, booleans true/false), in a
    // fixed order, for state dumps.
    std::vector<std::pair<std::string, std::string>> describe() const;
};

// The receive VFO as a number whichever reply recorded it. A recorded text that is not a digit
// reads by the numeric reading rule, so it counts as VFO A, the same as an unknown VFO.
long vfoNumber(const Maybe<std::string> &recorded);

} // namespace vexalo
