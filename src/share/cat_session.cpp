#include "cat_session.h"

#include <algorithm>
#include <cctype>

namespace vexalo {

namespace {

constexpr std::string_view kUnknown = "?;";

// The radio's readings and settings: frequencies, VFOs, filter, AGC, mode, noise blanker,
// preamplifier, attenuator, power, keyer, S-meter, status, identity and lock.
constexpr std::string_view kForwarded[] = { "FA", "FB", "FR", "FT", "FW", "GT", "MD", "NB",
                                            "PA", "RA", "PC", "KS", "BG", "IF", "ID", "LK" };

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

CatSession::Fed CatSession::receive(std::string_view bytes)
{
    for (const char c : bytes) {
        bool handled = true;
        if (c == ';') {
            handled = m_discarding ? ownAnswer({}) : command(m_partial);
            m_discarding = false;
            m_partial.clear();
        } else {
            // While the rest of an overlong command is dropped, it is only counted: each
            // stretch as long as a command is one more that Vexalo handles.
            m_partial += c;
            if (m_partial.size() > kMaxCommand) {
                handled = ownAnswer(m_discarding ? std::string_view() : kUnknown);
                m_partial.clear();
                m_discarding = true;
            }
        }
        if (!handled) {
            return Fed::Flooding;
        }
    }
    return Fed::Taken;
}

bool CatSession::ownAnswer(std::string_view answer)
{
    const auto now = m_peer.now();
    m_ownBusyUntil = std::max(m_ownBusyUntil, now) + kOwnPace;
    if (m_ownBusyUntil - now > kOwnPace * kOwnAhead) {
        return false;
    }
    if (!answer.empty()) {
        m_peer.write(answer);
    }
    return true;
}

bool CatSession::command(std::string_view text)
{
    // Line ends and blanks around a command are a terminal's habit, not part of it.
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return ownAnswer({}); // the radio ignores an empty command
    }
    const bool printable
        = std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
    // Two letters begin every command, but for the radio's "Q7".
    const bool named = text.size() >= 2 && isLetter(text[0])
        && (isLetter(text[1]) || (upper(text[0]) == 'Q' && text[1] == '7'));
    if (!printable || !named) {
        return ownAnswer(kUnknown);
    }
    const std::string prefix { upper(text[0]), upper(text[1]) };
    const std::string_view parameter = text.substr(2);
    const bool digit = parameter.size() == 1 && parameter[0] >= '0' && parameter[0] <= '9';
    if (prefix == "AI") {
        if (parameter.empty()) {
            return ownAnswer(std::string("AI") + m_reports + ";");
        }
        if (!digit || parameter[0] > '2') {
            return ownAnswer(kUnknown);
        }
        const bool before = wantsReports();
        m_reports = parameter[0];
        if (wantsReports() != before) {
            m_peer.reportsWanted(wantsReports());
        }
        return ownAnswer({});
    }
    if (prefix == "Q7") {
        if (parameter.empty()) {
            return ownAnswer(std::string("Q7") + m_identLevel + ";");
        }
        if (!digit) {
            return ownAnswer(kUnknown);
        }
        m_identLevel = parameter[0];
        return ownAnswer({});
    }
    // Only the radio's readings and settings go to it: a command the Q7's protocol has not got
    // (as Vexalo knows it) might be one that silences the radio or changes its line, and the
    // radio would answer it "?;" anyway.
    if (std::find(std::begin(kForwarded), std::end(kForwarded), prefix) == std::end(kForwarded)) {
        return ownAnswer(kUnknown);
    }
    return m_peer.send(++m_tag, std::string(text) + ";");
}

void CatSession::reported(std::string_view reply)
{
    if (wantsReports()) {
        m_peer.write(reply);
    }
}

} // namespace vexalo
