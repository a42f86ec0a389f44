#include "reply.h"

#include <algorithm>

namespace vexalo {

long readNumber(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Fields are a few digits long; the clamp only keeps hostile input from overflowing.
        value = std::min(value * 10 + (text[i] - '0'), 1'000'000'000L);
    }
    return negative ? -value : value;
}

bool isNonZeroDigit(std::string_view c)
{
    return c.size() == 1 && c[0] >= '1' && c[0] <= '9';
}

std::string Reply::field(int pos, int len) const
{
    const int size = this->size();
    if (pos < 1 || len <= 0 || pos > size) {
        return {};
    }
    const int count = std::min(len, size - pos + 1);
    return std::string(
        m_text.substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(count)));
}

} // namespace vexalo
