// The S-meter tone's owner over the scripted radio: what it asks, what it says, the pitch it
// hands to the sound, and when it gives up.
#include "harness.h"
#include "smeter_tone.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vexalo::testing {
namespace {

// The pitches the sink has been given, rounded to the hertz.
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
        double decibels; // above S0
    } cases[] = {
        { 0, 0 },
        { 6, 54 } /* S9 */,
        { 10, 94 } /* S9+40 */,
        { 11, 114 } /* "9 plus": top */,
        { 12, 0 } /* read 12 lower, as said */,
        { 17, 42 } /* S7 */,
        { 99, 114 },
        { -1, 0 },
    };
    for (const auto &c : cases) {
        EXPECT_NEAR(SMeterTone::pitchOf(c.bar), 400 * std::pow(4.0, c.decibels / 114), 0.01)
            << c.bar;
    }
}

TEST(SMeterTone, AsksThroughTheExchangeAndTurnsAnswersIntoPitchWithoutAWord)
{
    Harness h;
    SMeterTone &tone = h.link.meterTone();
    tone.toggle();
    EXPECT_EQ(h.sink.take(), (Clips { "tone", "on" }));
    h.port.arrive("BG06;");
    tone.poll();
    h.port.arrive("BG11;");
    // An S-meter query of the operator's own, behind the tone's, is answered aloud.
    h.link.ask("BG;");
    tone.poll();
    h.port.arrive("BG00;BG05;");
    EXPECT_EQ(tones(h), (std::vector<std::string> { "771", "1600", "667" }));
    EXPECT_EQ(h.sink.take(), (Clips { "s", "0" }));
    EXPECT_EQ(h.port.written, (std::vector<std::string> { "BG;", "BG;", "BG;", "BG;" }));
}

TEST(SMeterTone, EndsOnCtrlTOrEscapeEvenWhileSayingSoAndALateAnswerIsNeitherSaidNorSounded)
{
    const struct {
        const char *what;
        void (*end)(SMeterTone &);
        const char *during; // the clip during which it ends, or none
        Clips said;
    } cases[] = {
        { "Ctrl+T again", [](SMeterTone &t) { t.toggle(); }, "", { "tone", "on", "tone", "off" } },
        { "Escape", [](SMeterTone &t) { t.stop(); }, "", { "tone", "on" } },
        { "Escape during \"on\"", [](SMeterTone &t) { t.stop(); }, "on", { "tone", "on" } },
    };
    for (const auto &c : cases) {
        Harness h;
        SMeterTone &tone = h.link.meterTone();
        h.sink.onClip = [&](std::string_view clip) {
            if (clip == c.during) {
                c.end(tone);
            }
        };
        tone.toggle();
        if (*c.during == '\0') {
            h.port.arrive("BG06;");
            tone.poll();
            c.end(tone);
            h.port.arrive("BG10;"); // the answer to the poll before the end
            tone.poll();
        }
        EXPECT_FALSE(tone.on()) << c.what;
        EXPECT_EQ(tones(h).back(), "0") << c.what;
        EXPECT_EQ(h.sink.take(), c.said) << c.what;
        EXPECT_EQ(h.port.written.size(), *c.during == '\0' ? 2u : 0u) << c.what;
    }
}

TEST(SMeterTone, GivesUpSayingSoWhenTheRadioStopsAnsweringOrTheLineFailsNotDuringAHandshake)
{
    Harness h;
    SMeterTone &tone = h.link.meterTone();
    tone.toggle();
    {
        // Nothing is asked while the handshake has the line, and the tone does not give up.
        const auto handshake = h.link.holdClients();
        for (int poll = 0; poll <= SMeterTone::kUnansweredLimit; ++poll) {
            tone.poll();
        }
    }
    EXPECT_EQ(h.port.written.size(), 1u);
    for (int poll = 1; poll < SMeterTone::kUnansweredLimit; ++poll) {
        tone.poll();
    }
    EXPECT_TRUE(tone.on()) << "the fifth poll may still be answered";
    tone.poll();
    EXPECT_FALSE(tone.on());
    EXPECT_EQ(tones(h), std::vector<std::string> { "0" });
    tone.toggle();
    h.port.failWrite = true;
    tone.poll();
    EXPECT_EQ(h.sink.take(),
              (Clips { "tone", "on", "tone", "off", "tone", "on", "q7_error", "tone", "off" }));
}

} // namespace
} // namespace vexalo::testing
