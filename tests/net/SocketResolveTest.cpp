#include "net/SocketResolve.h"

#include "net/ClientException.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

QString PortError(const QString& port) {
    try {
        WSocketResolvePort(port);
    } catch (const ESocketException& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

QString HostError(const QString& host) {
    try {
        WSocketResolveHost(host);
    } catch (const ESocketException& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

TEST(ResolvePort, DigitsOrServiceNames) {
    EXPECT_EQ(WSocketResolvePort("110"), 110);
    EXPECT_EQ(WSocketResolvePort("pop3"), 110);
    EXPECT_EQ(WSocketResolvePort("smtp"), 25);
    EXPECT_EQ(WSocketResolvePort("25x"), 25) << "anything after the digits is ignored";
    EXPECT_EQ(WSocketResolvePort(" 25x"), 25);
    EXPECT_EQ(WSocketResolvePort("65535"), 65535);
}

TEST(ResolvePort, Failures) {
    EXPECT_EQ(PortError(""), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(PortError(QString(32, '1')), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(PortError(QString(31, 'p')),
              "WSocketResolvePort: Cannot convert port '" + QString(31, 'p') + "', Error #11004");
    EXPECT_EQ(PortError("nosuchservice"),
              "WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
    // Beyond 16 bits the port would wrap to an unrelated one.
    EXPECT_EQ(PortError("65536"), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(PortError("99999999"), "WSocketResolvePort: Invalid Port.");
}

TEST(DottedAddress, FourGroupsOfAtMost255) {
    EXPECT_EQ(DottedAddress("192.168.0.1"), "192.168.0.1");
    EXPECT_EQ(DottedAddress("  010.001.0.255 "), "10.1.0.255");
    EXPECT_EQ(DottedAddress("255.255.255.255"), "255.255.255.255");
    for (const char* bad :
         {"1.2.3", "1.2.3.4.5", ".1.2.3", "1.2.3.", "1..2.3", "256.1.1.1", "1.2.3.4x", "1.2.-3.4",
          "1. 2.3.4", "localhost", "", "00000000300.1.1.1"}) {
        EXPECT_FALSE(DottedAddress(bad).has_value()) << bad;
    }
}

TEST(ResolveHost, DottedNamesAndFailures) {
    EXPECT_EQ(WSocketResolveHost(" 127.0.0.1 "), QHostAddress("127.0.0.1"));
    EXPECT_EQ(WSocketResolveHost("localhost"), QHostAddress("127.0.0.1"));
    EXPECT_EQ(HostError(""), "WSocketResolveHost: '' Invalid Hostname.");
    EXPECT_EQ(HostError(QString(257, 'a')),
              "WSocketResolveHost: '" + QString(257, 'a') + "' Invalid Hostname.");
    EXPECT_EQ(HostError("1.2.3"), "WSocketResolveHost: '1.2.3' Invalid IP address.");
    EXPECT_EQ(HostError("300.1.1.1"), "WSocketResolveHost: '300.1.1.1' Invalid IP address.");
    EXPECT_EQ(HostError("nosuchhost.invalid"),
              "WSocketResolveHost: Cannot convert host address 'nosuchhost.invalid', Error #11001");
}

TEST(ResolveProto, OnlyTcp) {
    EXPECT_NO_THROW(WSocketResolveProto("tcp"));
    EXPECT_NO_THROW(WSocketResolveProto("TCP"));
    EXPECT_NO_THROW(WSocketResolveProto("6"));
    EXPECT_THROW(WSocketResolveProto("udp"), ESocketException);
}

} // namespace
