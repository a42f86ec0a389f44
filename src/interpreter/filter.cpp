// Filter reply "FW": bandwidth in hertz at positions 3-6, filter number at position 7. Only a
// new filter number is news; the bandwidth is spoken along with it, in words a listener takes in
// at once ("2", "thousand", "hz"; "15", "hundred", "hz"; "2", "hundred", "50", "hz").
#include "families.h"
#include "q7_globals.h"
#include "speech.h"

#include <array>
#include <utility>

namespace vexalo::interpreter {

namespace {

void sayFilterNumber(Speech &speech, std::string_view n)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kFilters { {
        { "1", "fl1" },
        { "2", "fl2" },
        { "3", "fl3" },
        { "4", "fl4" },
    } };
    for (const auto &[digit, clip] : kFilters) {
        if (n == digit) {
            speech.PlayClip(clip);
        }
    }
}

void sayBandwidth(Speech &speech, const Reply &r)
{
    const std::string b = r.field(3, 4);
    if (b == "2000" || b == "1000") {
        speech.PlayClip(b.substr(0, 1));
        speech.PlayClip("thousand");
        speech.PlayClip("hz");
        return;
    }
    if (b == "0000") {
        speech.PlayClip("0");
        speech.PlayClip("hz");
        return;
    }
    const std::string hundreds = r.field(3, 2);
    const std::string rest = r.field(5, 2);
    if (isNonZeroDigit(r.at(3))) {
        if (hundreds == "10" || hundreds == "20") {
            speech.PlayClip(hundreds.substr(0, 1));
            speech.PlayClip("thousand");
        } else {
            speech.PlayClip(hundreds);
            speech.PlayClip("hundred");
        }
        if (rest != "00") {
            speech.PlayClip(rest);
        }
        speech.PlayClip("hz");
        return;
    }
    if (isNonZeroDigit(r.at(4))) {
        speech.PlayClip(r.at(4));
        speech.PlayClip("hundred");
    }
    if (rest != "00") {
        speech.PlayClip(rest);
    }
    speech.PlayClip("hz");
}

} // namespace

End handleFilter(Context &c, const Reply &r)
{
    const std::string n = r.at(7);
    if (c.g.quiet_update) {
        c.g.last_filter = n;
        return End::Quiet;
    }
    if (!c.g.reply_pending && n == c.g.last_filter.get()) {
        return End::Normal;
    }
    sayFilterNumber(c.speech, n);
    c.g.last_filter = n;
    sayBandwidth(c.speech, r);
    return End::Normal;
}

} // namespace vexalo::interpreter
