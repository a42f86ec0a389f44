// Attenuator reply "RA": position 4, "0" off, "1" on. The state starts unknown, which counts as
// off, so the first unasked report is news only when it says on.
#include "families.h"
#include "q7_globals.h"

namespace vexalo::interpreter {

End handleAttenuator(Context &c, const Reply &r)
{
    return announceOnOff(c, "att", r.at(4), c.g.att_on, true);
}

} // namespace vexalo::interpreter
