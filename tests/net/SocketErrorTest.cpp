#include "net/SocketError.h"

#include <gtest/gtest.h>
#include <netdb.h>

using namespace sievra;

namespace {

TEST(SocketErrorDesc, TextsOfTheCodesClientsMeet) {
    const std::pair<quint16, const char*> rows[] = {
        {0, "No Error"},
        {10004, "Interrupted system call"},
        {10022, "Invalid argument"},
        {10040, "Message too long"},
        {10053, "Connection aborted"},
        {10054, "Connection reset by peer"},
        {10057, "Socket is not connected"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable error"},
        {11004, "No Data"},
        {10047, "Address family not supported by protocol family"},
        {10093, "WinSock not initialized"},
        {12000, "TLS negotiation failed"},
    };
    for (const auto& [code, text] : rows) {
        EXPECT_EQ(WSocketErrorDesc(code), QString::fromLatin1(text)) << code;
    }
    // Gaps in the numbering and codes of other origins.
    for (const int code : {1, 500, 10000, 10005, 10072, 10090, 11000, 11005, 65535}) {
        EXPECT_EQ(WSocketErrorDesc(static_cast<quint16>(code)), "Not a WinSock error") << code;
    }
}

TEST(SocketErrorFromQt, SocketFailuresBecomeWinsockNumbers) {
    using E = QAbstractSocket::SocketError;
    EXPECT_EQ(WSocketErrorFromQt(E::ConnectionRefusedError), 10061);
    EXPECT_EQ(WSocketErrorFromQt(E::HostNotFoundError), 11001);
    EXPECT_EQ(WSocketErrorFromQt(E::SocketTimeoutError), 10060);
    EXPECT_EQ(WSocketErrorFromQt(E::RemoteHostClosedError), 10054);
    EXPECT_EQ(WSocketErrorFromQt(E::SocketAccessError), 10013);
    EXPECT_EQ(WSocketErrorFromQt(E::AddressInUseError), 10048);
    // Qt reports these system errors all as NetworkError, told apart by its text.
    EXPECT_EQ(WSocketErrorFromQt(E::NetworkError, "Connection timed out"), 10060);
    EXPECT_EQ(WSocketErrorFromQt(E::NetworkError, "Network unreachable"), 10051);
    EXPECT_EQ(WSocketErrorFromQt(E::NetworkError, "Host unreachable"), 10065);
    EXPECT_EQ(WSocketErrorFromQt(E::NetworkError, "Error while reading"), 10053);
    EXPECT_EQ(WSocketErrorFromQt(E::UnknownSocketError), 10053);
}

TEST(SocketErrorFromLookup, ResolverFailures) {
    EXPECT_EQ(WSocketErrorFromLookup(QHostInfo::NoError), 0);
    EXPECT_EQ(WSocketErrorFromLookup(QHostInfo::HostNotFound, "Host not found"), 11001);
    EXPECT_EQ(WSocketErrorFromLookup(QHostInfo::UnknownError,
                                     QString::fromLocal8Bit(gai_strerror(EAI_AGAIN))),
              11002);
    EXPECT_EQ(WSocketErrorFromLookup(QHostInfo::UnknownError,
                                     QString::fromLocal8Bit(gai_strerror(EAI_MEMORY))),
              11003);
}

} // namespace
