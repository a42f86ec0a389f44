// The S-meter tone's owner over the scripted radio: what it asks, what it says, the pitch it
// hands to the sound, and when it gives up.
#include "harness.h"
#include "smeter_tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vexalo::testing {
namespace {

// The pitches the sink was given since its log was last taken.
std::vector<std::string> tones(Harness &h)
{
    std::vector<std::string> pitches;
    for (const std::string &entry : h.sink.log()) {
        if (entry.starts_with("tone ")) {
            pitches.push_back(entry.substr(5));
        }
    }
    return pitches;
}

TEST(SMeterTone, PitchFollowsTheReadingAsItsWordsSayIt)
{
    const struct {
        long bar;
        double hertz;
    } cases[] = {
        { 0, 400 }, // S0
        { 6, 400 * std::pow(4.0, 54 / 114.0) }, // S9: an octave and a bit above
        { 10, 400 * std::pow(4.0, 94 / 114.0) }, // S9+40
        { 11, 1600 }, // "9 plus", the top of the bar
        { 12, 400 }, // read 12 lower, as when said
        { 17, 400 * std::pow(4.0, 42 / 114.0) }, // S7
        { 99, 1600 },
        { -1, 400 }, // garbage
    };
    double previous = 0;
    for (const auto &c : cases) {
        EXPECT_NEAR(SMeterTone::pitchOf(c.bar), c.hertz, 0.01) << c.bar;
    }
    for (long bar = 0; bar < 12; ++bar) {
        EXPECT_GT(SMeterTone::pitchOf(bar), previous) << "each S step a higher pitch: " << bar;
        previous = SMeterTone::pitchOf(bar);
    }
}

TEST(SMeterTone, AsksThroughTheExchangeAndTurnsAnswersIntoPitchWithoutAWord)
{
    Harness h;
    SMeterTone &tone = h.link.meterTone();
    tone.toggle();
    EXPECT_EQ(h.sink.take(), (Clips { "tone", "on" }));
    EXPECT_EQ(h.port.written, std::vector<std::string> { "BG;" });
    h.port.arrive("BG06;");
    tone.poll();
    h.port.arrive("BG11;");
    EXPECT_EQ(tones(h), (std::vector<std::string> { "771", "1600" }));
    // An S-meter query of the operator's own, behind the tone's, is answered aloud.
    h.link.ask("BG;");
    tone.poll();
    h.port.arrive("BG00;BG05;");
    EXPECT_EQ(h.sink.take(), (Clips { "s", "0" }));
    EXPECT_EQ(h.port.written, (std::vector<std::string> { "BG;", "BG;", "BG;", "BG;" }));
    EXPECT_FALSE(h.link.exchange().anyOutstanding());
}

TEST(SMeterTone, EndsOnCtrlTOrEscapeAndAnAnswerStillOnItsWayIsNeitherSaidNorSounded)
{
    const struct {
        const char *what;
        void (*end)(SMeterTone &);
        Clips said;
    } cases[] = {
        { "Ctrl+T again", [](SMeterTone &t) { t.toggle(); }, { "tone", "on", "tone", "off" } },
        { "Escape", [](SMeterTone &t) { t.stop(); }, { "tone", "on" } },
    };
    for (const auto &c : cases) {
        Harness h;
        SMeterTone &tone = h.link.meterTone();
        tone.toggle();
        h.port.arrive("BG06;");
        tone.poll();
        c.end(tone);
        h.port.arrive("BG10;");
        tone.poll();
        EXPECT_FALSE(tone.on()) << c.what;
        EXPECT_EQ(h.port.written.size(), 2u) << c.what;
        EXPECT_EQ(tones(h), (std::vector<std::string> { "771", "0" })) << c.what;
        EXPECT_EQ(h.sink.take(), c.said) << c.what;
    }
}

TEST(SMeterTone, EscapeWhileToneOnIsSaidLeavesItOff)
{
    Harness h;
    SMeterTone &tone = h.link.meterTone();
    h.sink.onClip = [&tone](std::string_view clip) {
        if (clip == "on") {
            tone.stop();
        }
    };
    tone.toggle();
    EXPECT_FALSE(tone.on());
    EXPECT_TRUE(h.port.written.empty());
}

TEST(SMeterTone, GivesUpSayingSoWhenTheRadioStopsAnsweringOrTheLineFailsNotDuringAHandshake)
{
    Harness h;
    SMeterTone &tone = h.link.meterTone();
    tone.toggle();
    h.port.arrive("BG03;");
    h.sink.take();
    h.port.written.clear();
    for (int poll = 0; poll < SMeterTone::kUnansweredLimit; ++poll) {
        tone.poll();
    }
    EXPECT_TRUE(tone.on()) << "the fifth poll may still be answered";
    tone.poll();
    EXPECT_FALSE(tone.on());
    EXPECT_EQ(h.port.written.size(), std::size_t { SMeterTone::kUnansweredLimit });
    EXPECT_EQ(tones(h), std::vector<std::string> { "0" });
    EXPECT_EQ(h.sink.take(), (Clips { "tone", "off" }));

    tone.toggle();
    h.sink.take();
    {
        // Nothing is asked while the handshake has the line, and the tone does not give up.
        const auto handshake = h.link.holdClients();
        h.port.written.clear();
        for (int poll = 0; poll <= SMeterTone::kUnansweredLimit; ++poll) {
            tone.poll();
        }
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_TRUE(tone.on());
    }
    h.port.failWrite = true;
    tone.poll();
    EXPECT_FALSE(tone.on());
    EXPECT_EQ(h.sink.take(), (Clips { "q7_error", "tone", "off" }));
}

} // namespace
} // namespace vexalo::testing
