// Reports that pile up while an announcement plays: only the newest of a reading is said,
// spoken against what the operator last heard, and what is recorded is exactly what handling
// every report in turn records. Also what a stop does to replies still waiting.
#include "fake_radio_port.h"
#include "harness.h"
#include "link.h"
#include "status_report.h"

#include <gtest/gtest.h>

namespace vexalo::testing {
namespace {

struct LinkHarness : Harness {
    LinkHarness()
    {
        port.opened = true;
        window.fullAuto = true;
        g.rx_vfo = std::string("0");
    }

    FakeRadioPort port;
    Link link { g, speech, interpreter, port, lifecycle };
};

TEST(StaleReports, OnlyTheNewestOfAReadingIsSaidAndTheStateIsAsIfAllWere)
{
    const std::string fa10 = "FA00014025010;", fa20 = "FA00014025020;", fa30 = "FA00014025030;";
    const std::string lsb = statusReport({ .mode = '1' });
    const std::string ritOn = statusReport({ .offset = "+0120", .rit = '1', .mode = '1' });
    const std::string usb = statusReport();
    const struct {
        const char *name;
        std::vector<std::string> scene; // handled one by one beforehand
        std::string burst; // arrives in one piece
        Clips clips;
    } cases[] = {
        { "tuning: the last frequency only",
          { fa10 },
          fa20 + fa30 + "FA00014025040;",
          { "14", "0", "2", "5", "pt", "0", "4" } },
        { "back where the operator last heard it: nothing", { fa10 }, fa20 + fa10, {} },
        { "mode and RIT changed in turn: both said once",
          { usb },
          lsb + ritOn,
          { "lsb", "rit", "plus", "1", "2", "0", "hz" } },
        { "other readings in between are all said",
          { fa10 },
          fa20 + "MD3;" + fa30,
          { "cw", "14", "0", "2", "5", "pt", "0", "3" } },
        { "split on and off again: no change to say", { "FT0;" }, "FT1;FT0;", {} },
        { "a band change is never passed over",
          { usb },
          statusReport({ .freq = "00007040000", .band = '1' }) + usb,
          { "7", "pt", "0", "14" } },
    };
    for (const auto &c : cases) {
        LinkHarness live;
        Harness oneByOne; // the same replies, each handled on its own
        oneByOne.window.fullAuto = true;
        oneByOne.g.rx_vfo = std::string("0");
        for (const std::string &reply : c.scene) {
            live.port.arrive(reply);
            oneByOne.reply(reply);
        }
        live.sink.take();
        live.port.arrive(c.burst);
        EXPECT_EQ(live.sink.take(), c.clips) << c.name;
        ReplyFramer framer;
        for (const std::string &reply : framer.receive(c.burst)) {
            oneByOne.reply(reply);
        }
        EXPECT_EQ(live.g.describe(), oneByOne.g.describe()) << c.name;
    }
}

TEST(StaleReports, AnAnswerToTheOperatorIsNeverPassedOver)
{
    LinkHarness h;
    h.g.reply_pending = true;
    h.port.arrive("FA00014025010;FA00014025020;");
    EXPECT_EQ(
        h.sink.take(),
        (Clips { "14", "0", "2", "5", "pt", "0", "1", "a", "14", "0", "2", "5", "pt", "0", "2" }));
}

TEST(StaleReports, AFrequencyStillBeingSaidStopsAtTheNextClipWhenANewerOneArrives)
{
    LinkHarness h;
    h.sink.onClip = [&h, arrived = false](std::string_view name) mutable {
        if (name == "5" && !arrived) {
            h.port.waiting = "FA00014025020;"; // arrives while "5" plays
            arrived = true;
        }
    };
    h.port.arrive("FA00014025010;");
    EXPECT_EQ(h.sink.take(), (Clips { "14", "0", "2", "5", "14", "0", "2", "5", "pt", "0", "2" }));
    EXPECT_EQ(h.g.last_freq_a.get(), "1402502");
}

TEST(Stopping, AStopDuringAnAnnouncementEndsItAndLeavesTheRestUnsaidAndUnsent)
{
    LinkHarness h;
    h.sink.onClip = [&h](std::string_view name) {
        if (name == "2") {
            h.lifecycle.beginShutdown();
        }
    };
    h.port.arrive("FA00014025010;MD3;");
    EXPECT_EQ(h.sink.take(), (Clips { "14", "0", "2" }));
    h.link.ask("FA;");
    EXPECT_TRUE(h.port.written.empty());
    EXPECT_FALSE(h.link.askAndWait("FA;")) << "a wait while stopping ends at once";
}

TEST(Babble, AMegabyteWithoutSeparatorsKeepsTheBufferSmallAndTheNextReplyIsSaid)
{
    LinkHarness h;
    std::string noise(1 << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>(0x80 | (i * 2654435761u >> 13)); // never ';'
    }
    h.port.arrive(noise);
    EXPECT_LE(h.link.rx_buffer().size(), ReplyFramer::kMaxPending);
    h.port.arrive(";FA00014025010;");
    EXPECT_EQ(h.sink.take(), (Clips { "14", "0", "2", "5", "pt", "0", "1" }));
}

} // namespace
} // namespace vexalo::testing
