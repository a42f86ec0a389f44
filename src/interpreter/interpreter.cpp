#include "interpreter.h"

#include "families.h"
#include "logging.h"
#include "q7_globals.h"

#include <array>
#include <utility>

namespace vexalo {

namespace {

using namespace interpreter;

// Searched in this order; the first prefix that matches, exactly and case-sensitively, wins.
constexpr std::array<std::pair<std::string_view, Handler>, 15> kFamilies { {
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

void Interpreter::HandleReply(std::string_view text)
{
    const std::string_view prefix = text.substr(0, 2);
    Context context { m_globals, m_speech, *m_window };
    End end = End::Normal;
    for (const auto &[familyPrefix, handler] : kFamilies) {
        if (prefix == familyPrefix) {
            end = handler(context, Reply(text));
            break;
        }
    }
    qCDebug(lcInterpreter, "%.*s %s", static_cast<int>(text.size()), text.data(),
            end == End::Quiet ? "quiet" : "done");
    if (end == End::Normal) {
        m_globals.reply_pending = false;
    }
}

} // namespace vexalo
