// A rigctl client's lines against a scripted Q7: which of the radio's own commands each request
// sends, in what order, and the bytes the client gets back, in both response styles; refusals,
// errors of the radio and a client that floods.
#include "rigctl_session.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexalo {
namespace {

using Strings = std::vector<std::string>;

// Answers a query from its state; a setting in the reply's own layout becomes the next reply
// to its query, unless the radio refuses that kind of setting.
class ScriptedQ7 : public RigctlSession::Peer {
public:
    bool send(std::uint64_t tag, std::string command) override
    {
        sent.push_back(command);
        waiting.emplace_back(tag, std::move(command));
        return true;
    }
    void write(std::string_view bytes) override { client += bytes; }
    void close() override { closed = true; }

    void answer(RigctlSession &session)
    {
        while (!waiting.empty()) {
            auto [tag, command] = std::move(waiting.front());
            waiting.pop_front();
            const std::string prefix = command.substr(0, 2);
            if (command.size() == 3) {
                session.answered(tag, state.at(prefix));
            } else if (refuses == prefix) {
                session.answered(tag, "?;");
            } else {
                state[prefix] = command;
            }
        }
    }

    std::map<std::string, std::string> state {
        { "FA", "FA00014025000;" },
        { "FB", "FB00014030000;" },
        { "FR", "FR0;" },
        { "FT", "FT0;" },
        { "MD", "MD3;" },
        { "FW", "FW05002;" },
        // RIT off, XIT on, their shared offset -120 Hz.
        { "IF", "IF0001402500000000-012001000020000000;" },
    };
    std::string refuses;
    std::deque<std::pair<std::uint64_t, std::string>> waiting;
    Strings sent;
    std::string client;
    bool closed = false;
};

TEST(RigctlSession, EachRequestBecomesTheQ7sCommandsAndAnAnswerInItsStyle)
{
    const struct {
        std::string lines;
        Strings radio; // what the radio receives
        std::string client; // what the client receives
    } cases[] = {
        { "f\n", { "FR;", "FA;" }, "14025000\n" },
        { "+f\n", { "FR;", "FA;" }, "get_freq:\nFrequency: 14025000\nRPRT 0\n" },
        { ";f\n", { "FR;", "FA;" }, "get_freq:;Frequency: 14025000;RPRT 0\n" },
        { "f VFOB\n", { "FB;" }, "14030000\n" },
        { "F 7074000\r\n", { "FR;", "FA00007074000;", "FA;" }, "RPRT 0\n" },
        { "+F VFOB 7074000.4\n",
          { "FB00007074000;", "FB;" },
          "set_freq: VFOB 7074000.4\nRPRT 0\n" },
        { "m\n", { "MD;", "FW;" }, "CW\n500\n" },
        { "M PKTUSB 2400\n", { "MD6;", "FW2400;", "MD;" }, "RPRT 0\n" },
        { "M USB 0\nm\n", { "MD2;", "MD;", "MD;", "FW;" }, "RPRT 0\nUSB\n500\n" },
        { "M PKTLSB -1\n+m\n",
          { "MD9;", "MD;", "MD;", "FW;" },
          "RPRT 0\nget_mode:\nMode: PKTLSB\nPassband: 500\nRPRT 0\n" },
        { "M AM 0\n", {}, "RPRT -1\n" },
        { "v\n", { "FR;" }, "VFOA\n" },
        { "V VFOB\nv\n", { "FR1;", "FR;", "FR;" }, "RPRT 0\nVFOB\n" },
        { "s\n", { "FR;", "FT;" }, "0\nVFOA\n" },
        { "S 1 VFOB\n+s\n",
          { "FR;", "FT;", "FT1;", "FT;", "FR;", "FT;" },
          "RPRT 0\nget_split_vfo:\nSplit: 1\nTX VFO: VFOB\nRPRT 0\n" },
        { "S 1 VFOA\n", { "FR;", "FT;" }, "RPRT -1\n" },
        { "i\n", { "FT;", "FA;" }, "14025000\n" },
        { "I 7074500\n", { "FT;", "FA00007074500;", "FA;" }, "RPRT 0\n" },
        { "x\n", { "MD;", "FW;" }, "CW\n500\n" },
        { "K 7074000 USB 2700\n",
          { "FT;", "FA00007074000;", "MD2;", "FW2700;", "FA;" },
          "RPRT 0\n" },
        { "\\get_vfo_info VFOB\n",
          { "FR;", "FT;", "FB;", "MD;", "FW;" },
          "14030000\nCW\n500\n0\n0\n" },
        { "\\get_powerstat\n", { "FR;" }, "1\n" },
        { "t\n+T 1\n", {}, "RPRT -11\nset_ptt: 1\nRPRT -11\n" },
        { "j\nz\n+z VFOA\n",
          { "IF;", "IF;", "IF;" },
          "0\n-120\nget_xit: VFOA\nXIT: -120\nRPRT 0\n" },
        { "J 100\n+Z 0\n", {}, "RPRT -11\nset_xit: 0\nRPRT -11\n" },
        { "\\chk_vfo\n\\set_vfo_opt 1\n+\\chk_vfo\n", {}, "0\nRPRT 0\nChkVFO: 1\n" },
        { "\\set_lock_mode 1\nM USB 0\n\\get_lock_mode\n", {}, "RPRT 0\nRPRT 0\n1\n" },
        { "f m v\n", { "FR;", "FA;", "MD;", "FW;", "FR;" }, "14025000\nCW\n500\nVFOA\n" },
        { "\\foo f\n", {}, "RPRT -4\n" },
        { "FA;\n", {}, "RPRT -4\n" },
        { std::string("\0\n", 2), {}, "RPRT -4\n" }, // no short name, not \chk_vfo
        { std::string("\0\n", 2), {}, "RPRT -4\n" },
        { "F\n", {}, "RPRT -1\n" },
        { "F 1e12\nF -5\nF abc\nF 7074000,5\n", {}, "RPRT -1\nRPRT -1\nRPRT -1\nRPRT -1\n" },
        { "\n  \n", {}, "" },
        { std::string(2000, 'x') + "\nv\n", { "FR;" }, "RPRT -1\nVFOA\n" },
        { "q\nf\n", {}, "RPRT 0\n" },
    };
    for (const auto &c : cases) {
        ScriptedQ7 radio;
        RigctlSession session(radio);
        EXPECT_EQ(session.receive(c.lines), RigctlSession::Fed::Taken) << c.lines;
        radio.answer(session);
        EXPECT_EQ(radio.sent, c.radio) << c.lines;
        EXPECT_EQ(radio.client, c.client) << c.lines;
        EXPECT_EQ(radio.closed, c.lines.starts_with("q")) << c.lines;
    }
}

TEST(RigctlSession, TheRadiosErrorsBecomeResultCodesAndTheNextRequestGoesOn)
{
    const struct {
        const char *name;
        std::string lines;
        std::string refuses; // a kind of setting the radio answers "?;"
        std::string fa; // its answer to "FA;"
        std::optional<Unanswered> lost; // what becomes of the first command instead
        Strings radio;
        std::string client;
    } cases[] = {
        { "a refused setting",
          "F VFOA 7074000\nv\n",
          "FA",
          "FA00014025000;",
          {},
          { "FA00007074000;", "FA;", "FR;" },
          "RPRT -9\nVFOA\n" },
        { "a garbled answer", "f VFOA\nv\n", "", "FA12;", {}, { "FA;", "FR;" }, "RPRT -8\nVFOA\n" },
        { "no answer in time",
          "f VFOA\nv\n",
          "",
          "",
          Unanswered::NoReply,
          { "FA;", "FR;" },
          "RPRT -5\nVFOA\n" },
        { "the port is closed",
          "F VFOA 7\nv\n",
          "",
          "",
          Unanswered::NotWritten,
          { "FA00000000007;", "FA;", "FR;" },
          "RPRT -6\nVFOA\n" },
    };
    for (const auto &c : cases) {
        ScriptedQ7 radio;
        radio.refuses = c.refuses;
        radio.state["FA"] = c.fa;
        RigctlSession session(radio);
        session.receive(c.lines);
        if (c.lost) {
            const std::uint64_t first = radio.waiting.front().first;
            radio.waiting.clear();
            session.unanswered(first, *c.lost);
            // A reply to the failed request that still comes is too late to matter.
            session.answered(first, "FA00014025000;");
        }
        radio.answer(session);
        EXPECT_EQ(radio.sent, c.radio) << c.name;
        EXPECT_EQ(radio.client, c.client) << c.name;
    }
}

TEST(RigctlSession, AClientFarAheadOfTheRadioIsFlooding)
{
    ScriptedQ7 radio;
    RigctlSession session(radio);
    std::string lines;
    for (std::size_t i = 0; i < RigctlSession::kMaxWaitingLines; ++i) {
        lines += "f\n";
    }
    EXPECT_EQ(session.receive(lines), RigctlSession::Fed::Taken);
    EXPECT_EQ(session.receive("f\nf\n"), RigctlSession::Fed::Flooding);
}

} // namespace
} // namespace vexalo
