// AGC reply "GT": the AGC digit at position 5, "2" fast and anything else slow.
#include "families.h"

namespace vexalo::interpreter {

End handleAgc(Turn &t, const Reply &r)
{
    const std::string a = r.at(5);
    if (t.s.quiet_update) {
        t.s.last_agc = a;
        return End::Quiet;
    }
    if (t.asked() || a != t.s.last_agc.get()) {
        t.say.add(Reading::Agc, Clips { "agc", a == "2" ? "fast" : "slow" });
        t.s.last_agc = a;
    }
    return End::Normal;
}

} // namespace vexalo::interpreter
