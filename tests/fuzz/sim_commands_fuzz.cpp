// Arbitrary bytes from the line into the simulated radio's command handling. Besides crashes
// and sanitizer findings it checks what the application relies on from its test radio: every
// answer is one printable reply ending in ';', whatever the commands did to the radio's state
// its replies keep their fixed layout, and an unterminated stream does not pile up.
#include "commands.h"
#include "radio.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace q7sim;

void check(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "sim_commands_fuzz: %s\n", what);
        std::abort();
    }
}

void checkReply(const std::string &reply)
{
    check(reply.ends_with(';') && std::count(reply.begin(), reply.end(), ';') == 1,
          "a reply that is not one ';'-ended text");
    check(std::all_of(reply.begin(), reply.end(), [](char c) { return c >= 0x20 && c < 0x7f; }),
          "a reply with a byte that is not printable ASCII");
}

constexpr std::string_view kEveryQuery = "FA;FB;FR;FT;FW;GT;MD;NB;PA;RA;PC;KS;BG;IF;ID;Q7;LK;AI;";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    // The first byte picks the options and how many bytes each read of the line carries.
    const PowerForm form = (data[0] & 1) != 0 ? PowerForm::Long : PowerForm::Short;
    const CommandHandler::Options options { .identLate = (data[0] & 2) != 0 };
    const std::size_t readSize = data[0] / 4 % 32 + 1;
    const std::string_view input(reinterpret_cast<const char *>(data + 1), size - 1);

    Radio radio(form);
    CommandHandler handler(radio, options);
    for (std::size_t pos = 0; pos < input.size(); pos += readSize) {
        for (const Exchange &e : handler.receive(input.substr(pos, readSize))) {
            check(e.command.ends_with(';') || e.command.size() > 64,
                  "a command answered before its ';'");
            check(std::count(e.command.begin(), e.command.end(), ';') <= 1,
                  "an exchange holds more than one command");
            for (const std::string &reply : e.replies) {
                checkReply(reply);
            }
        }
    }
    handler.receive(";"); // whatever is left unterminated ends here

    Radio fresh(form);
    CommandHandler freshHandler(fresh, {});
    const auto now = handler.receive(kEveryQuery);
    const auto start = freshHandler.receive(kEveryQuery);
    check(now.size() == start.size(), "a query went unanswered");
    for (std::size_t i = 0; i < now.size(); ++i) {
        check(now[i].replies.size() == start[i].replies.size(), "a query answered differently");
        for (std::size_t j = 0; j < now[i].replies.size(); ++j) {
            checkReply(now[i].replies[j]);
            check(now[i].replies[j].size() == start[i].replies[j].size(),
                  "a reply lost its fixed layout");
        }
    }
    return 0;
}
