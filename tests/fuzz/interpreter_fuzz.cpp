// Arbitrary bytes from the serial line through the receive framing and the reply interpreter,
// under every combination of the flags the interpreter reads. Besides crashes and sanitizer
// findings it checks what must hold for any input: only clip names reach the sound, speech off
// changes nothing but the sound, a query stays pending only across a band-change burst, and the
// lock poll is never started while the lock box is unchecked.
#include "clip_recorder.h"
#include "harness.h"
#include "interpreter.h"
#include "q7_globals.h"
#include "reply_framer.h"
#include "speech.h"
#include "window_readouts.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace vexalo;

void check(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "interpreter_fuzz: %s\n", what);
        std::abort();
    }
}

// The first input byte sets the flags, one bit each.
enum Flag : std::uint8_t {
    kPending = 1 << 0,
    kQuiet = 1 << 1,
    kSpeech = 1 << 2,
    kInfo = 1 << 3,
    kFullAuto = 1 << 4,
    kLock = 1 << 5,
    kAskEveryReply = 1 << 6, // as if each reply answered a query
    kUnframed = 1 << 7, // also hand the raw bytes over as one reply, ';' or not
};

struct Rig {
    Rig(std::uint8_t flags, bool speech)
    {
        g.reply_pending = (flags & kPending) != 0;
        g.quiet_update = (flags & kQuiet) != 0;
        g.speech_on = speech;
        g.info_request = (flags & kInfo) != 0;
        window.fullAuto = (flags & kFullAuto) != 0;
        window.lock = (flags & kLock) != 0 ? 1 : 0;
    }

    void handle(std::string_view reply, bool ask)
    {
        if (ask) {
            g.reply_pending = true;
        }
        const bool pendingBefore = g.reply_pending;
        const bool quietBefore = g.quiet_update;
        interpreter.HandleReply(reply);
        for (const std::string &entry : sink.log()) {
            check(!entry.starts_with("clip ") || isValidClipName(entry.substr(5)),
                  "an invalid clip name reached the sound");
        }
        heard += sink.take().size();
        check(!(pendingBefore && g.reply_pending) || quietBefore || g.quiet_update,
              "a query stayed pending outside a band-change burst");
        check(window.lock == 1 || !window.timer1, "Timer1 started with the lock box unchecked");
    }

    Q7Globals g;
    testing::ClipRecorder<> sink;
    Speech speech { g, sink };
    testing::FakeWindow window;
    Interpreter interpreter { g, speech, window };
    ReplyFramer framer;
    std::size_t heard = 0; // clips and missing clips asked for
};

std::vector<std::pair<std::string, std::string>> withoutSpeechFlag(const Q7Globals &g)
{
    auto state = g.describe();
    std::erase_if(state, [](const auto &entry) { return entry.first == "speech_on"; });
    return state;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    // The second byte sets how many characters each receive event carries, so replies get
    // split across events and events carry several replies.
    const std::size_t eventSize = data[1] % 24 + 1;
    const std::string_view input(reinterpret_cast<const char *>(data + 2), size - 2);
    const bool ask = (flags & kAskEveryReply) != 0;

    Rig heard(flags, (flags & kSpeech) != 0);
    Rig muted(flags, false);
    for (Rig *rig : { &heard, &muted }) {
        for (std::size_t pos = 0; pos < input.size(); pos += eventSize) {
            for (const std::string &reply : rig->framer.receive(input.substr(pos, eventSize))) {
                rig->handle(reply, ask);
            }
        }
        if (flags & kUnframed) {
            rig->handle(input, ask);
        }
    }

    check(muted.heard == 0, "a clip sounded with speech off");
    check(withoutSpeechFlag(heard.g) == withoutSpeechFlag(muted.g),
          "speech on and off recorded different values");
    check(heard.window.timer1 == muted.window.timer1, "speech on and off left Timer1 differently");
    check(heard.framer.rx_buffer().size() <= ReplyFramer::kMaxPending, "rx_buffer grew unbounded");
    return 0;
}
