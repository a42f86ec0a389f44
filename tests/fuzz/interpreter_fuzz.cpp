// Arbitrary bytes from the serial line through the program's reply road: the framing, the
// exchange, the interpreter and the announcer, with the queries and window inputs the first
// byte chooses. Besides crashes and sanitizer findings it checks what must hold for any input:
// only clip names reach the sound; arrivals cut anywhere and coming between clips record what
// handling each reply in turn records, and are heard by the rules (in the radio's order, every
// answer in full, every reading last at its newest); muting changes nothing but the sound; the
// lock poll never starts while the lock box is unchecked; the receive buffer stays bounded.
#include "stream_rig.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace vexalo;
using namespace vexalo::testing;

void check(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "interpreter_fuzz: %s\n", what);
        std::abort();
    }
}

// The first input byte sets these, one bit each.
enum Flag : std::uint8_t {
    kFullAuto = 1 << 0,
    kLock = 1 << 1,
    kAskFrequency = 1 << 2, // the operator asked for VFO A and the status before anything came
    kAskOther = 1 << 3, // ... and for the mode, the S-meter and the identification
    kAskAny = 1 << 4, // ... and something any reply answers ("id;")
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    // The second byte sets how many characters each arrival carries, so replies get split
    // across arrivals and arrivals carry several replies; the third when they come.
    const std::size_t chunkSize = data[1] % 24 + 1;
    const unsigned rhythm = data[2];
    const std::string_view input(reinterpret_cast<const char *>(data + 3), size - 3);

    StreamCase c;
    c.fullAuto = (flags & kFullAuto) != 0;
    c.lock = (flags & kLock) != 0;
    if (flags & kAskFrequency) {
        c.queries.insert(c.queries.end(), { "FA;", "IF;" });
    }
    if (flags & kAskOther) {
        c.queries.insert(c.queries.end(), { "MD;", "BG;", "q7;" });
    }
    if (flags & kAskAny) {
        c.queries.emplace_back("id;");
    }
    for (std::size_t at = 0; at < input.size(); at += chunkSize) {
        c.chunks.emplace_back(input.substr(at, chunkSize));
    }
    unsigned boundary = 0;
    c.arrivesNow = [&] { return (rhythm >> (boundary++ % 8) & 1) != 0; };
    const std::string broken = rulesBroken(c);
    check(broken.empty(), broken.c_str());

    StreamRig heard(c.fullAuto, c.lock);
    StreamRig muted(c.fullAuto, c.lock);
    const auto mute = muted.muteForRun();
    for (StreamRig *rig : { &heard, &muted }) {
        for (const std::string &query : c.queries) {
            rig->ask(query);
        }
        rig->play(c.chunks, [] { return true; });
        for (const std::string &entry : rig->sink.log()) {
            check(!entry.starts_with("clip ") || isValidClipName(entry.substr(5)),
                  "an invalid clip name reached the sound");
        }
        check(c.lock || !rig->polling, "the lock poll started with the lock box unchecked");
        check(rig->rx_buffer().size() <= ReplyFramer::kMaxPending, "rx_buffer grew unbounded");
    }
    check(muted.sink.log().empty(), "a clip sounded with speech off");
    check(heard.state().describe() == muted.state().describe(),
          "speech on and off recorded different values");
    check(heard.polling == muted.polling, "speech on and off left the lock poll differently");
    return 0;
}
