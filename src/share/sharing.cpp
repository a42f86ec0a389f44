#include "sharing.h"

#include "client_traffic.h"
#include "half_close.h"
#include "logging.h"
#include "pass_through_port.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace vexalo {

// One rigctl client on its TCP connection.
class Sharing::TcpClient : public RigctlSession::Peer {
public:
    TcpClient(Sharing &hub, ClientId id, QTcpSocket *socket)
        : m_hub(hub), m_id(id), m_socket(socket), m_name(QStringLiteral("rigctl client %1 (%2:%3)")
                                                             .arg(id)
                                                             .arg(socket->peerAddress().toString())
                                                             .arg(socket->peerPort()))
    {
    }
    ~TcpClient() override
    {
        m_socket->disconnect();
        m_socket->abort();
        m_socket->deleteLater();
    }
    TcpClient(const TcpClient &) = delete;
    TcpClient &operator=(const TcpClient &) = delete;

    void write(std::string_view bytes) override
    {
        if (m_gone) {
            return;
        }
        m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
        // Out now: an answer routed while an announcement plays would otherwise wait for it.
        m_socket->flush();
        if (m_socket->bytesToWrite() > kMaxUnread) {
            m_hub.retire(m_id, QStringLiteral("disconnected: it does not read its answers"));
        }
    }
    bool send(std::uint64_t tag, std::string command) override
    {
        return !m_gone && m_hub.m_traffic.send({ { m_id, tag }, std::move(command) });
    }
    void close() override
    {
        m_socket->flush();
        m_socket->disconnectFromHost();
    }

    void receive()
    {
        const QByteArray bytes = m_socket->readAll();
        if (m_gone) {
            return;
        }
        qCDebug(lcShare).noquote() << m_name << "sent" << bytes.left(200);
        if (m_session.receive(
                std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))
            == RigctlSession::Fed::Flooding) {
            m_hub.retire(m_id,
                         QStringLiteral("disconnected: it sent more than the radio can answer"));
        }
    }

    Sharing &m_hub;
    ClientId m_id;
    QTcpSocket *m_socket;
    QString m_name;
    RigctlSession m_session { *this };
    bool m_gone = false;
};

// The program on the pass-through port, while one has it open.
class Sharing::PassThroughClient : public CatSession::Peer {
public:
    PassThroughClient(Sharing &hub, PassThroughPort &port) : m_hub(hub), m_port(port) { }

    void write(std::string_view bytes) override
    {
        // The port keeps only so much for a program that does not read: it is flooding.
        m_unread = m_unread || !m_port.write(bytes);
    }
    bool send(std::uint64_t tag, std::string command) override
    {
        return m_hub.m_traffic.send({ { m_id, tag }, std::move(command) });
    }
    void reportsWanted(bool) override { m_hub.updateReports(); }

    bool present() const { return m_session != nullptr; }
    bool wantsReports() const { return m_session && m_session->wantsReports(); }

    void arrived()
    {
        if (present()) {
            return;
        }
        m_id = ++m_hub.m_lastId;
        m_unread = false;
        m_session = std::make_unique<CatSession>(*this);
        m_hub.say(QStringLiteral("Sharing: a program opened the pass-through port %1")
                      .arg(m_hub.m_options.passThroughLink));
    }
    void left(const QString &why)
    {
        if (!present()) {
            return;
        }
        m_hub.m_traffic.drop(m_id);
        m_session.reset();
        m_hub.say(QStringLiteral("Sharing: the program on %1 %2")
                      .arg(m_hub.m_options.passThroughLink, why));
        m_hub.updateReports();
    }
    void receive(const QByteArray &bytes)
    {
        arrived();
        const bool flooding = m_session->receive(std::string_view(
                                  bytes.constData(), static_cast<std::size_t>(bytes.size())))
            == CatSession::Fed::Flooding;
        sendAwayIfNeeded(flooding);
    }
    // After anything written to it: a program that floods or does not read is sent away.
    void sendAwayIfNeeded(bool flooding = false)
    {
        if (!present() || (!flooding && !m_unread)) {
            return;
        }
        left(flooding ? QStringLiteral("was disconnected: it sent more than the radio can answer")
                      : QStringLiteral("was disconnected: it does not read its answers"));
        m_port.hangUp();
    }

    Sharing &m_hub;
    PassThroughPort &m_port;
    bool m_unread = false; // something written was not taken
    ClientId m_id = kVexalo;
    std::unique_ptr<CatSession> m_session;
};

Sharing::Sharing(ClientTraffic &traffic, ShareOptions options, Note note)
    : m_traffic(traffic), m_options(std::move(options)), m_note(std::move(note))
{
    connect(&m_server, &QTcpServer::newConnection, this, &Sharing::accept);
}

Sharing::~Sharing()
{
    m_traffic.setClientSide(nullptr);
    m_traffic.setReportsWanted(false);
}

void Sharing::say(const QString &text)
{
    qCInfo(lcShare).noquote() << text;
    if (m_note) {
        m_note(text);
    }
}

void Sharing::warn(const QString &text)
{
    qCWarning(lcShare).noquote() << text;
    if (m_note) {
        m_note(text);
    }
}

void Sharing::takeCommands()
{
    // What each client has sent: waitForReadyRead(0) reads it in and says so (readyRead)
    // without blocking and without the event loop.
    std::vector<QTcpSocket *> sockets;
    for (const auto &[id, client] : m_tcp) {
        if (!client->m_gone) {
            sockets.push_back(client->m_socket);
        }
    }
    for (QTcpSocket *socket : sockets) {
        socket->waitForReadyRead(0);
    }
    if (m_port && m_passThrough) {
        m_port->poll();
    }
}

bool Sharing::start()
{
    m_traffic.setClientSide(this);
    bool all = true;
    QStringList offered;
    if (m_options.endpoint) {
        const Endpoint &at = *m_options.endpoint;
        if (m_server.listen(at.address, at.port)) {
            offered << QStringLiteral("rigctl on %1").arg(at.text());
            if (!at.loopback()) {
                warn(QStringLiteral("Sharing: anyone who can reach %1 can control the radio: the "
                                    "protocol has no password")
                         .arg(at.text()));
            }
        } else {
            all = false;
            warn(QStringLiteral("Sharing: cannot listen on %1 (%2); Vexalo runs on without the "
                                "rigctl endpoint")
                     .arg(at.text(), m_server.errorString()));
        }
    }
    if (!m_options.passThroughLink.isEmpty()) {
        m_port = std::make_unique<PassThroughPort>(m_options.passThroughLink);
        QString error;
        if (m_port->open(error)) {
            m_passThrough = std::make_unique<PassThroughClient>(*this, *m_port);
            connect(m_port.get(), &PassThroughPort::programOpened, this,
                    [this] { m_passThrough->arrived(); });
            connect(m_port.get(), &PassThroughPort::programClosed, this,
                    [this] { m_passThrough->left(QStringLiteral("closed it")); });
            connect(m_port.get(), &PassThroughPort::received, this,
                    [this](const QByteArray &bytes) { m_passThrough->receive(bytes); });
            offered << QStringLiteral("pass-through port %1 (%2)")
                           .arg(m_options.passThroughLink, m_port->device());
        } else {
            all = false;
            m_port.reset();
            warn(QStringLiteral("Sharing: no pass-through port: %1").arg(error));
        }
    }
    if (!offered.isEmpty()) {
        say(QStringLiteral("Sharing the radio: %1").arg(offered.join(QStringLiteral(", "))));
    }
    return all;
}

void Sharing::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        // A client in its goodbye is gone already: a reconnect right after is welcome.
        const auto present
            = std::ranges::count_if(m_tcp, [](const auto &entry) { return !entry.second->m_gone; });
        if (static_cast<std::size_t>(present) >= kMaxClients) {
            say(QStringLiteral("Sharing: refused a client from %1: %2 are connected already")
                    .arg(socket->peerAddress().toString())
                    .arg(kMaxClients));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const ClientId id = ++m_lastId;
        auto client = std::make_unique<TcpClient>(*this, id, socket);
        TcpClient *raw = client.get();
        m_tcp.emplace(id, std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [raw] { raw->receive(); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] {
            retire(id, QStringLiteral("left"));
            QTimer::singleShot(0, this, [this, id] { m_tcp.erase(id); });
        });
        say(QStringLiteral("Sharing: %1 connected").arg(raw->m_name));
        // Lines sent together with the connection are there already.
        raw->receive();
    }
}

void Sharing::retire(ClientId id, const QString &why)
{
    const auto found = m_tcp.find(id);
    if (found == m_tcp.end() || found->second->m_gone) {
        return;
    }
    TcpClient &client = *found->second;
    client.m_gone = true;
    m_traffic.drop(id);
    say(QStringLiteral("Sharing: %1 %2").arg(client.m_name, why));
    // Not from inside the client's own call: it goes once this event is over, or, when it is
    // still there, once it has read what it was answered. Closing at once with its lines unread
    // would reset the connection, and its last answers with it: the sending side is shut
    // instead, and what it still sends is read and dropped until it closes or a while passes.
    QTcpSocket *socket = client.m_socket;
    socket->flush();
    std::chrono::milliseconds grace { 0 };
    if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() == 0) {
        shutDownSending(socket->socketDescriptor());
        grace = kGoodbyeGrace;
    }
    QTimer::singleShot(grace, this, [this, id] { m_tcp.erase(id); });
}

void Sharing::updateReports()
{
    m_traffic.setReportsWanted(m_passThrough && m_passThrough->wantsReports());
}

void Sharing::answered(const Asker &asker, std::string_view reply)
{
    if (const auto found = m_tcp.find(asker.client); found != m_tcp.end()) {
        if (!found->second->m_gone) {
            found->second->m_session.answered(asker.tag, reply);
        }
    } else if (m_passThrough && m_passThrough->present() && m_passThrough->m_id == asker.client) {
        m_passThrough->m_session->answered(reply);
        m_passThrough->sendAwayIfNeeded();
    }
}

void Sharing::unanswered(const Asker &asker, Unanswered why)
{
    if (const auto found = m_tcp.find(asker.client);
        found != m_tcp.end() && !found->second->m_gone) {
        found->second->m_session.unanswered(asker.tag, why);
    }
}

void Sharing::reported(std::string_view reply)
{
    if (m_passThrough && m_passThrough->present()) {
        m_passThrough->m_session->reported(reply);
        m_passThrough->sendAwayIfNeeded();
    }
}

} // namespace vexalo
