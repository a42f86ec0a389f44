// Attenuator reply "RA": position 4, "0" off, "1" on. The state starts unknown, which counts as
// off, so the first unasked report is news only when it says on.
#include "families.h"

namespace vexalo::interpreter {

End handleAttenuator(Turn &t, const Reply &r)
{
    return announceOnOff(t, Reading::Attenuator, "att", r.at(4), t.s.att_on, true);
}

} // namespace vexalo::interpreter
