// The operator's settings against a scripted radio: each goes out as the setting and its query,
// what is heard is the radio's answer, a refusal is "not accepted" and changes nothing, silence
// is an error, held steps end in one setting on the line and one confirmation, and undo sets
// the last reading back.
#include "event_wait.h"
#include "harness.h"
#include "operator_settings.h"
#include "report_mode.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

namespace vexalo::testing {
namespace {

using namespace std::chrono_literals;
using Knob = OperatorSettings::Knob;

struct Rig : Harness {
    Rig()
    {
        // What start-up leaves recorded: VFO A at 14 025 kHz, CW.
        port.arrive("IF00014025000     +00000000003000000;MD3;");
        sink.take();
    }
    // Delivers events until the change has been confirmed, refused or given up.
    void settle()
    {
        waitDeliveringEvents(2s, [this] { return !settings.busy(); });
    }

    // One folder a test: ctest runs the tests of this file side by side.
    QTemporaryDir folder;
    std::filesystem::path stepFile = std::filesystem::path(folder.path().toStdU16String()) / "step";
    OperatorSettings settings { link, announcer, interpreter, stepFile };
};

TEST(OperatorSettings, WhatIsHeardIsTheRadiosAnswerToTheReadBack)
{
    const Clips at14025 { "14", "0", "2", "5", "pt", "0", "0", "a" };
    const struct {
        const char *name;
        std::function<void(OperatorSettings &)> press;
        std::map<std::string, std::string> radio;
        std::vector<std::string> written;
        Clips heard;
        std::size_t undoDepth;
        bool fullAuto = false;
    } cases[] = {
        { "a mode",
          [](OperatorSettings &s) { s.set(Knob::Mode, 2); },
          { { "MD;", "MD2;" } },
          { "MD2;", "MD;" },
          { "usb" },
          1 },
        { "the radio's own report of it is heard once",
          [](OperatorSettings &s) { s.set(Knob::Mode, 2); },
          { { "MD2;", "MD2;" }, { "MD;", "MD2;" } },
          { "MD2;", "MD;" },
          { "usb" },
          1 },
        { "a typed frequency",
          [](OperatorSettings &s) { s.tuneTo(14'074'000); },
          { { "FA;", "FA00014074000;" } },
          { "FA00014074000;", "FA;" },
          { "14", "0", "7", "4", "pt", "0", "0", "a" },
          1 },
        { "a refused frequency",
          [](OperatorSettings &s) { s.tuneTo(60'000'000); },
          { { "FA00060000000;", "?;" }, { "FA;", "FA00014025000;" } },
          { "FA00060000000;", "FA;" },
          [&] {
              Clips c { "not_accepted", "60", "0", "0", "0", "pt", "0", "0" };
              c.insert(c.end(), at14025.begin(), at14025.end());
              return c;
          }(),
          0 },
        { "a silent radio",
          [](OperatorSettings &s) { s.set(Knob::Preamp, 0); },
          {},
          { "PA0;", "PA;" },
          { "q7_error" },
          0 },
        { "one step from rest: the setting and its read-back at once",
          [](OperatorSettings &s) { s.stepUp(); },
          { { "FA;", "FA00014026000;" } },
          { "FA00014026000;", "FA;" },
          { "14", "0", "2", "6", "pt", "0", "0", "a" },
          1 },
        { "three quick steps: the first read back unsaid, the last target, one confirmation",
          [](OperatorSettings &s) {
              s.stepUp();
              s.stepUp();
              s.stepUp();
          },
          { { "FA;", "FA00014028000;" } },
          { "FA00014026000;", "FA;", "FA00014028000;", "FA;" },
          { "14", "0", "2", "8", "pt", "0", "0", "a" },
          1 },
    };
    for (const auto &c : cases) {
        Rig rig;
        if (c.fullAuto) {
            rig.link.reportModes().apply(ReportMode::FullAuto);
            rig.port.written.clear();
            rig.sink.take();
        }
        rig.port.answers = c.radio;
        c.press(rig.settings);
        rig.settle();
        EXPECT_EQ(rig.port.written, c.written) << c.name;
        EXPECT_EQ(rig.sink.take(), c.heard) << c.name;
        EXPECT_EQ(rig.settings.undoDepth(), c.undoDepth) << c.name;
    }
}

// A frequency typed out of the band, in Manual: the edge ahead of the radio's answer.
TEST(OperatorSettings, ABandEdgeCrossedFromTheKeyboardIsHeardAheadOfTheAnswer)
{
    Rig rig;
    BandEdges edges(parseBandPlan("1 20m 14000 14350\n"));
    edges.setRegion(1);
    rig.link.setBandEdges(edges);
    rig.port.answers = { { "FA;", "FA00013990000;" } };
    rig.settings.tuneTo(13'990'000);
    rig.settle();
    EXPECT_EQ(rig.sink.take(),
              (Clips { "cue_band_left", "out_of_band", "13", "9", "9", "0", "pt", "0", "0", "a" }));
}

TEST(OperatorSettings, AStepFromRestIsReadBackBeforeTheKeysAreStill)
{
    Rig rig;
    rig.port.answers = { { "FA;", "FA00014026000;" } };
    rig.settings.stepUp();
    EXPECT_EQ(rig.port.written, (std::vector<std::string> { "FA00014026000;", "FA;" }));
}

TEST(OperatorSettings, StepsWithinASecondOfTheLastAreOneRunForUndo)
{
    Rig rig;
    rig.port.answers = { { "FA;", "FA00014026000;" } };
    rig.settings.stepUp();
    rig.settle();
    rig.port.answers = { { "FA;", "FA00014027000;" } };
    rig.settings.stepUp();
    rig.settle();
    EXPECT_EQ(rig.settings.undoDepth(), 1u);
}

TEST(OperatorSettings, UndoSetsTheLastReadingBackAndARefusalChangesNothingRecorded)
{
    Rig rig;
    rig.port.answers = { { "MD;", "MD2;" } };
    rig.settings.set(Knob::Mode, 2);
    rig.settle();
    rig.port.answers = { { "MD;", "MD3;" } };
    rig.settings.undo();
    rig.settle();
    EXPECT_EQ(rig.port.written, (std::vector<std::string> { "MD2;", "MD;", "MD3;", "MD;" }));
    EXPECT_EQ(rig.sink.take(), (Clips { "usb", "cw" }));
    rig.settings.undo();
    EXPECT_EQ(rig.sink.take(), (Clips { "no_undo" }));

    rig.port.answers = { { "FA00000001000;", "?;" }, { "FA;", "FA00014025000;" } };
    rig.settings.tuneTo(1'000);
    rig.settle();
    EXPECT_EQ(rig.interpreter.state().last_freq_a.get(), "1402500");
    EXPECT_EQ(rig.settings.frequency().value_or(0), 14'025'000);
}

TEST(OperatorSettings, TheStepSizeIsSaidAndKept)
{
    Rig rig;
    rig.settings.largerStep();
    rig.settings.largerStep();
    EXPECT_EQ(rig.sink.take(), (Clips { "step", "10", "khz", "step", "1", "hundred", "khz" }));
    OperatorSettings again { rig.link, rig.announcer, rig.interpreter, rig.stepFile };
    EXPECT_EQ(again.stepIndex(), 4u);
}

} // namespace
} // namespace vexalo::testing
