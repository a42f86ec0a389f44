// Arbitrary bytes from a rigctl client, and arbitrary replies from the radio, into a client's
// session. Besides crashes and sanitizer findings it checks what the radio and the other
// clients rely on: whatever a client sends, only whole commands of the Q7's own go to the
// radio, a request sends at most a handful of them, and every answer the client gets ends in a
// newline.
#include "rigctl_session.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

namespace {

using namespace vexalo;

void check(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "rigctl_fuzz: %s\n", what);
        std::abort();
    }
}

bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

// Two upper-case letters, at most eleven digits, ';'.
bool wellFormed(const std::string &command)
{
    if (command.size() < 3 || command.size() > 14 || !isUpper(command[0]) || !isUpper(command[1])
        || command.back() != ';') {
        return false;
    }
    return std::all_of(command.begin() + 2, command.end() - 1,
                       [](char c) { return c >= '0' && c <= '9'; });
}

class Radio : public RigctlSession::Peer {
public:
    void write(std::string_view bytes) override
    {
        check(!bytes.empty() && bytes.back() == '\n', "an answer that does not end in a newline");
        written += bytes.size();
    }
    bool send(std::uint64_t tag, std::string command) override
    {
        check(wellFormed(command), "a command that is not one of the Q7's own");
        check((tag & 0xff) < 8, "more than a handful of commands for one request");
        waiting.emplace_back(tag, std::move(command));
        return waiting.size() < 32;
    }
    void close() override { }

    std::deque<std::pair<std::uint64_t, std::string>> waiting;
    std::size_t written = 0;
};

} // namespace

// The input is the client's bytes, then after a 0 byte the radio's replies, one per answer,
// separated by 0 bytes; once they run out every query is answered in a Q7's default state, or
// left unanswered.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t cut = std::min(input.find('\0'), input.size());
    std::string_view replies = input.substr(std::min(cut + 1, input.size()));

    Radio radio;
    RigctlSession session(radio);
    // Fed in pieces, as a socket delivers it.
    for (std::size_t at = 0; at < cut; at += 7) {
        if (session.receive(input.substr(at, std::min<std::size_t>(7, cut - at)))
            == RigctlSession::Fed::Flooding) {
            return 0;
        }
    }
    for (int round = 0; round < 200 && !radio.waiting.empty(); ++round) {
        auto [tag, command] = radio.waiting.front();
        radio.waiting.pop_front();
        if (command.size() != 3) {
            continue; // a setting: the radio says nothing
        }
        if (!replies.empty()) {
            const std::size_t end = std::min(replies.find('\0'), replies.size());
            session.answered(tag, replies.substr(0, end));
            replies.remove_prefix(std::min(end + 1, replies.size()));
        } else if (command == "FA;" || command == "FB;") {
            session.answered(tag, command.substr(0, 2) + "00014025000;");
        } else if (command == "MD;") {
            session.answered(tag, "MD2;");
        } else if (command == "FW;") {
            session.answered(tag, "FW24001;");
        } else if (command == "FR;" || command == "FT;") {
            session.answered(tag, command.substr(0, 2) + "0;");
        } else {
            session.unanswered(tag, Unanswered::NoReply);
        }
    }
    return 0;
}
