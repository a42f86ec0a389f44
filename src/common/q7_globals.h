// The program's shared state: the three persisted settings, the flags that the link, the
// commands and the interpreter hand each other, and every value the interpreter has recorded
// from earlier replies. One instance lives for the whole run and is passed to each part;
// reset() returns it to program start, which is how every test begins.
#pragma once

#include "maybe.h"
#include "setting_value.h"

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

struct Q7Globals {
    // Persisted in the settings file.
    SettingValue comm_port;
    SettingValue report_mode; // 0 Manual, 1 Semi Auto, 3 Full Auto
    SettingValue greeting_on;

    // Flags shared between the link, the commands and the interpreter.
    Maybe<bool> reply_pending; // the reply about to be interpreted was asked for
    Maybe<bool> quiet_update; // a band-change burst is in progress
    Maybe<bool> speech_on; // the mute switch of every clip
    Maybe<bool> radio_found;
    Maybe<bool> info_request;
    Maybe<long> rit_state;
    Maybe<long> xit_state;
    Maybe<std::string> rit_offset; // sign and four digits

    // Recorded by the interpreter; digit fields keep the text as received.
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

    void reset() { *this = Q7Globals {}; }

    // Every variable as name and printed value (unset prints empty, booleans true/false),
    // in a fixed order, for state dumps.
    std::vector<std::pair<std::string, std::string>> describe() const;
};

// The receive VFO as a number whichever reply recorded it. A recorded text that is not a digit
// reads by the numeric reading rule, so it counts as VFO A, the same as an unknown VFO.
long vfoNumber(const Maybe<std::string> &recorded);

// A number in plain decimal notation with up to 15 significant digits, always with '.'.
std::string formatNumber(double value);

// A setting printed the way a state dump shows it (numbers without a needless fraction).
std::string describeSetting(const SettingValue &value);

} // namespace vexalo
