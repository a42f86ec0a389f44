// The clients' side of the one line: their commands wait in a fair, bounded queue and go out one
// at a time behind Vexalo's own (also between the clips of an announcement), and the radio's
// reports are kept on for a client while Vexalo itself is in Manual, without Vexalo hearing them.
// Relies on the link to write and on the reply path to hand back what the radio says.
#pragma once

#include "client_line.h"
#include "client_queue.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

namespace vexalo {

class Exchange;

class ClientTraffic : public QObject, public ClientLine {
    Q_OBJECT

public:
    using Write = std::function<bool(std::string_view)>;

    // `write` puts a command on the line (false when it could not); nothing is written while
    // `stopping` holds.
    ClientTraffic(Exchange &exchange, Write write, std::function<bool()> stopping);

    // Where answers, failures and reports go: the sharing layer. Nothing is relayed without it.
    void setClientLine(ClientLine *line) { m_line = line; }
    // Told whenever the radio starts or stops reporting for the clients alone.
    void setReportsForClientsOnlyChanged(std::function<void(bool)> changed)
    {
        m_forClientsOnlyChanged = std::move(changed);
    }

    // Queues a client's command; false, and nothing queued, when the client already has
    // ClientQueue::kBacklog commands waiting.
    bool send(ClientCommand command);
    // Forgets the client's waiting commands. One already on the line is still answered by the
    // radio, and that answer still goes to the sharing layer, which knows the client is gone.
    void drop(ClientId client);

    // While held (the handshake identifies the radio by any reply), no client command goes out.
    void hold() { ++m_holds; }
    void release();

    // Vexalo's own command has been written; its report-mode commands say whether Vexalo wants
    // the radio's reports.
    void ownCommandWritten(std::string_view command);
    // Whether some client wants the radio's reports.
    void setReportsWanted(bool wanted);
    // The radio reports only because clients want it.
    bool reportsForClientsOnly() const { return m_reportsForClients; }

    // Picks up the clients' queries that went unanswered and tells their clients.
    void settle();

    // While Vexalo speaks no event is delivered, and an announcement lasts seconds: between its
    // clips the clients are served all the same. `poll` is the sharing layer's look at what
    // its clients have sent meanwhile.
    void setPoll(std::function<void()> poll) { m_poll = std::move(poll); }
    void betweenClips();

    // ClientLine, as the reply path routes replies: relayed to the sharing layer.
    void answered(const Asker &asker, std::string_view reply) override;
    void unanswered(const Asker &asker, Unanswered why) override;
    void reported(std::string_view reply) override;

private:
    void pump();
    void schedulePump();
    void finished(const Asker &asker);
    void reconcileReports();

    Exchange &m_exchange;
    Write m_write;
    std::function<bool()> m_stopping;
    ClientLine *m_line = nullptr;
    std::function<void(bool)> m_forClientsOnlyChanged;
    ClientQueue m_queue;
    std::function<void()> m_poll;
    std::optional<Asker> m_inFlight; // the client command on the line, until it is done with
    std::chrono::steady_clock::time_point m_lineFreeAt; // a setting in flight has left by then
    QTimer m_next; // the next command may go out
    QTimer m_patience; // the command on the line may have gone unanswered
    int m_holds = 0;
    std::optional<bool> m_ownReports; // from Vexalo's last report-mode command
    bool m_reportsWanted = false;
    bool m_reportsForClients = false;
};

} // namespace vexalo
