// Identification reply "Q7": the prefix alone tells that a Q7 radio answers the line.
#include "families.h"
#include "q7_globals.h"

namespace vexalo::interpreter {

End handleIdentification(Context &c, const Reply &)
{
    c.g.radio_found = true;
    return End::Normal;
}

} // namespace vexalo::interpreter
