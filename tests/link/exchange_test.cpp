// Who each reply answers when Vexalo's queries, the operator's settings and the clients'
// commands are on the line together: the radio answers in order, and its refusal belongs to
// the oldest command it can answer.
#include "exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexalo::testing {
namespace {

TEST(Exchange, EachReplyAndEachRefusalGoesToWhoSentTheCommand)
{
    // Sent: "v FA;" Vexalo's query, "s FA…;" the operator's setting, "c FA;" client 1's command.
    // Heard: "vexalo", "client" or "nobody" for each reply in turn.
    const struct {
        const char *name;
        std::vector<std::string> sent;
        std::vector<std::string> replies;
        std::vector<std::string> heard;
        bool vexaloWaitsAfter;
    } cases[] = {
        { "a refused setting before a client's query",
          { "s FA00060000000;", "c FA;" },
          { "?;", "FA00014025000;" },
          { "vexalo", "client" },
          false },
        { "a setting taken silently, then the client's answer",
          { "s FA00014026000;", "c FA;" },
          { "FA00014026000;" },
          { "client" },
          false },
        { "a client's refused setting before the operator's",
          { "c FA00060000000;", "s FA00070000000;" },
          { "?;", "?;" },
          { "client", "vexalo" },
          false },
        { "the operator's setting and its read-back",
          { "s FA00014026000;", "v FA;" },
          { "FA00014026000;" },
          { "vexalo" },
          false },
        { "a setting alone is no query Vexalo waits for", { "s PA1;" }, {}, {}, false },
        { "Vexalo's queries never take a refusal", { "v FA;" }, { "?;" }, { "nobody" }, true },
    };
    for (const auto &c : cases) {
        Exchange exchange;
        for (const std::string &line : c.sent) {
            const std::string command = line.substr(2);
            if (line[0] == 'v') {
                exchange.sent(command);
            } else if (line[0] == 's') {
                exchange.settingSent(command);
            } else {
                exchange.sentFor(Asker { 1, 7 }, command);
            }
        }
        std::vector<std::string> heard;
        for (const std::string &reply : c.replies) {
            const Exchange::Match match = exchange.match(reply);
            heard.push_back(!match.asked() ? "nobody" : match.forClient() ? "client" : "vexalo");
            if (match.asked()) {
                exchange.answered(match.ticket);
            }
        }
        EXPECT_EQ(heard, c.heard) << c.name;
        EXPECT_EQ(exchange.anyOutstanding(), c.vexaloWaitsAfter) << c.name;
        EXPECT_TRUE(exchange.takeUnanswered().empty()) << c.name;
    }
}

} // namespace
} // namespace vexalo::testing
