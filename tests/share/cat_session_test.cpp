// The program on the pass-through port: what reaches the radio, what is answered on the spot
// and never sent (report mode, the link commands of start-up and shutdown, anything malformed),
// which of the radio's reports it gets, and when it is flooding.
#include "cat_session.h"

#include <gtest/gtest.h>

#include <chrono>

#include <string>
#include <vector>

namespace vexalo {
namespace {

using Strings = std::vector<std::string>;

class RecordingPeer : public CatSession::Peer {
public:
    void write(std::string_view bytes) override { program += bytes; }
    bool send(std::uint64_t, std::string command) override
    {
        radio.push_back(std::move(command));
        return radio.size() <= room;
    }
    void reportsWanted(bool wanted) override { wishes.push_back(wanted); }
    std::chrono::steady_clock::time_point now() const override { return clock; }

    std::string program;
    Strings radio;
    std::vector<bool> wishes;
    std::size_t room = 100;
    std::chrono::steady_clock::time_point clock;
};

TEST(CatSession, OnlyTheRadiosOwnBusinessReachesIt)
{
    const std::string overlong(CatSession::kMaxCommand + 10, 'F');
    const struct {
        std::string bytes;
        Strings radio;
        std::string program; // answered on the spot
        std::vector<bool> wishes;
    } cases[] = {
        { "FA;fb;FA00007074000;", { "FA;", "fb;", "FA00007074000;" }, "", {} },
        { "\r\nID;\r\n", { "ID;" }, "", {} },
        { "AI2;AI;ai0;AI;", {}, "AI2;AI0;", { true, false } },
        { "AI1;AI2;", {}, "", { true } },
        { "AI5;AIx;", {}, "?;?;", {} },
        { "q70;q72;q7;Q7;", {}, "Q72;Q72;", {} },
        { "q7a;", {}, "?;", {} },
        { "MD\x01;1A;F;", {}, "?;?;?;", {} },
        { "PS0;XX;lk1;", { "lk1;" }, "?;?;", {} },
        { "F A;", {}, "?;", {} },
        { ";;  ;", {}, "", {} },
        { overlong + ";FA;", { "FA;" }, "?;", {} },
        { "FA", {}, "", {} },
    };
    for (const auto &c : cases) {
        RecordingPeer peer;
        CatSession session(peer);
        EXPECT_EQ(session.receive(c.bytes), CatSession::Fed::Taken) << c.bytes;
        EXPECT_EQ(peer.radio, c.radio) << c.bytes;
        EXPECT_EQ(peer.program, c.program) << c.bytes;
        EXPECT_EQ(peer.wishes, c.wishes) << c.bytes;
    }
}

TEST(CatSession, ReportsOnlyWhileItHasThemOnAndAFullBacklogIsFlooding)
{
    RecordingPeer peer;
    CatSession session(peer);
    session.reported("FA00007074000;");
    session.receive("AI2;");
    session.reported("MD2;");
    session.receive("AI0;");
    session.reported("MD3;");
    EXPECT_EQ(peer.program, "MD2;");
    peer.room = 1;
    EXPECT_EQ(session.receive("FA;FB;"), CatSession::Fed::Flooding);
}

// What Vexalo handles itself counts too: a program that writes it without end (or bounces
// Vexalo's answers back through an echo) is sent away, one at the radio's pace is not.
TEST(CatSession, CommandsVexaloHandlesItselfGoAtTheRadiosPace)
{
    using std::chrono::milliseconds;
    const std::string babble(CatSession::kMaxCommand + 1, 'x');
    const struct {
        std::string command;
        int times;
        milliseconds apart;
        CatSession::Fed fed;
    } cases[] = {
        { "AI;", CatSession::kOwnAhead, milliseconds(0), CatSession::Fed::Taken },
        { "AI;", CatSession::kOwnAhead + 1, milliseconds(0), CatSession::Fed::Flooding },
        { "XX;", CatSession::kOwnAhead + 1, milliseconds(0), CatSession::Fed::Flooding },
        { "?;", 100, milliseconds(1), CatSession::Fed::Flooding },
        { ";", CatSession::kOwnAhead + 1, milliseconds(0), CatSession::Fed::Flooding },
        { babble, CatSession::kOwnAhead + 1, milliseconds(0), CatSession::Fed::Flooding },
        { "AI;", 1000, CatSession::kOwnPace, CatSession::Fed::Taken },
        { "FA;", CatSession::kOwnAhead + 1, milliseconds(0), CatSession::Fed::Taken },
    };
    for (const auto &c : cases) {
        RecordingPeer peer;
        CatSession session(peer);
        CatSession::Fed fed = CatSession::Fed::Taken;
        for (int i = 0; i < c.times && fed == CatSession::Fed::Taken; ++i) {
            fed = session.receive(c.command);
            peer.clock += c.apart;
        }
        EXPECT_EQ(fed, c.fed) << c.times << " x " << c.command << ", " << c.apart.count()
                              << " ms apart";
    }
}

} // namespace
} // namespace vexalo
