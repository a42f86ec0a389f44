// Noise-blanker reply "NB": setting at position 3 ("0" off, "1", "2"), level at position 4 ("0"
// high, "1" low). It is the last report of the radio's burst after a band change, so it is the
// one reply that ends the quiet recording the status report started.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

namespace vexalo::interpreter {

namespace {

void sayNoiseBlanker(Speech &speech, std::string_view n)
{
    speech.PlayClip("nb");
    if (n == "0") {
        speech.PlayClip("off");
    } else if (n == "1" || n == "2") {
        speech.PlayClip(n);
    }
}

void sayLevel(Speech &speech, std::string_view l)
{
    if (l == "0") {
        speech.PlayClip("hi");
    } else if (l == "1") {
        speech.PlayClip("low");
    }
}

} // namespace

End handleNoiseBlanker(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    const std::string n = r.at(3);
    const std::string l = r.at(4);
    if (g.quiet_update) {
        g.quiet_update = false;
        g.last_nb = n;
        g.last_nb_level = l;
        return End::Quiet;
    }
    if (g.reply_pending || n != g.last_nb.get()) {
        sayNoiseBlanker(c.speech, n);
        g.last_nb = n;
    }
    // The level means nothing while the blanker is off, so a change then is only recorded.
    if ((g.reply_pending || l != g.last_nb_level.get()) && readNumber(g.last_nb.get()) != 0) {
        sayLevel(c.speech, l);
    }
    g.last_nb_level = l;
    return End::Normal;
}

} // namespace vexalo::interpreter
