// Noise-blanker reply "NB": setting at position 3 ("0" off, "1", "2"), level at position 4 ("0"
// high, "1" low). It is the last report of the radio's burst after a band change, so it is the
// one reply that ends the quiet recording the status report started.
#include "families.h"

namespace vexalo::interpreter {

End handleNoiseBlanker(Turn &t, const Reply &r)
{
    RadioState &s = t.s;
    const std::string n = r.at(3);
    const std::string l = r.at(4);
    if (s.quiet_update) {
        s.quiet_update = false;
        s.last_nb = n;
        s.last_nb_level = l;
        return End::Quiet;
    }
    if (t.asked() || n != s.last_nb.get()) {
        t.say.add(Reading::NoiseBlanker, "nb");
        if (n == "0") {
            t.say.add(Reading::NoiseBlanker, "off");
        } else if (n == "1" || n == "2") {
            t.say.add(Reading::NoiseBlanker, n);
        }
        s.last_nb = n;
    }
    // The level means nothing while the blanker is off, so a change then is only recorded.
    if ((t.asked() || l != s.last_nb_level.get()) && readNumber(s.last_nb.get()) != 0) {
        if (l == "0") {
            t.say.add(Reading::NoiseBlanker, "hi");
        } else if (l == "1") {
            t.say.add(Reading::NoiseBlanker, "low");
        }
    }
    s.last_nb_level = l;
    return End::Normal;
}

} // namespace vexalo::interpreter
