// Receive-VFO reply "FR" and transmit-VFO reply "FT", both with the VFO digit at position 3
// ("0" A, "1" B). Split is on while the two differ; the receive VFO is compared as a number
// whichever reply recorded it, so a status report's "0" and an "FR" reply's 0 are the same VFO.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

std::string_view rxVfoLetter(const Q7Globals &g)
{
    return vfoNumber(g.rx_vfo) == 0 ? "a" : "b";
}

End handleRxVfo(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    if (g.quiet_update) {
        return End::Quiet;
    }
    const std::string d = r.at(3);
    if (d != "0" && d != "1") {
        return End::Normal;
    }
    const long vfo = d == "1" ? 1 : 0;
    if (g.reply_pending || (vfoNumber(g.rx_vfo) != vfo && !g.split_on.get())) {
        if (g.reply_pending) {
            c.speech.PlayClip("rx");
            c.speech.PlayClip("vfo");
        }
        c.speech.PlayClip(d == "1" ? "b" : "a");
    }
    g.rx_vfo = d;
    return End::Normal;
}

End handleTxVfo(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    const std::string d = r.at(3);
    if (d == "0") {
        g.tx_vfo = 0;
    } else if (d == "1") {
        g.tx_vfo = 1;
    }
    if (vfoNumber(g.rx_vfo) != g.tx_vfo.get()) {
        g.split_on = true;
        if (g.quiet_update) {
            return End::Quiet;
        }
        c.speech.PlayClip("split");
        c.speech.PlayClip(rxVfoLetter(g));
        return End::Normal;
    }
    if (g.quiet_update) {
        g.split_on = false;
        return End::Quiet;
    }
    if (g.split_on) {
        c.speech.PlayClip("norm");
        c.speech.PlayClip(rxVfoLetter(g));
    }
    g.split_on = false;
    return End::Normal;
}

} // namespace vexalo::interpreter
