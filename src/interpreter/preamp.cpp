// Preamplifier reply "PA": position 3, "0" off, "1" on. The state starts unknown, which counts
// as "on", so the first unasked report is news only when it says off.
#include "families.h"
#include "q7_globals.h"

namespace vexalo::interpreter {

End handlePreamp(Context &c, const Reply &r)
{
    return announceOnOff(c, "pre", r.at(3), c.g.preamp_off, false);
}

} // namespace vexalo::interpreter
