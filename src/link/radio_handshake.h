// InitRadio: (re)opens the port on the chosen port number, makes sure a Q7 answers, reads the
// radio's whole state silently so that later reports announce only real changes, re-applies
// the report mode and turns speech back on. Relies on the link for the exchange and its bounded
// waits; once the program is stopping, a handshake ends at its next wait and a queued one never
// starts.
#pragma once

namespace vexalo {

class Announcer;
class Interpreter;
class Link;
struct Settings;

class RadioHandshake {
public:
    RadioHandshake(const Settings &settings, Interpreter &interpreter, Announcer &announcer,
                   Link &link)
        : m_settings(settings), m_interpreter(interpreter), m_announcer(announcer), m_link(link)
    {
    }

    // The waits deliver events, so a second request (Reinitialize, a port entry) can arrive
    // while a handshake runs. It does not nest: the running handshake finishes and then runs
    // once more, so the last request, possibly for another port, is the one that holds.
    void InitRadio();

    bool running() const { return m_running; }

private:
    void runOnce();
    bool identify();

    const Settings &m_settings;
    Interpreter &m_interpreter;
    Announcer &m_announcer;
    Link &m_link;
    bool m_running = false;
    bool m_again = false;
};

} // namespace vexalo
