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
        if (c == ';') {
            const bool complete = !m_discarding;
            m_discarding = false;
            if (complete && !command(m_partial)) {
                m_partial.clear();
                return Fed::Flooding;
            }
            m_partial.clear();
        } else if (!m_discarding) {
            m_partial += c;
            if (m_partial.size() > kMaxCommand) {
                m_peer.write(kUnknown);
                m_partial.clear();
                m_discarding = true;
            }
        }
    }
    return Fed::Taken;
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
        return true; // the radio ignores an empty command
    }
    const bool printable
        = std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
    // Two letters begin every command, but for the radio's "Q7".
    const bool named = text.size() >= 2 && isLetter(text[0])
        && (isLetter(text[1]) || (upper(text[0]) == 'Q' && text[1] == '7'));
    if (!printable || !named) {
        m_peer.write(kUnknown);
        return true;
    }
    const std::string prefix { upper(text[0]), upper(text[1]) };
    const std::string_view parameter = text.substr(2);
    const bool digit = parameter.size() == 1 && parameter[0] >= '0' && parameter[0] <= '9';
    if (prefix == "AI") {
        if (parameter.empty()) {
            m_peer.write(std::string("AI") + m_reports + ";");
        } else if (digit && parameter[0] <= '2') {
            const bool before = wantsReports();
            m_reports = parameter[0];
            if (wantsReports() != before) {
                m_peer.reportsWanted(wantsReports());
            }
        } else {
            m_peer.write(kUnknown);
        }
        return true;
    }
    if (prefix == "Q7") {
        if (parameter.empty()) {
            m_peer.write(std::string("Q7") + m_identLevel + ";");
        } else if (digit) {
            m_identLevel = parameter[0];
        } else {
            m_peer.write(kUnknown);
        }
        return true;
    }
    // Only the radio's readings and settings go to it: a command the Q7's protocol has not got
    // (as Vexalo knows it) might be one that silences the radio or changes its line, and the
    // radio would answer it "?;" anyway.
    if (std::find(std::begin(kForwarded), std::end(kForwarded), prefix) == std::end(kForwarded)) {
        m_peer.write(kUnknown);
        return true;
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
