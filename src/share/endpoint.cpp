#include "endpoint.h"

#include <QRegularExpression>

#include <charconv>

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
    const std::string digits = port.toStdString();
    unsigned number = 0;
    const auto [end, failed]
        = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || failed != std::errc() || end != digits.data() + digits.size()
        || number == 0 || number > 65535) {
        error = QStringLiteral("'%1' is no port (1 to 65535)").arg(port);
        return std::nullopt;
    }
    endpoint.port = static_cast<quint16>(number);
    if (colon >= 0) {
        // Written out in full: the short forms an IPv4 parser also takes ("1.2.3" for 1.2.0.3)
        // would listen where nobody meant to.
        static const QRegularExpression dotted(
            QStringLiteral("^[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}$"));
        const bool written = host.contains(QLatin1Char(':')) || dotted.match(host).hasMatch();
        if (host == QLatin1String("localhost")) {
            endpoint.address = QHostAddress(QHostAddress::LocalHost);
        } else if (!written || !endpoint.address.setAddress(host)) {
            error = QStringLiteral("'%1' is no IP address").arg(host);
            return std::nullopt;
        }
    }
    return endpoint;
}

} // namespace vexalo
