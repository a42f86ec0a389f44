#include "exchange.h"

#include "commands.h"

#include <algorithm>
#include <utility>

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

// A query of two letters ("if;", "FA;") is answered by a reply beginning with them in upper
// case; nothing for any other command.
std::optional<std::string> answerPrefix(std::string_view command)
{
    if (command.size() == 3 && isLetter(command[0]) && isLetter(command[1]) && command[2] == ';') {
        return std::string { upper(command[0]), upper(command[1]) };
    }
    return std::nullopt;
}

// The two letters of a setting ("FR1;", "FA00007074000;"), in upper case.
std::string settingLetters(std::string_view command)
{
    if (command.size() > 3 && isLetter(command[0]) && isLetter(command[1])) {
        return std::string { upper(command[0]), upper(command[1]) };
    }
    return {};
}

} // namespace

std::optional<std::string> Exchange::expectedPrefix(std::string_view command)
{
    if (command == commands::kIdentify) {
        return std::string();
    }
    if (command == commands::kIdentifyQ7Twice || command == commands::kIdentifyQ7) {
        return std::string("Q7");
    }
    return answerPrefix(command);
}

Exchange::Ticket Exchange::record(std::optional<std::string> prefix, Kind kind, const Asker &asker,
                                  std::string setting)
{
    const bool readBack = prefix && !m_queries.empty()
        && m_queries.back().asker.client == asker.client && asker.isClient()
        && m_queries.back().setting == *prefix;
    m_queries.push_back(Query { ++m_last, std::move(prefix), kind, m_clock(), asker,
                                std::move(setting), readBack });
    return m_last;
}

Exchange::Ticket Exchange::sent(std::string_view command, Kind kind)
{
    auto prefix = expectedPrefix(command);
    return prefix ? record(std::move(*prefix), kind) : 0;
}

Exchange::Ticket Exchange::settingSent(std::string_view command)
{
    return record(std::nullopt, Kind::Plain, {}, settingLetters(command));
}

bool Exchange::clientQuery(std::string_view command)
{
    return answerPrefix(command).has_value();
}

Exchange::Ticket Exchange::sentFor(const Asker &asker, std::string_view command)
{
    return record(answerPrefix(command), Kind::Plain, asker, settingLetters(command));
}

Exchange::Ticket Exchange::expectAnyReply(Kind kind)
{
    return record(std::string(), kind);
}

template <typename Predicate> void Exchange::drop(Predicate gone)
{
    std::erase_if(m_queries, [this, &gone](const Query &q) {
        if (!gone(q)) {
            return false;
        }
        // A client's command that expected nothing but a possible error has simply gone well.
        if (q.asker.isClient() && q.prefix) {
            m_unanswered.push_back(q.asker);
        }
        return true;
    });
}

void Exchange::dropExpired()
{
    if (m_grace) {
        return;
    }
    const auto now = m_clock();
    drop([now](const Query &q) { return now - q.sentAt > kReplyTimeout; });
}

Exchange::Match Exchange::match(std::string_view reply)
{
    dropExpired();
    // A client can send the radio anything, and the operator a value the radio does not take;
    // Vexalo's own queries are all the radio's, so an error reply is never taken as their answer.
    const bool error = reply.starts_with('?');
    const auto fits
        = std::find_if(m_queries.begin(), m_queries.end(), [reply, error](const Query &q) {
              return (q.prefix && reply.starts_with(*q.prefix))
                  || (error && (q.asker.isClient() || !q.prefix));
          });
    if (fits == m_queries.end()) {
        return {};
    }
    return Match { .ticket = fits->ticket,
                   .info = fits->kind == Kind::Info,
                   .meter = fits->kind == Kind::Meter,
                   .asker = fits->asker,
                   .readBack = fits->readBack,
                   .hushed = fits->hushed };
}

void Exchange::hush(Ticket ticket)
{
    for (Query &q : m_queries) {
        q.hushed = q.hushed || q.ticket == ticket;
    }
}

void Exchange::answered(Ticket ticket)
{
    drop([ticket](const Query &q) { return q.ticket < ticket; });
    std::erase_if(m_queries, [ticket](const Query &q) { return q.ticket == ticket; });
}

void Exchange::forgetAll()
{
    drop([](const Query &) { return true; });
}

std::vector<Asker> Exchange::takeUnanswered()
{
    dropExpired();
    return std::exchange(m_unanswered, {});
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
    return std::any_of(m_queries.begin(), m_queries.end(),
                       [](const Query &q) { return !q.asker.isClient() && q.prefix; });
}

bool Exchange::infoOutstanding()
{
    dropExpired();
    return std::any_of(m_queries.begin(), m_queries.end(),
                       [](const Query &q) { return q.kind == Kind::Info; });
}

} // namespace vexalo
