// The program's side of the serial line, and its one writer, also for the programs that share the
// radio: writing commands (a failed write is heard as "q7_error"), the exchange of queries and
// replies, the arrival event that hands replies down the reply path and has their announcements
// said, the step between two clips, bounded waits for an answer while events keep flowing, the
// report mode, the lock poll and the S-meter tone. Once the program is stopping it writes nothing
// more, hands nothing on, and every wait ends at once.
#pragma once

#include "client_traffic.h"
#include "exchange.h"
#include "reply_path.h"
#include "report_modes.h"
#include "smeter_tone.h"

#include <QObject>
#include <QTimer>

#include <string>
#include <string_view>

namespace vexalo {

class Announcer;
class Interpreter;
class Lifecycle;
class RadioPort;
struct Settings;

// What the link reads of the window: the lock check box, which the operator sets.
class WindowReadouts {
public:
    virtual ~WindowReadouts() = default;
    virtual bool lockChecked() const = 0;
};

class Link : public QObject, public LockPollControl, public ReplyConditions, public BetweenClips {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kLockPollInterval { 500 };

    Link(Settings &settings, Interpreter &interpreter, Announcer &announcer, RadioPort &port,
         const Lifecycle &lifecycle);
    ~Link() override;

    // Writes the command and records what it asks; the ticket names the query (0 when the
    // command expects no reply or was not written).
    Exchange::Ticket ask(std::string_view command, Exchange::Kind kind = Exchange::Kind::Plain);

    enum class Asked { Waited, WriteFailed, Stopping };
    // Asks, then delivers events until this query has been answered, the reply timeout has
    // passed or the program is stopping. A caller that is told Stopping ends without sending
    // or saying anything more.
    Asked askAndWait(std::string_view command, Exchange::Kind kind = Exchange::Kind::Plain);
    // As askAndWait, but the answer is taken in without a word: the caller says what it left.
    // Only this answer is silent; a late answer to an earlier query, or a report, arriving
    // meanwhile is heard as always.
    Asked askSilentlyAndWait(std::string_view command);

    // Writes one command; a failed write is heard as "q7_error". True when it was written.
    bool SendCommand(std::string_view command);
    // Writes the operator's setting and records it, so that the radio's refusal ("?;") is
    // Vexalo's and not taken for the answer to a client's query sent after it.
    bool set(std::string_view setting);

    // The shutdown's release of the radio: straight to the port, nothing awaited, and a closed
    // port is no reason for an error clip. Reports switched on for clients alone go off first;
    // the S-meter tone ends without a word.
    void release();

    // The programs sharing the radio: their commands, answers and wish for reports.
    ClientTraffic &clients() { return m_clients; }
    // No client command goes out while the guard lives.
    class [[nodiscard]] ClientHold {
    public:
        explicit ClientHold(ClientTraffic &clients) : m_clients(clients) { m_clients.hold(); }
        ~ClientHold() { m_clients.release(); }
        ClientHold(const ClientHold &) = delete;
        ClientHold &operator=(const ClientHold &) = delete;

    private:
        ClientTraffic &m_clients;
    };
    ClientHold holdClients() { return ClientHold(m_clients); }

    bool stopping() const;

    // The arrival event: every reply the input completes is handled, then what they have to
    // say is said.
    void receive(std::string_view input);

    // Between two clips of an announcement: the radio's input, the clients' commands, and what
    // waits to go out.
    void betweenClips() override;

    // Says what is due, then waits for the frequency report the announcer holds back while the
    // knob turns, on a timer, so the window stays alive meanwhile.
    void speakNow();

    // The report mode Vexalo has applied, its one owner.
    ReportModes &reportModes() { return m_reportModes; }

    // The lock poll: "lk;" every 500 ms while the lock check box is checked.
    void setLockPolling(bool on);
    bool lockPolling() const { return m_lockPoll.isActive(); }
    void pollLock();
    void pauseLockPoll() override;
    void resumeLockPoll() override;

    // The S-meter tone, its one owner.
    SMeterTone &meterTone() { return m_meterTone; }

    // The window is built after the link that reads it; until then nothing is checked.
    void setWindow(const WindowReadouts &window) { m_window = &window; }

    // ReplyConditions.
    bool fullAuto() const override { return m_reportModes.fullAuto(); }
    bool lockChecked() const override { return m_window != nullptr && m_window->lockChecked(); }
    bool reportsToVexalo() const override { return m_reportModes.reportsOn(); }
    bool reportsForClientsOnly() const override { return m_clients.reportsForClientsOnly(); }
    std::span<const Band> bandEdges() const override
    {
        return m_bandEdges != nullptr ? m_bandEdges->bands() : std::span<const Band> {};
    }
    // The band plan and region chosen, owned by the shell; none until set.
    void setBandEdges(const BandEdges &edges) { m_bandEdges = &edges; }

    // Told of every reply the interpreter has handled, in order (the operator's settings watch
    // for their read-back and for the radio's refusal).
    void watchReplies(std::function<void(const HandledReply &)> watcher)
    {
        m_path.setObserver(std::move(watcher));
    }

    RadioPort &port() { return m_port; }
    Exchange &exchange() { return m_exchange; }
    const std::string &rx_buffer() const { return m_path.rx_buffer(); }

private:
    Asked askWaiting(std::string_view command, Exchange::Kind kind, bool silently);

    Announcer &m_announcer;
    RadioPort &m_port;
    const Lifecycle &m_lifecycle;
    Exchange m_exchange;
    ClientTraffic m_clients;
    ReplyPath m_path;
    ReportModes m_reportModes;
    SMeterTone m_meterTone;
    const WindowReadouts *m_window = nullptr;
    const BandEdges *m_bandEdges = nullptr;
    QTimer m_lockPoll;
    QTimer m_settled; // fires when the held frequency report is due
};

} // namespace vexalo
