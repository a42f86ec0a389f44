// Preamplifier reply "PA": position 3, "0" off, "1" on. The state starts unknown, which counts
// as "on", so the first unasked report is news only when it says off.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

End handlePreamp(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    const std::string p = r.at(3);
    bool off;
    if (p == "0") {
        off = true;
    } else if (p == "1") {
        off = false;
    } else {
        return End::Normal;
    }
    if (!g.reply_pending && off == g.preamp_off.get()) {
        return End::Normal;
    }
    g.preamp_off = off;
    if (g.quiet_update) {
        return End::Quiet;
    }
    c.speech.PlayClip("pre");
    c.speech.PlayClip(off ? "off" : "on");
    return End::Normal;
}

} // namespace vexalo::interpreter
