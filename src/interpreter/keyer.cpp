// Keyer-speed reply "KS": three digits of speed at positions 3-5, of which the last two are
// spoken as they stand ("KS008;" says "08").
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

End handleKeyer(Context &c, const Reply &r)
{
    const long speed = r.number(3, 3);
    if (c.g.reply_pending || speed != c.g.last_speed.get()) {
        c.speech.PlayClip("speed");
        c.speech.PlayClip(r.field(4, 2));
        c.g.last_speed = speed;
    }
    return End::Normal;
}

} // namespace vexalo::interpreter
