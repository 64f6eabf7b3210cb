#pragma once

#include <QAbstractSocket>
#include <QHostInfo>
#include <QString>

namespace sievra {

// Error numbers handed up by the socket. They are the Windows Sockets numbers, so the codes and
// texts users see in the status list stay the ones mail users of this product know.
namespace WsaError {
inline constexpr quint16 NoError = 0;
inline constexpr quint16 Interrupted = 10004;     // lookup cancelled, connection gone mid-request
inline constexpr quint16 InvalidArgument = 10022; // empty host name
inline constexpr quint16 NotSocket = 10038;
inline constexpr quint16 WouldBlock = 10035; // Receive with nothing waiting
inline constexpr quint16 InProgress = 10036;
inline constexpr quint16 MessageTooLong = 10040; // a received line that overflows the buffer
inline constexpr quint16 ProtocolNotSupported = 10043;
inline constexpr quint16 OperationNotSupported = 10045;
inline constexpr quint16 AccessDenied = 10013;
inline constexpr quint16 AddressInUse = 10048;
inline constexpr quint16 AddressNotAvailable = 10049;
inline constexpr quint16 NetworkDown = 10050;
inline constexpr quint16 NetworkUnreachable = 10051;
inline constexpr quint16 ConnectionAborted = 10053;
inline constexpr quint16 ConnectionReset = 10054;
inline constexpr quint16 NoBufferSpace = 10055;
inline constexpr quint16 NotConnected = 10057;
inline constexpr quint16 TimedOut = 10060;
inline constexpr quint16 ConnectionRefused = 10061;
inline constexpr quint16 HostUnreachable = 10065;
inline constexpr quint16 HostNotFound = 11001;
inline constexpr quint16 TryAgain = 11002; // "Non-authoritative host not found"
inline constexpr quint16 NoRecovery = 11003;
inline constexpr quint16 NoData = 11004; // the name exists but has no IPv4 address
} // namespace WsaError

// The protocol clients' own code for a failure at protocol level (a negative reply, a connect
// that could not start).
inline constexpr quint16 ProtocolErrorCode = 500;

// The code of every failed TLS negotiation: a certificate that does not verify, a handshake
// that breaks, a server that refuses or does not offer STLS/STARTTLS. It lies outside the
// Windows Sockets numbers on purpose; the reason itself travels as text ("TLS: ...").
inline constexpr quint16 TlsErrorCode = 12000;

// The text shown for an error number: "Connection refused" for 10061, "No Error" for 0,
// "TLS negotiation failed" for TlsErrorCode, "Not a WinSock error" for anything else outside
// the table.
QString WSocketErrorDesc(quint16 code);

// A Qt socket error as a Windows Sockets number. Qt folds several system errors into
// NetworkError and tells them apart only by its (untranslated) text, so that text refines it.
quint16 WSocketErrorFromQt(QAbstractSocket::SocketError error, const QString& qtText = {});

// A failed host lookup as a Windows Sockets number. Qt reports every resolver failure other
// than "no such name" as UnknownError with the resolver's own text; a temporary failure (no
// name server reachable) is told apart by that text.
quint16 WSocketErrorFromLookup(QHostInfo::HostInfoError error, const QString& resolverText = {});

} // namespace sievra
