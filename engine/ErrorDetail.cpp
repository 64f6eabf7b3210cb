#include "ErrorDetail.h"

#include "net/SocketError.h"

namespace sievra {

namespace {

QString ClientCause(const ErrorFacts& f) {
    namespace E = WsaError;
    switch (f.Code) {
    case E::HostNotFound:
    case E::TryAgain:
    case E::NoRecovery:
    case E::NoData:
        return QStringLiteral("the server name %1 was not found").arg(f.Host);
    case E::ConnectionRefused:
        return QStringLiteral("%1 refused the connection on port %2").arg(f.Host, f.Port);
    case E::TimedOut:
        return QStringLiteral("%1 did not answer on port %2").arg(f.Host, f.Port);
    case E::Interrupted:
    case E::ConnectionAborted:
    case E::ConnectionReset:
    case E::NotConnected:
        return QStringLiteral("the connection to %1 was lost").arg(f.Host);
    case TlsErrorCode:
        return QString();
    case ProtocolErrorCode:
        if (f.Reply.contains(QLatin1String("ResolvePort"))) {
            return QStringLiteral("the port \"%1\" is not a number from 1 to 65535 or a known "
                                  "service name")
                .arg(f.Port);
        }
        if (f.Reply.contains(QLatin1String("ResolveHost"))) {
            return QStringLiteral("\"%1\" is not a valid server name").arg(f.Host);
        }
        if (f.Reply.startsWith(QLatin1String("-ERR"))) {
            return QStringLiteral("%1 answered \"%2\"").arg(f.Host, f.Reply);
        }
        return QString();
    default:
        if (f.Code >= 10000) {
            return QStringLiteral("%1: %2").arg(f.Host, WSocketErrorDesc(quint16(f.Code)));
        }
        return QString();
    }
}

} // namespace

QString ErrorDetail(const ErrorFacts& facts) {
    QString cause;
    switch (facts.Cause) {
    case ErrorCause::Timeout:
        cause = QStringLiteral("%1 did not answer within %2 s")
                    .arg(facts.Host)
                    .arg(facts.TimeoutSeconds);
        break;
    case ErrorCause::Client:
        cause = ClientCause(facts);
        break;
    case ErrorCause::Exception:
    case ErrorCause::Aborted:
        break;
    }
    return cause.isEmpty() ? QString() : facts.Account + QStringLiteral(": ") + cause;
}

} // namespace sievra
