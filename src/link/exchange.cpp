#include "exchange.h"

#include <algorithm>

namespace vexalo {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::optional<std::string> Exchange::expectedPrefix(std::string_view command)
{
    if (command == "id;") {
        return std::string();
    }
    if (command == "q72;q7;" || command == "q7;") {
        return std::string("Q7");
    }
    if (command.size() == 3 && isLetter(command[0]) && isLetter(command[1]) && command[2] == ';') {
        return std::string { upper(command[0]), upper(command[1]) };
    }
    return std::nullopt;
}

Exchange::Ticket Exchange::record(std::string prefix, Kind kind)
{
    m_queries.push_back(Query { ++m_last, std::move(prefix), kind, m_clock() });
    return m_last;
}

Exchange::Ticket Exchange::sent(std::string_view command, Kind kind)
{
    auto prefix = expectedPrefix(command);
    return prefix ? record(std::move(*prefix), kind) : 0;
}

Exchange::Ticket Exchange::expectAnyReply(Kind kind)
{
    return record(std::string(), kind);
}

void Exchange::dropExpired()
{
    const auto now = m_clock();
    std::erase_if(m_queries, [now](const Query &q) { return now - q.sentAt > kReplyTimeout; });
}

Exchange::Match Exchange::match(std::string_view reply)
{
    dropExpired();
    const auto fits = std::find_if(m_queries.begin(), m_queries.end(),
                                   [reply](const Query &q) { return reply.starts_with(q.prefix); });
    if (fits == m_queries.end()) {
        return {};
    }
    return Match { fits->ticket, fits->kind == Kind::Info };
}

void Exchange::answered(Ticket ticket)
{
    std::erase_if(m_queries, [ticket](const Query &q) { return q.ticket <= ticket; });
}

bool Exchange::outstanding(Ticket ticket)
{
    dropExpired();
    return std::any_of(m_queries.begin(), m_queries.end(),
                       [ticket](const Query &q) { return q.ticket == ticket; });
}

bool Exchange::anyOutstanding()
{
    dropExpired();
    return !m_queries.empty();
}

bool Exchange::infoOutstanding()
{
    dropExpired();
    return std::any_of(m_queries.begin(), m_queries.end(),
                       [](const Query &q) { return q.kind == Kind::Info; });
}

} // namespace vexalo
