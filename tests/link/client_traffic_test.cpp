// The line shared with other programs: each reply goes to whoever asked, a client's answer is
// neither said nor recorded, the clients' commands take turns one at a time behind Vexalo's own,
// and the radio's reports are kept on for a client without Vexalo hearing them in Manual.
#include "client_side.h"
#include "commands.h"
#include "event_wait.h"
#include "harness.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexalo::testing {
namespace {

using Strings = std::vector<std::string>;

class RecordingClients : public ClientSide {
public:
    void answered(const Asker &asker, std::string_view reply) override
    {
        events.push_back(std::to_string(asker.client) + " " + std::string(reply));
    }
    void unanswered(const Asker &asker, Unanswered why) override
    {
        events.push_back(std::to_string(asker.client)
                         + (why == Unanswered::NoReply ? " no reply" : " not written"));
    }
    void reported(std::string_view reply) override
    {
        events.push_back("report " + std::string(reply));
    }
    void takeCommands() override
    {
        if (onTake) {
            onTake();
        }
    }

    Strings events;
    std::function<void()> onTake; // what the clients send between two clips
};

struct SharedRig : Harness {
    SharedRig()
    {
        applyFullAuto(); // where an unasked frequency is said
        link.clients().setClientSide(&clients);
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }
    // "v CMD" Vexalo asks, "N CMD" client N sends, "x N" client N is gone, "< REPLY" the
    // radio answers, "~ REPLY" it answers but the line is not read yet, "w N" waits until N
    // commands are on the line, "e N" until the clients have been told N things.
    void run(const Strings &script)
    {
        std::uint64_t tag = 0;
        for (const std::string &line : script) {
            const std::string text = line.substr(2);
            if (line[0] == 'v') {
                link.ask(text);
            } else if (line[0] == '<') {
                port.arrive(text);
            } else if (line[0] == '~') {
                port.waiting += text;
            } else if (line[0] == 'e') {
                const std::size_t count = static_cast<std::size_t>(std::stoi(text));
                waitDeliveringEvents(std::chrono::seconds(5),
                                     [&] { return clients.events.size() >= count; });
            } else if (line[0] == 'w') {
                const std::size_t count = static_cast<std::size_t>(std::stoi(text));
                waitDeliveringEvents(std::chrono::seconds(5),
                                     [&] { return port.written.size() >= count; });
            } else if (line[0] == 'x') {
                link.clients().drop(static_cast<ClientId>(text[0] - '0'));
            } else {
                link.clients().send({ { static_cast<ClientId>(line[0] - '0'), ++tag }, text });
            }
            settle();
        }
    }
    RecordingClients clients;
};

TEST(SharedLine, EachReplyGoesToWhoAskedAndOnlyVexalosOwnAreHeard)
{
    const Clips khz7074 = { "7", "0", "7", "4", "pt", "0", "0" };
    const struct {
        const char *name;
        Strings script;
        Strings clientEvents;
        Clips heard;
    } cases[] = {
        { "a client's answer is neither said nor recorded: the same value reported is news",
          { "1 FA;", "< FA00007074000;", "< FA00007074000;" },
          { "1 FA00007074000;" },
          khz7074 },
        { "two askers of the same query are answered in the order they asked",
          { "v FA;", "1 FA;", "< FA00007074000;", "< FA00014025000;" },
          { "1 FA00014025000;" },
          Clips { "7", "0", "7", "4", "pt", "0", "0", "a" } },
        { "... the client first",
          { "1 FA;", "v FA;", "< FA00014025000;", "< FA00007074000;" },
          { "1 FA00014025000;" },
          Clips { "7", "0", "7", "4", "pt", "0", "0", "a" } },
        { "the radio's error goes to the client whose query it did not know",
          { "1 XX;", "< ?;" },
          { "1 ?;" },
          {} },
        { "... and to the client whose setting it refused", { "1 FA1;", "< ?;" }, { "1 ?;" }, {} },
        { "a client's query the radio passed over goes unanswered",
          { "1 FB;", "v FA;", "< FA00007074000;" },
          { "1 no reply" },
          Clips { "7", "0", "7", "4", "pt", "0", "0", "a" } },
        { "a setting and its read-back are one turn: the other client's refused command is its own",
          { "2 FB;", "1 FA00007074000;", "1 FA;", "2 MD8;", "< FB00014030000;", "w 3",
            "< FA00007074000;", "w 4", "< ?;" },
          { "2 FB00014030000;", "1 FA00007074000;", "2 ?;" },
          khz7074 },
        { "the radio's own report of a client's setting, taken for its read-back, is heard too",
          { "1 FR1;", "1 FR;", "w 2", "< FR1;", "< FT1;", "< FR1;" },
          { "1 FR1;" },
          Clips { "b" } },
        { "an answer there but not yet read when the client's time is up is the client's",
          { "1 FA;", "~ FA00007074000;", "e 1" },
          { "1 FA00007074000;" },
          {} },
        { "a client gone: its answer still goes to the clients' side, never to the speech",
          { "1 FA;", "x 1", "< FA00007074000;" },
          { "1 FA00007074000;" },
          {} },
    };
    for (const auto &c : cases) {
        SharedRig rig;
        rig.run(c.script);
        EXPECT_EQ(rig.clients.events, c.clientEvents) << c.name;
        EXPECT_EQ(rig.sink.take(), c.heard) << c.name;
        EXPECT_FALSE(rig.link.exchange().anyOutstanding()) << c.name;
    }
}

// The radio's report of a client's change, taken for the client's read-back, is heard as the
// report it is: across a band edge, with the edge ahead of the readout.
TEST(SharedLine, AClientsChangeAcrossABandEdgeIsHeardInFullAuto)
{
    SharedRig rig;
    BandEdges edges(parseBandPlan("1 20m 14000 14350\n"));
    edges.setRegion(1);
    rig.link.setBandEdges(edges);
    rig.run({ "< FA00014025000;", "1 FA00013990000;", "1 FA;", "w 2", "< FA00013990000;",
              "< FA00013990000;" });
    EXPECT_EQ(rig.sink.take(),
              (Clips { "14", "0", "2", "5", "pt", "0", "0", "cue_band_left", "out_of_band", "13",
                       "9", "9", "0", "pt", "0", "0" }));
}

TEST(SharedLine, ClientsTakeTurnsOneCommandAtATimeBehindVexalo)
{
    SharedRig rig;
    rig.run({ "1 FA;", "1 FB;", "1 MD;", "2 FR;" });
    EXPECT_EQ(rig.port.written, (Strings { "FA;" })) << "one client command on the line at a time";
    rig.run({ "v IF;" });
    EXPECT_EQ(rig.port.written, (Strings { "FA;", "IF;" })) << "Vexalo's own never waits";
    rig.run({ "< FA00014025000;" });
    EXPECT_EQ(rig.port.written.back(), "FB;") << "sent before the other client's";
    rig.run({ "< FB00014030000;" });
    EXPECT_EQ(rig.port.written.back(), "FR;") << "the other client's turn";
    rig.run({ "< FR0;" });
    EXPECT_EQ(rig.port.written.back(), "MD;");
    // A setting expects no reply: the next goes once it has had time to leave at 4800 baud.
    rig.run({ "< MD3;", "1 FA00007074000;", "1 FA;" });
    EXPECT_EQ(rig.port.written.back(), "FA00007074000;");
    waitDeliveringEvents(std::chrono::milliseconds(60), [] { return false; });
    EXPECT_EQ(rig.port.written.back(), "FA;");
}

TEST(SharedLine, ClientsAreServedBetweenTheClipsOfALongAnnouncement)
{
    SharedRig rig;
    // No event is delivered while Vexalo speaks: what a client sends and what the radio
    // answers it are taken between clips.
    std::size_t clips = 0;
    std::size_t answeredAt = 0;
    rig.sink.onClip = [&](std::string_view) {
        ++clips;
        if (rig.port.written.back() == "FB;" && rig.port.waiting.empty() && answeredAt == 0) {
            rig.port.waiting = "FB00014030000;";
        }
        if (!rig.clients.events.empty() && answeredAt == 0) {
            answeredAt = clips;
        }
    };
    rig.clients.onTake = [&] {
        if (clips == 2) {
            rig.link.clients().send({ { 1, 1 }, "FB;" });
        }
    };
    rig.link.ask("FA;");
    rig.port.arrive("FA00014025000;");
    EXPECT_EQ(rig.clients.events, (Strings { "1 FB00014030000;" }));
    EXPECT_EQ(clips, 8u);
    EXPECT_EQ(answeredAt, 4u) << "sent after the second clip, answered after the third";
}

TEST(SharedLine, AFloodIsRefusedPastTheBacklogAndNothingGoesOutDuringAHandshake)
{
    SharedRig rig;
    {
        const auto held = rig.link.holdClients();
        for (std::size_t i = 0; i < ClientQueue::kBacklog; ++i) {
            EXPECT_TRUE(rig.link.clients().send({ { 1, i }, "FA;" }));
        }
        EXPECT_FALSE(rig.link.clients().send({ { 1, 99 }, "FA;" }));
        EXPECT_TRUE(rig.link.clients().send({ { 2, 1 }, "FB;" }))
            << "another client is not refused";
        rig.settle();
        EXPECT_TRUE(rig.port.written.empty());
        rig.link.clients().drop(1);
    }
    rig.settle();
    EXPECT_EQ(rig.port.written, (Strings { "FB;" })) << "the dropped client's commands are gone";
}

TEST(SharedLine, AFailedWriteIsTheClientsAloneAndNeverHeard)
{
    SharedRig rig;
    rig.port.failWrite = true;
    rig.run({ "1 FA;" });
    EXPECT_EQ(rig.clients.events, (Strings { "1 not written" }));
    EXPECT_TRUE(rig.sink.take().empty());
}

TEST(SharedLine, ReportsStayOnForAClientWithoutVexaloHearingThemInManual)
{
    SharedRig rig;
    const auto wants = [&](bool on) {
        rig.link.clients().setReportsWanted(on);
        rig.settle();
    };
    const auto apply = [&](ReportMode mode) {
        const auto muted = rig.announcer.mute();
        rig.link.reportModes().apply(mode);
    };
    apply(ReportMode::Manual);
    wants(true);
    rig.run({ "< MD2;" });
    EXPECT_EQ(rig.port.written, (Strings { "AI0;", "AI2;" }));
    EXPECT_TRUE(rig.sink.take().empty()) << "Manual stays silent";
    apply(ReportMode::SemiAuto);
    rig.run({ "< MD1;" });
    EXPECT_EQ(rig.sink.take(), (Clips { "lsb" })) << "Vexalo's own reports again";
    apply(ReportMode::Manual);
    rig.run({ "< MD3;" });
    EXPECT_TRUE(rig.sink.take().empty());
    wants(false);
    wants(true);
    EXPECT_EQ(rig.port.written,
              (Strings { "AI0;", "AI2;", "AI2;", "AI0;", "AI2;", "AI0;", "AI2;" }));
    EXPECT_EQ(rig.clients.events, (Strings { "report MD2;", "report MD1;", "report MD3;" }));
    rig.lifecycle.beginShutdown();
    rig.link.release();
    EXPECT_EQ(Strings(rig.port.written.end() - 2, rig.port.written.end()),
              (Strings { "AI0;", "q70;" }))
        << "the radio is left as Vexalo's own mode has it";
}

} // namespace
} // namespace vexalo::testing
