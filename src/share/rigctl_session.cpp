#include "rigctl_session.h"

#include "exchange.h"

namespace vexalo {

using namespace rigctl;

RigctlSession::Fed RigctlSession::receive(std::string_view bytes)
{
    for (const char c : bytes) {
        if (c == '\n') {
            if (!m_discarding) {
                m_lines.push_back({ std::move(m_partial), false });
            }
            m_partial.clear();
            m_discarding = false;
        } else if (!m_discarding) {
            m_partial += c;
            if (m_partial.size() > kMaxLine) {
                m_lines.push_back({ {}, true });
                m_partial.clear();
                m_discarding = true;
            }
        }
        if (!m_lines.empty()) {
            // Answered at once when it needs no radio and nothing waits before it.
            run();
        }
        if (m_lines.size() > kMaxWaitingLines) {
            return Fed::Flooding;
        }
    }
    return Fed::Taken;
}

void RigctlSession::run()
{
    if (m_running) {
        return;
    }
    m_running = true;
    while (!m_flags.quit) {
        if (m_request) {
            if (m_awaited > 0 || !step()) {
                break; // waiting for the radio
            }
            continue;
        }
        if (m_requests.empty()) {
            if (m_lines.empty()) {
                break;
            }
            Line line = std::move(m_lines.front());
            m_lines.pop_front();
            if (line.overlong) {
                Request refused;
                refused.refused = kInvalid;
                m_requests.push_back(std::move(refused));
            } else {
                for (Request &request : parseLine(line.text)) {
                    m_requests.push_back(std::move(request));
                }
            }
            continue;
        }
        m_request = std::move(m_requests.front());
        m_requests.pop_front();
        m_facts = {};
        ++m_serial;
    }
    m_running = false;
}

bool RigctlSession::step()
{
    Step next = advance(*m_request, m_facts, m_flags);
    if (next.answer) {
        finish(*next.answer);
        return true;
    }
    m_awaited = 0;
    std::uint64_t index = 0;
    for (std::string &command : next.commands) {
        const bool query = Exchange::clientQuery(command);
        if (!m_peer.send((m_serial << 8) | index++, std::move(command))) {
            finish({ kIoError, {} });
            return true;
        }
        m_awaited += query ? 1 : 0;
    }
    return false;
}

void RigctlSession::finish(const Answer &answer)
{
    m_peer.write(format(*m_request, answer));
    m_request.reset();
    m_awaited = 0;
    if (m_flags.quit) {
        m_peer.close(); // nothing runs after it
    }
}

void RigctlSession::answered(std::uint64_t tag, std::string_view reply)
{
    if (!current(tag)) {
        return;
    }
    record(m_facts, reply);
    // An error or a garbled reply ends the request at once; its other replies are not needed.
    if (m_facts.rejected || m_facts.garbled || (m_awaited > 0 && --m_awaited == 0)) {
        if (step()) {
            run();
        }
    }
}

void RigctlSession::unanswered(std::uint64_t tag, Unanswered why)
{
    if (!current(tag)) {
        return;
    }
    finish({ why == Unanswered::NotWritten ? kIoError : kTimeout, {} });
    run();
}

} // namespace vexalo
