// How much of the line's time the receive framing costs: characters framed per second against
// the 480 characters a second that a 4800-baud line (10 bits a character) can carry at most.
// Feeds a realistic mix of replies in small, irregular chunks, as serial arrivals come.
#include "reply_framer.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main()
{
    using Clock = std::chrono::steady_clock;
    const std::vector<std::string> replies = {
        "FA00014025000;", "IF00014025000     +00150000002000000;",
        "FB00007040100;", "FR0;",
        "FT1;",           "FW27002;",
        "GT002;",         "MD2;",
        "NB10;",          "PA1;",
        "RA00;",          "PC005;",
        "KS020;",         "BG05;",
        "\r\nQ7200;",     "LK0;",
    };
    std::string stream;
    while (stream.size() < (1u << 20)) {
        for (const auto &reply : replies) {
            stream += reply;
        }
    }

    constexpr double kLineCharsPerSecond = 4800.0 / 10.0;
    std::size_t framed = 0;
    std::size_t handedOn = 0;
    const auto start = Clock::now();
    double seconds = 0;
    unsigned chunk = 1;
    while (seconds < 0.5) {
        vexalo::ReplyFramer framer;
        for (std::size_t pos = 0; pos < stream.size(); pos += chunk) {
            handedOn += framer.receive(std::string_view(stream).substr(pos, chunk)).size();
            chunk = chunk % 16 + 1; // 1 to 16 characters an arrival
        }
        framed += stream.size();
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double perSecond = framed / seconds;
    std::printf("framing: %.1f million characters/s (%zu replies handed on)\n", perSecond / 1e6,
                handedOn);
    std::printf("line at 4800 baud: %.0f characters/s\n", kLineCharsPerSecond);
    std::printf("framing cost: %.6f%% of the line time\n", 100.0 * kLineCharsPerSecond / perSecond);
    return 0;
}
