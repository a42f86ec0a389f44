// Scripted interpreter tests: a few replies to set the scene, then replies whose clips are
// checked, then recorded values checked by name (as a state dump prints them, plus "Timer1"
// and "reply_pending"). The interpreter is a pure function, so a script is only replies in,
// clips and state out; an asked reply stays pending, as a query does, until a reply ends
// normally.
#pragma once

#include "clip_sink.h"
#include "interpreter.h"
#include "status_report.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    kInfo = 1 << 1, // the query is Info
    kLock = 1 << 2, // the lock check box is checked
    kFullAuto = 1 << 3,
    kTimerRunning = 1 << 4,
};

struct Step {
    std::string reply;
    bool asked;
    Clips clips; // a name that is no clip shows as "?name"
};

using State = std::vector<std::pair<std::string, std::string>>;

struct Script {
    std::string name;
    std::vector<std::string> scene; // handed over unasked; what they say is not checked
    unsigned setup;
    std::vector<Step> steps;
    State state;
};

inline Clips shown(const Announcement &announcement)
{
    Clips clips;
    for (const std::string &clip : announcement.clips()) {
        clips.push_back(isValidClipName(clip) ? clip : "?" + clip);
    }
    return clips;
}

inline void run(const Script &s)
{
    SCOPED_TRACE(s.name);
    Interpreter scene;
    scene.endBandChangeBurst();
    for (const std::string &reply : s.scene) {
        scene.HandleReply(reply, {});
    }
    RadioState start = scene.state();
    start.quiet_update = (s.setup & kQuiet) != 0;
    Interpreter interpreter(start);
    bool pending = false;
    bool timer = (s.setup & kTimerRunning) != 0;
    for (const Step &step : s.steps) {
        pending = pending || step.asked;
        const ReplyContext context { pending, pending && (s.setup & kInfo) != 0,
                                     (s.setup & kFullAuto) != 0, (s.setup & kLock) != 0 };
        const Outcome outcome = interpreter.HandleReply(step.reply, context);
        EXPECT_EQ(shown(outcome.announcement), step.clips) << step.reply;
        pending = pending && outcome.end == End::Quiet;
        timer = (timer && !outcome.lockPoll.pause) || outcome.lockPoll.resume;
    }
    State all = interpreter.state().describe();
    all.emplace_back("Timer1", timer ? "enabled" : "disabled");
    all.emplace_back("reply_pending", pending ? "true" : "false");
    for (const auto &expected : s.state) {
        const auto found = std::find_if(all.begin(), all.end(), [&expected](const auto &entry) {
            return entry.first == expected.first;
        });
        ASSERT_NE(found, all.end()) << "no variable " << expected.first;
        EXPECT_EQ(found->second, expected.second) << expected.first;
    }
}

} // namespace vexalo::testing
