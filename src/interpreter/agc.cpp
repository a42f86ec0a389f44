// AGC reply "GT": the AGC digit at position 5, "2" fast and anything else slow.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

End handleAgc(Context &c, const Reply &r)
{
    const std::string a = r.at(5);
    if (c.g.quiet_update) {
        c.g.last_agc = a;
        return End::Quiet;
    }
    if (c.g.reply_pending || a != c.g.last_agc.get()) {
        c.speech.PlayClip("agc");
        c.speech.PlayClip(a == "2" ? "fast" : "slow");
        c.g.last_agc = a;
    }
    return End::Normal;
}

} // namespace vexalo::interpreter
