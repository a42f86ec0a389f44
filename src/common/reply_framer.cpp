#include "reply_framer.h"

namespace vexalo {

namespace {

std::string_view newest(std::string_view text)
{
    return text.size() > ReplyFramer::kMaxPending
        ? text.substr(text.size() - ReplyFramer::kMaxPending)
        : text;
}

} // namespace

std::vector<std::string> ReplyFramer::receive(std::string_view input)
{
    std::string data = std::move(m_rxBuffer);
    data.append(input);

    std::vector<std::string> replies;
    std::size_t start = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == ';') {
            const std::string_view reply(data.data() + start, i + 1 - start);
            replies.emplace_back(newest(reply));
            start = i + 1;
        }
    }
    m_rxBuffer = std::string(newest(std::string_view(data).substr(start)));
    return replies;
}

} // namespace vexalo
