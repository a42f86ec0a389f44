// Sharing the radio: the rigctl endpoint (up to 8 clients, a RigctlSession each) and the
// pass-through port (one program, a CatSession), tied to the link's client traffic: each answer
// goes to the client that asked, the radio's reports to the programs that want them, and each
// arrival and departure is logged and noted for the operator (shown, never said).
#pragma once

#include "cat_session.h"
#include "client_side.h"
#include "endpoint.h"
#include "rigctl_session.h"

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

class QTcpSocket;

namespace vexalo {

class ClientTraffic;
class PassThroughPort;

struct ShareOptions {
    std::optional<Endpoint> endpoint; // none: no rigctl endpoint
    QString passThroughLink; // empty: no pass-through port
};

class Sharing : public QObject, public ClientSide {
    Q_OBJECT

public:
    static constexpr std::size_t kMaxClients = 8;
    // A client that leaves this much unread is not reading its answers.
    static constexpr qint64 kMaxUnread = 256 * 1024;
    // How long a client sent away is given to read its last answers.
    static constexpr std::chrono::milliseconds kGoodbyeGrace { 2000 };

    using Note = std::function<void(const QString &)>;

    Sharing(ClientTraffic &traffic, ShareOptions options, Note note);
    ~Sharing() override;

    // Listens and makes the pass-through port. What cannot be had is logged and noted, and the
    // rest runs on; true when both are up.
    bool start();
    // The rigctl endpoint listens beyond this computer: anyone who reaches it can retune the
    // radio, which the operator is told aloud once.
    bool openToTheNetwork() const
    {
        return m_server.isListening() && !m_server.serverAddress().isLoopback();
    }

    // ClientSide.
    void answered(const Asker &asker, std::string_view reply) override;
    void unanswered(const Asker &asker, Unanswered why) override;
    void reported(std::string_view reply) override;
    void takeCommands() override;

private:
    class TcpClient;
    class PassThroughClient;

    void accept();
    void retire(ClientId id, const QString &why);
    void updateReports();
    // Logged and noted for the operator: what happened, and what went wrong.
    void say(const QString &text);
    void warn(const QString &text);

    ClientTraffic &m_traffic;
    ShareOptions m_options;
    Note m_note;
    QTcpServer m_server;
    std::map<ClientId, std::unique_ptr<TcpClient>> m_tcp;
    std::unique_ptr<PassThroughPort> m_port;
    std::unique_ptr<PassThroughClient> m_passThrough;
    ClientId m_lastId = kVexalo;
};

} // namespace vexalo
