// Power reply "PC" in two forms: short ("PC005;", whole watts at positions 4-5) and long (tenths
// of a watt at positions 3-5, position 6 anything but ';'). The form tells the firmware apart,
// and the status report's band-change test depends on it.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

#include <string>

namespace vexalo::interpreter {

End handlePower(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    const bool asked = g.reply_pending;
    long watts;
    if (r.at(6) == ";") {
        g.firmware_format = PowerForm::Short;
        watts = r.number(4, 2);
        if (asked || watts != g.last_power.get()) {
            c.speech.PlayClip("power");
            c.speech.PlayClip(std::to_string(watts));
            c.speech.PlayClip("watts");
        }
    } else {
        g.firmware_format = PowerForm::Long;
        watts = r.number(3, 3);
        if (asked || watts != g.last_power.get()) {
            c.speech.PlayClip("power");
            c.speech.PlayClip(watts > 99 ? r.field(3, 2) : r.at(4));
            c.speech.PlayClip("pt");
            c.speech.PlayClip(r.at(5));
            c.speech.PlayClip("watts");
        }
    }
    g.last_power = watts;
    return End::Normal;
}

} // namespace vexalo::interpreter
