// Speech while the knob turns: replies arrive at given times on a clock of the test's own, pass
// through the interpreter into the announcer, which is asked to speak at each arrival and at
// each tick (when the link's timer would fire); what is heard is compared.
#include "announcer.h"
#include "clip_recorder.h"
#include "cues.h"
#include "interpreter.h"
#include "status_report.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexalo::testing {
namespace {

using namespace std::chrono_literals;

struct Arrival {
    int at; // ms since the start
    const char *reply; // nullptr: only the timer fires
    bool asked = false;
    bool whileSpeaking = false; // arrives while a clip of what is being said sounds
};

struct Tuning {
    std::chrono::milliseconds settle { 0 };
    bool shortReadouts = false;
    bool ticks = false;
    std::vector<std::string_view> unannounced {}; // names of --announce
};

Clips heardFrom(const Tuning &tuning, const std::vector<Arrival> &arrivals)
{
    ClipRecorder<> sink;
    Announcer announcer(sink);
    auto now = std::chrono::steady_clock::time_point {};
    announcer.setClock([&now] { return now; });
    announcer.setSettle(tuning.settle);
    announcer.setSettling(tuning.settle.count() > 0);
    announcer.setShortReadouts(tuning.shortReadouts);
    announcer.setTicks(tuning.ticks);
    for (const AnnouncedReading &reading : kAnnouncedReadings) {
        announcer.setAnnounced(reading,
                               std::ranges::find(tuning.unannounced, reading.name)
                                   == tuning.unannounced.end());
    }
    announcer.unmute();
    RadioState start;
    start.rx_vfo = std::string("0");
    Interpreter interpreter(start);
    std::size_t next = 0;
    const auto deliver = [&] {
        const Arrival &arrival = arrivals[next++];
        now = std::chrono::steady_clock::time_point {} + std::chrono::milliseconds(arrival.at);
        if (arrival.reply != nullptr) {
            const ReplyContext context { .asked = arrival.asked, .fullAuto = true };
            announcer.enqueue(interpreter.HandleReply(arrival.reply, context).announcement);
        }
    };
    sink.onClip = [&](std::string_view) {
        while (next < arrivals.size() && arrivals[next].whileSpeaking) {
            deliver();
        }
    };
    while (next < arrivals.size()) {
        deliver();
        announcer.speak();
    }
    return sink.take();
}

const Clips k14025 = { "14", "0", "2", "5", "pt", "0", "0" };
const Clips k14026 = { "14", "0", "2", "6", "pt", "0", "0" };
const Clips k14027 = { "14", "0", "2", "7", "pt", "0", "0" };
const Clips kTicked = { std::string(kTick.clip) };
const Clips kTickedHigh = { std::string(kTickHigh.clip) };

Clips operator+(Clips a, const Clips &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Settle, OnlyTheNewestFrequencyReportIsSaidOnceTheyStop)
{
    const struct {
        const char *name;
        std::chrono::milliseconds settle;
        std::vector<Arrival> arrivals;
        Clips heard;
    } cases[] = {
        { "off: each report is said as it comes",
          0ms,
          { { 0, "FA00014025000;" }, { 100, "FA00014026000;" } },
          k14025 + k14026 },
        { "on: reports 100 ms apart, said once 300 ms pass without one",
          300ms,
          { { 0, "FA00014025000;" },
            { 100, "FA00014026000;" },
            { 200, "FA00014027000;" },
            { 499, nullptr },
            { 500, nullptr } },
          k14027 },
        { "on: a gap shorter than the settle time says nothing",
          300ms,
          { { 0, "FA00014025000;" }, { 299, nullptr }, { 300, "FA00014026000;" } },
          {} },
        { "on: answers and other readings are said at once, the readout after",
          300ms,
          { { 0, "FA00014025000;" },
            { 50, "MD3;" },
            { 60, "FA00014025000;", true },
            { 100, "FA00014026000;" },
            { 400, nullptr } },
          Clips { "cw" } + k14025 + Clips { "a" } + k14026 },
        { "on: an answer about the frequency makes the held report stale",
          300ms,
          { { 0, "FA00014025000;" }, { 100, "FA00014026000;", true }, { 500, nullptr } },
          k14026 + Clips { "a" } },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(heardFrom({ .settle = c.settle }, c.arrivals), c.heard) << c.name;
    }
}

TEST(Ticks, AKilohertzCrossedTicksWhileNothingIsSaid)
{
    const std::vector<Arrival> tuning = { { 0, "FA00014025000;" },
                                          { 100, "FA00014025500;" },
                                          { 200, "FA00014026000;" },
                                          { 300, "FA00014030000;" },
                                          { 600, nullptr } };
    const struct {
        const char *name;
        std::vector<Arrival> arrivals;
        Clips heard;
    } cases[] = {
        { "within the kilohertz none, across it a tick, across ten a higher one", tuning,
          kTicked + kTickedHigh + Clips { "14", "0", "3", "0", "pt", "0", "0" } },
        { "at most one each 50 ms",
          { { 0, "FA00014025000;" },
            { 100, "FA00014026000;" },
            { 149, "FA00014025000;" },
            { 150, "FA00014026000;" },
            { 450, nullptr } },
          kTicked + kTicked + k14026 },
        { "none over speech: a report that comes while an answer is said",
          { { 0, "FA00014025000;", true },
            { 10, "FA00014026000;", false, true },
            { 400, nullptr } },
          k14025 + Clips { "a" } + k14026 },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(heardFrom({ .settle = 300ms, .ticks = true }, c.arrivals), c.heard) << c.name;
    }
    EXPECT_EQ(heardFrom({ .settle = 300ms }, tuning),
              Clips({ "14", "0", "3", "0", "pt", "0", "0" }))
        << "off: none";
}

TEST(ShortReadouts, OnlyWhatLiesBelowTheMegahertzWhenTheyWereJustHeard)
{
    const Clips below = { "0", "2", "6", "pt", "0", "0" };
    const struct {
        const char *name;
        std::vector<Arrival> arrivals;
        Clips heard;
    } cases[] = {
        { "same megahertz and VFO within 10 s",
          { { 0, "FA00014025000;" }, { 9000, "FA00014026000;" } },
          k14025 + below },
        { "after 10 s the whole readout",
          { { 0, "FA00014025000;" }, { 10001, "FA00014026000;" } },
          k14025 + k14026 },
        { "another megahertz",
          { { 0, "FA00014025000;" }, { 100, "FA00007025000;" } },
          k14025 + Clips { "7", "0", "2", "5", "pt", "0", "0" } },
        { "another VFO",
          { { 0, "FB00014025000;", true }, { 100, "FA00014026000;" } },
          k14025 + Clips { "b" } + k14026 },
        { "an answer is always whole",
          { { 0, "FA00014025000;" }, { 100, "FA00014026000;", true } },
          k14025 + k14026 + Clips { "a" } },
        { "an answer counts as heard",
          { { 0, "FA00014025000;", true }, { 100, "FA00014026000;" } },
          k14025 + Clips { "a" } + below },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(heardFrom({ .shortReadouts = true }, c.arrivals), c.heard) << c.name;
    }
    const std::vector<Arrival> settling = { { 0, "FA00014025000;" },
                                            { 400, nullptr },
                                            { 500, "FA00014026000;" },
                                            { 600, "FA00014027000;" },
                                            { 900, nullptr } };
    const Clips heard = heardFrom({ .settle = 300ms, .shortReadouts = true }, settling);
    EXPECT_EQ(heard, k14025 + Clips({ "0", "2", "7", "pt", "0", "0" }))
        << "with settling, short against the readout heard, not those held back";
}

TEST(Announce, ReadingsLeftOutAreNotSaidFromReportsButAlwaysAsAnswers)
{
    const std::string usb = statusReport();
    const std::string ritOnLsb = statusReport({ .offset = "+0120", .rit = '1', .mode = '1' });
    const struct {
        const char *name;
        std::vector<std::string_view> unannounced;
        std::vector<Arrival> arrivals;
        Clips heard;
    } cases[] = {
        { "the mode left out", { "mode" }, { { 0, "MD3;" }, { 10, "MD3;", true } }, { "cw" } },
        { "the frequency left out",
          { "frequency", "split" },
          { { 0, "FA00014025000;" }, { 10, "MD3;" }, { 20, "FA00014025000;", true } },
          Clips { "cw" } + k14025 + Clips { "a" } },
        { "one part of a status report left out, the other said",
          { "rit-xit" },
          { { 0, usb.c_str() }, { 10, ritOnLsb.c_str() } },
          { "usb", "lsb" } },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(heardFrom({ .unannounced = c.unannounced }, c.arrivals), c.heard) << c.name;
    }
}

} // namespace
} // namespace vexalo::testing
