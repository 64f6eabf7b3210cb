#include "SocketResolve.h"

#include "ClientException.h"
#include "SocketError.h"

#include <QHostInfo>
#include <QStringList>
#include <arpa/inet.h>
#include <netdb.h>

namespace sievra {

namespace {

bool LooksDotted(const QString& text) {
    for (const QChar c : text) {
        if (!c.isDigit() && c != QLatin1Char('.')) {
            return false;
        }
    }
    return !text.isEmpty();
}

// Lookups answer IPv4 only: the address fields and the dotted rules of the product are IPv4.
std::optional<QHostAddress> FirstIpv4(const QList<QHostAddress>& addresses) {
    for (const QHostAddress& a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            return a;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> DottedAddress(const QString& text) {
    const QStringList groups = text.trimmed().split(QLatin1Char('.'));
    if (groups.size() != 4) {
        return std::nullopt;
    }
    QStringList normalised;
    for (const QString& group : groups) {
        if (group.isEmpty()) {
            return std::nullopt;
        }
        int value = 0;
        for (const QChar c : group) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return std::nullopt;
            }
            value = value * 10 + (c.unicode() - '0');
            if (value > 255) {
                return std::nullopt;
            }
        }
        normalised.append(QString::number(value));
    }
    return normalised.join(QLatin1Char('.'));
}

quint16 WSocketResolvePort(const QString& port, const QString& proto) {
    const QString invalid = QStringLiteral("WSocketResolvePort: Invalid Port.");
    if (port.isEmpty() || port.size() >= 32) {
        throw ESocketException(invalid);
    }
    qsizetype i = 0;
    while (i < port.size() && port[i] == QLatin1Char(' ')) {
        ++i;
    }
    if (i < port.size() && port[i] >= QLatin1Char('0') && port[i] <= QLatin1Char('9')) {
        int value = 0;
        for (; i < port.size() && port[i] >= QLatin1Char('0') && port[i] <= QLatin1Char('9'); ++i) {
            value = value * 10 + (port[i].unicode() - '0');
            // A number beyond 16 bits would otherwise wrap to some unrelated port.
            if (value > 65535) {
                throw ESocketException(invalid);
            }
        }
        return static_cast<quint16>(value);
    }
    const servent* service =
        getservbyname(port.toLocal8Bit().constData(), proto.toLatin1().constData());
    if (service == nullptr) {
        throw ESocketException(
            QStringLiteral("WSocketResolvePort: Cannot convert port '%1', Error #%2")
                .arg(port)
                .arg(WsaError::NoData),
            WsaError::NoData);
    }
    return ntohs(static_cast<quint16>(service->s_port));
}

QHostAddress WSocketResolveHost(const QString& host) {
    if (host.isEmpty() || host.size() > 256) {
        throw ESocketException(QStringLiteral("WSocketResolveHost: '") + host +
                               QStringLiteral("' Invalid Hostname."));
    }
    if (const auto dotted = DottedAddress(host)) {
        return QHostAddress(*dotted);
    }
    if (LooksDotted(host.trimmed())) {
        throw ESocketException(QStringLiteral("WSocketResolveHost: '") + host +
                               QStringLiteral("' Invalid IP address."));
    }
    const QHostInfo info = QHostInfo::fromName(host);
    quint16 error = WSocketErrorFromLookup(info.error(), info.errorString());
    if (error == WsaError::NoError) {
        if (const auto address = FirstIpv4(info.addresses())) {
            return *address;
        }
        error = WsaError::NoData;
    }
    throw ESocketException(
        QStringLiteral("WSocketResolveHost: Cannot convert host address '%1', Error #%2")
            .arg(host)
            .arg(error),
        error);
}

void WSocketResolveProto(const QString& proto) {
    const QString p = proto.trimmed();
    if (p.compare(QLatin1String("tcp"), Qt::CaseInsensitive) == 0 || p == QLatin1String("6")) {
        return;
    }
    throw ESocketException(
        QStringLiteral("WSocketResolveProto: Protocol '%1' not supported, Error #%2")
            .arg(proto)
            .arg(WsaError::ProtocolNotSupported),
        WsaError::ProtocolNotSupported);
}

} // namespace sievra
