// Attenuator reply "RA": position 4, "0" off, "1" on. The state starts unknown, which counts as
// off, so the first unasked report is news only when it says on.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

End handleAttenuator(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    const std::string a = r.at(4);
    bool on;
    if (a == "0") {
        on = false;
    } else if (a == "1") {
        on = true;
    } else {
        return End::Normal;
    }
    if (!g.reply_pending && on == g.att_on.get()) {
        return End::Normal;
    }
    g.att_on = on;
    if (g.quiet_update) {
        return End::Quiet;
    }
    c.speech.PlayClip("att");
    c.speech.PlayClip(on ? "on" : "off");
    return End::Normal;
}

} // namespace vexalo::interpreter
