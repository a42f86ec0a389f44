#include "interpreter.h"

#include "families.h"
#include "logging.h"

#include <array>

namespace vexalo {

namespace {

using namespace interpreter;

struct Family {
    std::string_view prefix;
    Handler handler;
};

// Searched in this order; the first prefix that matches, exactly and case-sensitively, wins.
constexpr std::array<Family, 15> kFamilies { {
    { "IF", &handleStatus },
    { "BG", &handleSMeter },
    { "FA", &handleFrequencyA },
    { "FB", &handleFrequencyB },
    { "FR", &handleRxVfo },
    { "FT", &handleTxVfo },
    { "FW", &handleFilter },
    { "GT", &handleAgc },
    { "Q7", &handleIdentification },
    { "KS", &handleKeyer },
    { "MD", &handleMode },
    { "NB", &handleNoiseBlanker },
    { "PA", &handlePreamp },
    { "PC", &handlePower },
    { "RA", &handleAttenuator },
} };

} // namespace

Outcome interpret(RadioState state, std::string_view text, const ReplyContext &context)
{
    Outcome outcome;
    outcome.state = std::move(state);
    outcome.announcement.origin = context.asked ? Origin::Answer : Origin::Report;
    const std::string_view prefix = text.substr(0, 2);
    for (const Family &family : kFamilies) {
        if (prefix == family.prefix) {
            Turn turn { outcome.state, context, outcome.announcement, outcome.lockPoll };
            outcome.end = family.handler(turn, Reply(text));
            break;
        }
    }
    return outcome;
}

Outcome Interpreter::HandleReply(std::string_view reply, const ReplyContext &context)
{
    Outcome outcome = interpret(m_state, reply, context);
    m_state = outcome.state;
    qCDebug(lcInterpreter, "reply %.*s -> %s%s", static_cast<int>(reply.size()), reply.data(),
            outcome.end == End::Normal ? "done" : "quiet", context.asked ? ", asked" : "");
    return outcome;
}

} // namespace vexalo
