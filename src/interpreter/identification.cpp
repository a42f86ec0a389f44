// Identification reply "Q7": the prefix alone tells that a Q7 radio answers the line.
#include "families.h"

namespace vexalo::interpreter {

End handleIdentification(Turn &t, const Reply &)
{
    t.s.radio_found = true;
    return End::Normal;
}

} // namespace vexalo::interpreter
