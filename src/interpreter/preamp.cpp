// Preamplifier reply "PA": position 3, "0" off, "1" on. The state starts unknown, which counts
// as "on", so the first unasked report is news only when it says off.
#include "families.h"

namespace vexalo::interpreter {

End handlePreamp(Turn &t, const Reply &r)
{
    return announceOnOff(t, Reading::Preamp, "pre", r.at(3), t.s.preamp_off, false);
}

} // namespace vexalo::interpreter
