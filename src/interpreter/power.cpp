// Power reply "PC" in two forms: short ("PC005;", whole watts at positions 4-5) and long (tenths
// of a watt at positions 3-5, position 6 anything but ';'). The form tells the firmware apart,
// and the status report's band-change test depends on it.
#include "families.h"

namespace vexalo::interpreter {

End handlePower(Turn &t, const Reply &r)
{
    RadioState &s = t.s;
    const bool shortForm = r.at(6) == ";";
    s.firmware_format = shortForm ? PowerForm::Short : PowerForm::Long;
    const long watts = shortForm ? r.number(4, 2) : r.number(3, 3);
    if (t.asked() || watts != s.last_power.get()) {
        if (shortForm) {
            t.say.add(Reading::Power, Clips { "power", std::to_string(watts), "watts" });
        } else {
            t.say.add(
                Reading::Power,
                Clips { "power", watts > 99 ? r.field(3, 2) : r.at(4), "pt", r.at(5), "watts" });
        }
    }
    s.last_power = watts;
    return End::Normal;
}

} // namespace vexalo::interpreter
