#include "SocketError.h"

#include <netdb.h>
#include <utility>

namespace sievra {

QString WSocketErrorDesc(quint16 code) {
    static const std::pair<quint16, const char*> table[] = {
        {0, "No Error"},
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Protocol not available"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Address not available"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection on reset"},
        {10053, "Connection aborted"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references: can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network sub-system is unusable"},
        {10092, "WinSock DLL cannot support this application"},
        {10093, "WinSock not initialized"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable error"},
        {11004, "No Data"},
        {TlsErrorCode, "TLS negotiation failed"},
    };
    for (const auto& [number, text] : table) {
        if (number == code) {
            return QString::fromLatin1(text);
        }
    }
    return QStringLiteral("Not a WinSock error");
}

quint16 WSocketErrorFromQt(QAbstractSocket::SocketError error, const QString& qtText) {
    using E = QAbstractSocket::SocketError;
    switch (error) {
    case E::ConnectionRefusedError:
    case E::ProxyConnectionRefusedError:
        return WsaError::ConnectionRefused;
    case E::RemoteHostClosedError:
    case E::ProxyConnectionClosedError:
        return WsaError::ConnectionReset;
    case E::HostNotFoundError:
    case E::ProxyNotFoundError:
        return WsaError::HostNotFound;
    case E::SocketAccessError:
        return WsaError::AccessDenied;
    case E::SocketResourceError:
        return WsaError::NoBufferSpace;
    case E::SocketTimeoutError:
    case E::ProxyConnectionTimeoutError:
        return WsaError::TimedOut;
    case E::DatagramTooLargeError:
        return WsaError::MessageTooLong;
    case E::AddressInUseError:
        return WsaError::AddressInUse;
    case E::SocketAddressNotAvailableError:
        return WsaError::AddressNotAvailable;
    case E::UnsupportedSocketOperationError:
        return WsaError::OperationNotSupported;
    case E::UnfinishedSocketOperationError:
        return WsaError::InProgress;
    case E::TemporaryError:
        return WsaError::WouldBlock;
    case E::OperationError:
        return WsaError::InvalidArgument;
    case E::NetworkError:
        // Qt's texts for ENETUNREACH, EHOSTUNREACH and ETIMEDOUT on connect.
        if (qtText == QLatin1String("Network unreachable")) {
            return WsaError::NetworkUnreachable;
        }
        if (qtText == QLatin1String("Host unreachable")) {
            return WsaError::HostUnreachable;
        }
        if (qtText == QLatin1String("Connection timed out")) {
            return WsaError::TimedOut;
        }
        return WsaError::ConnectionAborted;
    default:
        // Proxy authentication, TLS failures and unknown errors: the connection could not be
        // kept, which users know as an aborted connection.
        return WsaError::ConnectionAborted;
    }
}

quint16 WSocketErrorFromLookup(QHostInfo::HostInfoError error, const QString& resolverText) {
    switch (error) {
    case QHostInfo::NoError:
        return WsaError::NoError;
    case QHostInfo::HostNotFound:
        return WsaError::HostNotFound;
    default:
        if (resolverText == QString::fromLocal8Bit(gai_strerror(EAI_AGAIN))) {
            return WsaError::TryAgain;
        }
        return WsaError::NoRecovery;
    }
}

} // namespace sievra
