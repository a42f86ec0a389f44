// Where the rigctl endpoint listens, as the operator writes it after "--share": nothing for
// 127.0.0.1:4532, "PORT", or "ADDRESS:PORT" ("[ADDRESS]:PORT" for IPv6). Only loopback unless
// another address is written out.
#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>
#include <string_view>

namespace vexalo {

struct Endpoint {
    static constexpr quint16 kDefaultPort = 4532; // rigctld's

    QHostAddress address { QHostAddress::LocalHost };
    quint16 port = kDefaultPort;

    QString text() const;
    bool loopback() const { return address.isLoopback(); }
};

// Nothing, and the reason in `error`, when the text names no endpoint.
std::optional<Endpoint> parseEndpoint(std::string_view text, QString &error);

} // namespace vexalo
