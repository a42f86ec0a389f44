// The handling shared by the replies that carry a single on/off switch (preamplifier and
// attenuator), so that their news, burst and ignore rules cannot drift apart.
#include "families.h"

namespace vexalo::interpreter {

End announceOnOff(Turn &t, Reading reading, std::string_view name, const std::string &digit,
                  Maybe<bool> &recorded, bool recordsOn)
{
    if (digit != "0" && digit != "1") {
        return End::Normal;
    }
    const bool on = digit == "1";
    const bool value = recordsOn ? on : !on;
    if (!t.asked() && value == recorded.get()) {
        return End::Normal;
    }
    recorded = value;
    if (t.s.quiet_update) {
        return End::Quiet;
    }
    t.say.add(reading, Clips { std::string(name), on ? "on" : "off" });
    return End::Normal;
}

} // namespace vexalo::interpreter
