// The clients' side of the one line: their commands wait in a fair, bounded queue and go out one
// at a time behind Vexalo's own (also between the clips of an announcement), and the radio's
// reports are kept on for a client while Vexalo itself is in Manual, without Vexalo hearing them.
// Writes to the link's port itself; the reply path hands back what the radio says.
#pragma once

#include "client_queue.h"
#include "client_side.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>
#include <string_view>

namespace vexalo {

class Exchange;
class Lifecycle;
class RadioPort;

class ClientTraffic : public QObject, public ClientSide {
    Q_OBJECT

public:
    // Nothing is written once the program is stopping.
    ClientTraffic(Exchange &exchange, RadioPort &port, const Lifecycle &lifecycle);

    // Where answers, failures and reports go: the sharing layer. Nothing is relayed without it.
    void setClientSide(ClientSide *sharing) { m_sharing = sharing; }

    // Queues a client's command; false, and nothing queued, when the client already has
    // ClientQueue::kBacklog commands waiting.
    bool send(ClientCommand command);
    // Forgets the client's waiting commands. One already on the line is still answered by the
    // radio, and that answer still goes to the sharing layer, which knows the client is gone.
    void drop(ClientId client);

    // While held (the handshake identifies the radio by any reply), no client command goes out.
    void hold() { ++m_holds; }
    void release();
    bool held() const { return m_holds > 0; }

    // Whether Vexalo itself has the radio report (its report mode's command has been written).
    void setOwnReports(bool on);
    // Whether some client wants the radio's reports.
    void setReportsWanted(bool wanted);
    // The radio reports only because clients want it.
    bool reportsForClientsOnly() const { return m_reportsForClients; }

    // Picks up the clients' queries that went unanswered and tells their clients.
    void settle();

    // Between two clips, when no timer can fire: settles what went unanswered, frees the line
    // of a setting that has left, and sends the next command if the line is free.
    void sendWaiting();

    // ClientSide, as the reply path routes replies: relayed to the sharing layer.
    void answered(const Asker &asker, std::string_view reply) override;
    void unanswered(const Asker &asker, Unanswered why) override;
    void reported(std::string_view reply) override;
    void takeCommands() override;

private:
    void pump();
    void schedulePump();
    void finished(const Asker &asker);
    void reconcileReports();
    bool write(std::string_view command);
    bool stopping() const;

    Exchange &m_exchange;
    RadioPort &m_port;
    const Lifecycle &m_lifecycle;
    ClientSide *m_sharing = nullptr;
    ClientQueue m_queue;
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
