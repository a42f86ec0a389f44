#include "endpoint.h"

namespace vexalo {

QString Endpoint::text() const
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(address.toString())
        : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

std::optional<Endpoint> parseEndpoint(std::string_view text, QString &error)
{
    Endpoint endpoint;
    const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (value.isEmpty()) {
        return endpoint;
    }
    QString host;
    QString port = value;
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = value.left(colon);
        port = value.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
            host = host.mid(1, host.size() - 2);
        }
    }
    bool numeric = false;
    const uint number = port.toUInt(&numeric);
    if (!numeric || number == 0 || number > 65535) {
        error = QStringLiteral("'%1' is no port (1 to 65535)").arg(port);
        return std::nullopt;
    }
    endpoint.port = static_cast<quint16>(number);
    if (colon >= 0) {
        if (host == QLatin1String("localhost")) {
            endpoint.address = QHostAddress(QHostAddress::LocalHost);
        } else if (!endpoint.address.setAddress(host)) {
            error = QStringLiteral("'%1' is no IP address").arg(host);
            return std::nullopt;
        }
    }
    return endpoint;
}

} // namespace vexalo
