// Keyer-speed reply "KS": three digits of speed at positions 3-5, of which the last two are
// spoken as they stand ("KS008;" says "08").
#include "families.h"

namespace vexalo::interpreter {

End handleKeyer(Turn &t, const Reply &r)
{
    const long speed = r.number(3, 3);
    if (t.asked() || speed != t.s.last_speed.get()) {
        t.say.add(Reading::Keyer, Clips { "speed", r.field(4, 2) });
        t.s.last_speed = speed;
    }
    return End::Normal;
}

} // namespace vexalo::interpreter
