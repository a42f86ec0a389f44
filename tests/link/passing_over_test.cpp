// What the operator hears when replies pile up while something is being said: every reply is
// interpreted in arrival order, and only parts of unasked reports that a newer announcement
// makes stale are passed over. Also what a stop and a babbling line do to the replies waiting.
#include "event_wait.h"
#include "harness.h"
#include "reply_path.h"
#include "status_report.h"
#include "stream_rig.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace vexalo::testing {
namespace {

const Clips kS7 = { "s", "7" };

Clips operator+(Clips a, const Clips &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Each case fails on the program that let the latest report win.
TEST(PassingOver, EveryReadingEndsOnItsNewestValueAndEveryAnswerIsHeard)
{
    const std::string ritOn = statusReport({ .offset = "+0120", .rit = '1' });
    const std::string ritOnCw = statusReport({ .offset = "+0120", .rit = '1', .mode = '3' });
    const struct {
        const char *name;
        std::vector<std::string> scene; // arrive one at a time beforehand
        std::vector<std::string> asks; // the operator's queries, before `first`
        bool late; // the queries are older than the reply timeout when `first` arrives
        std::string first; // arrives and is being said ...
        std::string during; // ... when this arrives, during its first clip
        Clips heard;
    } cases[] = {
        { "a cut readout is said again at its newest value",
          { "FA00014025000;" },
          {},
          false,
          "FA00014025010;",
          "FA00014025020;FA00014025010;",
          Clips { "14" } + Clips { "14", "0", "2", "5", "pt", "0", "1" } },
        { "a report that says nothing cuts nothing",
          { "FA00014025000;" },
          {},
          false,
          "FA00014025100;",
          "FA00014025101;",
          { "14", "0", "2", "5", "pt", "1", "0" } },
        { "a mode change is said once, in the radio's order",
          { statusReport() },
          {},
          false,
          "BG05;",
          ritOn + "MD3;" + ritOnCw,
          kS7 + Clips { "rit", "plus", "1", "2", "0", "hz", "cw" } },
        { "only the newest of two mode changes",
          { statusReport() },
          {},
          false,
          "BG05;",
          "MD3;" + statusReport({ .mode = '3' }) + "MD1;" + statusReport({ .mode = '1' }),
          kS7 + Clips { "lsb" } },
        { "a change just before a band change is said",
          { "GT004;" },
          {},
          false,
          "BG05;",
          "GT002;" + statusReport({ .freq = "00007040000", .band = '1' }) + "GT002;NB00;",
          kS7 + Clips { "agc", "fast", "7", "pt", "0" } },
        { "three S-meter answers, three readings",
          {},
          { "BG;", "BG;", "BG;" },
          false,
          "BG05;",
          "BG05;BG05;",
          kS7 + kS7 + kS7 },
        { "a report before the answer is no answer",
          { "MD3;" },
          { "FA;" },
          false,
          "MD3;FA00014025000;",
          "",
          { "14", "0", "2", "5", "pt", "0", "0", "a" } },
        { "an unanswered query is forgotten", { "MD3;" }, { "FA;" }, true, "MD3;", "", {} },
    };
    for (const auto &c : cases) {
        Harness h;
        h.applyFullAuto();
        for (const std::string &reply : c.scene) {
            h.arrive(reply);
        }
        for (const std::string &query : c.asks) {
            h.link.ask(query);
        }
        if (c.late) {
            QCoreApplication::processEvents();
            waitDeliveringEvents(Exchange::kReplyTimeout + std::chrono::milliseconds(100),
                                 [] { return false; });
        }
        h.sink.onClip = [&h, during = c.during](std::string_view) mutable {
            h.port.waiting += std::exchange(during, {});
        };
        EXPECT_EQ(h.arrive(c.first), c.heard) << c.name;
    }
}

struct Generated {
    std::string reply;
    std::string query; // the command the operator sends for it, or empty
};

Generated randomReply(std::mt19937 &random)
{
    const auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    const auto digit
        = [&](const char *from) { return from[pick(static_cast<int>(std::strlen(from)))]; };
    const bool asked = pick(4) == 0;
    const auto with = [asked](std::string reply, std::string query) {
        return Generated { std::move(reply), asked ? std::move(query) : std::string() };
    };
    switch (pick(12)) {
    case 0:
    case 1: {
        const std::string vfo = pick(2) ? "FA" : "FB";
        return with(vfo + "000140250" + digit("0123") + digit("01") + ";", vfo + ";");
    }
    case 2:
    case 3:
        return with(statusReport({ .freq = pick(8) ? "00014025000" : "00007040000",
                                   .offset = std::string("+0") + digit("01") + "20",
                                   .rit = digit("01"),
                                   .xit = digit("01"),
                                   .mode = digit("1237"),
                                   .vfo = digit("01"),
                                   .split = digit("01"),
                                   .band = pick(8) ? '0' : '1' }),
                    "IF;");
    case 4:
        return with(std::string("MD") + digit("1237") + ";", "MD;");
    case 5:
        return with(std::string("FR") + digit("01") + ";", "FR;");
    case 6:
        return with(std::string("FT") + digit("01") + ";", "FT;");
    case 7:
        return with(std::string("GT00") + digit("24") + ";", "GT;");
    case 8:
        return with(std::string("NB") + digit("012") + digit("01") + ";", "NB;");
    case 9:
        return with(std::string("PA") + digit("01") + ";", "PA;");
    case 10:
        return with(std::string("BG0") + digit("159") + ";", "BG;");
    default:
        return with(std::string("KS0") + digit("12") + digit("05") + ";", "KS;");
    }
}

// Random well-formed reply streams, some replies answering the operator's queries, cut into
// random arrivals that come in between clips.
TEST(PassingOver, RandomArrivalsKeepTheStateAndTheRulesOfWhatIsHeard)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 400; ++round) {
        StreamCase c;
        c.fullAuto = random() % 2 == 0;
        std::string all;
        for (std::size_t n = 1 + random() % 20; n > 0; --n) {
            const Generated g = randomReply(random);
            all += g.reply;
            if (!g.query.empty()) {
                c.queries.push_back(g.query);
            }
        }
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t length = 1 + random() % 40;
            c.chunks.push_back(all.substr(at, length));
            at += length;
        }
        c.arrivesNow = [&random] { return random() % 3 == 0; };
        EXPECT_EQ(rulesBroken(c), "") << "round " << round << ": " << all;
    }
}

TEST(Stopping, AStopDuringAnAnnouncementEndsItAndLeavesTheRestUnsaidAndUnsent)
{
    Harness h;
    h.applyFullAuto();
    h.sink.onClip = [&h](std::string_view name) {
        if (name == "2") {
            h.lifecycle.beginShutdown();
        }
    };
    EXPECT_EQ(h.arrive("FA00014025010;MD3;"), (Clips { "14", "0", "2" }));
    h.link.ask("FA;");
    EXPECT_TRUE(h.port.written.empty());
    EXPECT_EQ(h.link.askAndWait("FA;"), Link::Asked::Stopping)
        << "a wait while stopping ends at once";
}

TEST(Babble, AMegabyteWithoutSeparatorsKeepsTheBufferSmallAndTheNextReplyIsSaid)
{
    Harness h;
    h.applyFullAuto();
    std::string noise(1 << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>(0x80 | (i * 2654435761u >> 13)); // never ';'
    }
    h.arrive(noise);
    EXPECT_LE(h.link.rx_buffer().size(), ReplyFramer::kMaxPending);
    EXPECT_EQ(h.arrive(";FA00014025010;"), (Clips { "14", "0", "2", "5", "pt", "0", "1" }));
}

// A band edge crossed is heard at once and whole, ahead of the readout of the same reply,
// whether the readouts around it are passed over or held back while tuning.
TEST(BandEdges, AnEdgeIsHeardAtOnceAheadOfTheReadoutNeitherPassedOverNorHeldBack)
{
    struct Conditions : ReplyConditions, LockPollControl {
        BandEdges edges { parseBandPlan("1 20m 14000 14350\n") };
        bool fullAuto() const override { return true; }
        bool lockChecked() const override { return false; }
        bool reportsToVexalo() const override { return true; }
        bool reportsForClientsOnly() const override { return false; }
        std::span<const Band> bandEdges() const override { return edges.bands(); }
        void pauseLockPoll() override { }
        void resumeLockPoll() override { }
    } conditions;
    conditions.edges.setRegion(1);
    const Clips edges = { "cue_band_left", "out_of_band", "cue_band_entered", "20", "metres" };
    const Clips k14001 = { "14", "0", "0", "1", "pt", "0", "0" };
    for (const bool settle : { false, true }) {
        ClipRecorder<> sink;
        Announcer announcer(sink);
        auto now = std::chrono::steady_clock::time_point {};
        announcer.setClock([&now] { return now; });
        announcer.setSettle(std::chrono::milliseconds(300));
        announcer.setSettling(settle);
        announcer.unmute();
        Exchange exchange { [] { return Exchange::Clock::time_point {}; } };
        Interpreter interpreter;
        ReplyPath path(exchange, interpreter, announcer, conditions, conditions);
        path.receive("FA00014000000;");
        now += std::chrono::seconds(1);
        announcer.speak();
        sink.take();
        // Out and back in: the readout of 13 999.00 is passed over, or held back and then
        // dropped; neither edge is.
        path.receive("FA00013999000;FA00014001000;");
        announcer.speak();
        const Clips atOnce = sink.take();
        now += std::chrono::seconds(1);
        announcer.speak();
        EXPECT_EQ(atOnce + sink.take(), edges + k14001) << settle;
        EXPECT_EQ(atOnce, settle ? edges : edges + k14001) << settle;
    }
}

} // namespace
} // namespace vexalo::testing
