// Receive-VFO reply "FR" and transmit-VFO reply "FT", both with the VFO digit at position 3
// ("0" A, "1" B). Split is on while the two differ; the receive VFO is compared as a number
// whichever reply recorded it, so a status report's "0" and an "FR" reply's 0 are the same VFO.
#include "families.h"

namespace vexalo::interpreter {

std::string_view rxVfoLetter(const RadioState &s)
{
    return vfoNumber(s.rx_vfo) == 0 ? "a" : "b";
}

End handleRxVfo(Turn &t, const Reply &r)
{
    RadioState &s = t.s;
    if (s.quiet_update) {
        return End::Quiet;
    }
    const std::string d = r.at(3);
    if (d != "0" && d != "1") {
        return End::Normal;
    }
    const long vfo = d == "1" ? 1 : 0;
    if (t.asked() || (vfoNumber(s.rx_vfo) != vfo && !s.split_on.get())) {
        if (t.asked()) {
            t.say.add(Reading::RxVfo, Clips { "rx", "vfo" });
        }
        t.say.add(Reading::RxVfo, d == "1" ? "b" : "a");
    }
    s.rx_vfo = d;
    return End::Normal;
}

End handleTxVfo(Turn &t, const Reply &r)
{
    RadioState &s = t.s;
    const std::string d = r.at(3);
    if (d == "0") {
        s.tx_vfo = 0;
    } else if (d == "1") {
        s.tx_vfo = 1;
    }
    if (vfoNumber(s.rx_vfo) != s.tx_vfo.get()) {
        s.split_on = true;
        if (s.quiet_update) {
            return End::Quiet;
        }
        t.say.add(Reading::Split, Clips { "split", std::string(rxVfoLetter(s)) });
        return End::Normal;
    }
    if (s.quiet_update) {
        s.split_on = false;
        return End::Quiet;
    }
    if (s.split_on) {
        t.say.add(Reading::Split, Clips { "norm", std::string(rxVfoLetter(s)) });
    }
    s.split_on = false;
    return End::Normal;
}

} // namespace vexalo::interpreter
