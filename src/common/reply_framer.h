// Cuts the characters received from the radio into complete replies, each up to and including
// its ';', in arrival order. Characters after the last ';' wait for the next receive event.
// Nothing is trimmed: CR/LF between replies becomes the start of the next reply.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

class ReplyFramer {
public:
    // Replies are under 40 characters. A line that never sends ';' (wrong baud rate, noise)
    // must not grow memory without end, so older characters beyond this are dropped.
    static constexpr std::size_t kMaxPending = 128;

    // Appends input to the buffer and returns the complete replies it now holds, in order.
    // The buffer already holds only the remainder when the caller starts handing replies on,
    // so a reply handler that receives more input cannot disturb this event's replies.
    std::vector<std::string> receive(std::string_view input);

    // The received characters that do not yet form a complete reply.
    const std::string &rx_buffer() const { return m_rxBuffer; }

private:
    std::string m_rxBuffer;
};

} // namespace vexalo
