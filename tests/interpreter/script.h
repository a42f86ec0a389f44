// Scripted interpreter tests: a few replies to set the scene, then replies whose clips are
// checked, then recorded values checked by name (as a state dump prints them, plus "Timer1").
// Every script runs twice, speech on and speech off: the second run must hear nothing and end
// in exactly the same state.
#pragma once

#include "harness.h"
#include "status_report.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vexalo::testing {

inline constexpr bool kAsked = true;
inline constexpr bool kUnasked = false;

// Conditions set after the scene replies and before the checked ones.
enum Setup : unsigned {
    kPlain = 0,
    kQuiet = 1 << 0, // a band-change burst is in progress
    kInfo = 1 << 1, // an Info query is in progress
    kLock = 1 << 2, // the lock check box is checked
    kFullAuto = 1 << 3,
    kTimerRunning = 1 << 4,
};

struct Step {
    std::string reply;
    bool asked;
    Clips clips;
};

using State = std::vector<std::pair<std::string, std::string>>;

struct Script {
    std::string name;
    std::vector<std::string> scene; // handed over unasked; what they say is not checked
    unsigned setup;
    std::vector<Step> steps;
    State state;
};

inline std::string valueOf(const Harness &h, const std::string &name)
{
    if (name == "Timer1") {
        return h.window.timer1 ? "enabled" : "disabled";
    }
    for (const auto &[n, v] : h.g.describe()) {
        if (n == name) {
            return v;
        }
    }
    ADD_FAILURE() << "no variable " << name;
    return {};
}

inline void run(const Script &s)
{
    State heardState;
    for (const bool speech : { true, false }) {
        SCOPED_TRACE(s.name + (speech ? "" : " (speech off)"));
        Harness h;
        for (const std::string &reply : s.scene) {
            h.reply(reply);
        }
        h.sink.take();
        h.g.speech_on = speech;
        h.g.quiet_update = (s.setup & kQuiet) != 0;
        h.g.info_request = (s.setup & kInfo) != 0;
        h.window.lock = (s.setup & kLock) != 0 ? 1 : 0;
        h.window.fullAuto = (s.setup & kFullAuto) != 0;
        h.window.timer1 = (s.setup & kTimerRunning) != 0;
        for (const Step &step : s.steps) {
            EXPECT_EQ(h.reply(step.reply, step.asked), speech ? step.clips : Clips {})
                << step.reply;
        }
        for (const auto &[name, value] : s.state) {
            EXPECT_EQ(valueOf(h, name), value) << name;
        }
        h.g.speech_on = true;
        State all = h.g.describe();
        all.emplace_back("Timer1", valueOf(h, "Timer1"));
        if (speech) {
            heardState = all;
        } else {
            EXPECT_EQ(all, heardState) << "speech off must record the same values";
        }
    }
}

} // namespace vexalo::testing
