// The handling shared by the replies that carry a single on/off switch (preamplifier and
// attenuator), so that their news, burst and ignore rules cannot drift apart.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

End announceOnOff(Context &c, std::string_view name, const std::string &digit,
                  Maybe<bool> &recorded, bool recordsOn)
{
    if (digit != "0" && digit != "1") {
        return End::Normal;
    }
    const bool on = digit == "1";
    const bool value = recordsOn ? on : !on;
    if (!c.g.reply_pending && value == recorded.get()) {
        return End::Normal;
    }
    recorded = value;
    if (c.g.quiet_update) {
        return End::Quiet;
    }
    c.speech.PlayClip(name);
    c.speech.PlayClip(on ? "on" : "off");
    return End::Normal;
}

} // namespace vexalo::interpreter
