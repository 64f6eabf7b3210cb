#include "net/TWSocket.h"

#include "net/LineReceiver.h"
#include "net/SocketError.h"
#include "tests/support/FakeServer.h"
#include "tests/support/WaitFor.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace sievra;
using sievra::test::FakeServer;
using sievra::test::RunEventsFor;
using sievra::test::WaitFor;

namespace {

// Every event of a socket, in order, as "Name error".
class Events : public QObject {
public:
    explicit Events(TWSocket& socket) {
        Log(socket, &TWSocket::OnDnsLookupDone, "DnsLookupDone");
        Log(socket, &TWSocket::OnSessionConnected, "SessionConnected");
        Log(socket, &TWSocket::OnDataSent, "DataSent");
        Log(socket, &TWSocket::OnSessionClosed, "SessionClosed");
    }
    int Count(const QString& name) const {
        return static_cast<int>(log.filter(QRegularExpression("^" + name + " ")).size());
    }
    QStringList log;

private:
    void Log(TWSocket& socket, void (TWSocket::*signal)(TWSocket*, quint16), const char* name) {
        connect(&socket, signal, this, [this, name](TWSocket*, quint16 error) {
            log.append(QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(error));
        });
    }
};

QString Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const ClientException& e) {
        return e.ClassName() + ": " + e.Message();
    }
    return QStringLiteral("(no exception)");
}

void Connect(TWSocket& socket, quint16 port) {
    socket.SetAddr("127.0.0.1");
    socket.SetPort(QString::number(port));
    socket.Connect();
}

// A socket that owns a LineReceiver the way the mail clients will.
struct LineClient {
    LineClient()
        : events(socket) {
        QObject::connect(&socket, &TWSocket::OnDataAvailable, &socket, [this] {
            ++dataEvents;
            const auto status = receiver.ReceiveLines(socket, [this](const QByteArray& line) {
                lines.append(line);
                if (closeOnLine == line) {
                    socket.Close();
                    receiver.Clear();
                }
            });
            if (status == LineReceiver::Status::LineTooLong) {
                ++overflows;
                socket.Close();
            }
        });
    }
    bool ConnectTo(const FakeServer& server) {
        const int before = events.Count("SessionConnected");
        Connect(socket, server.Port());
        return WaitFor([&] { return events.Count("SessionConnected") > before; }) &&
               events.log.contains("SessionConnected 0");
    }
    TWSocket socket;
    Events events;
    LineReceiver receiver;
    QByteArrayList lines;
    QByteArray closeOnLine = "\x01";
    int dataEvents = 0;
    int overflows = 0;
};

TEST(TWSocketSettings, DefaultsRulesAndResetAfterClose) {
    FakeServer server;
    TWSocket socket;
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(socket.Proto(), "tcp");
    EXPECT_EQ(socket.LocalAddr(), "0.0.0.0");
    EXPECT_EQ(socket.LocalPort(), "0");
    EXPECT_EQ(socket.LingerOnOff(), wsLingerOn);
    socket.SetPort("  pop3 ");
    EXPECT_EQ(socket.Port(), "pop3");

    socket.LookupHost("127.0.0.1");
    Connect(socket, server.Port());
    ASSERT_TRUE(WaitFor([&] { return socket.State() == wsConnected; }));
    // Linger on with 0 seconds is applied to the system socket.
    linger applied{};
    socklen_t size = sizeof applied;
    ASSERT_EQ(getsockopt(static_cast<int>(socket.Handle()), SOL_SOCKET, SO_LINGER, &applied, &size),
              0);
    EXPECT_EQ(applied.l_onoff, 1);
    EXPECT_EQ(applied.l_linger, 0);

    EXPECT_EQ(Raised([&] { socket.SetAddr("1.2.3.4"); }),
              "ESocketException: Cannot change Addr if not closed");
    EXPECT_EQ(Raised([&] { socket.SetPort("1"); }),
              "ESocketException: Cannot change Port if not closed");
    EXPECT_EQ(Raised([&] { socket.SetProto("tcp"); }),
              "ESocketException: Cannot change Proto if not closed");
    EXPECT_EQ(Raised([&] { socket.SetLocalAddr("0.0.0.0"); }),
              "ESocketException: Cannot change LocalAddr if not closed");
    EXPECT_EQ(Raised([&] { socket.SetLocalPort("0"); }),
              "ESocketException: Cannot change LocalPort if not closed");
    EXPECT_EQ(Raised([&] { socket.Connect(); }),
              "ESocketException: Connect: Socket already in use");

    socket.SetLingerOnOff(wsLingerNoSet);
    socket.SetLingerTimeout(5);
    socket.Close();
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(socket.LingerOnOff(), wsLingerOn);
    EXPECT_EQ(socket.LingerTimeout(), 0);
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1") << "kept across a close";
    // Addr and Port count as not set again.
    EXPECT_EQ(Raised([&] { socket.Connect(); }), "ESocketException: Connect: No Port Specified");
    socket.SetPort("1");
    EXPECT_EQ(Raised([&] { socket.Connect(); }),
              "ESocketException: Connect: No IP Address Specified");
}

TEST(TWSocketConnect, FailuresRaisedBeforeAnythingStarts) {
    TWSocket socket;
    Events events(socket);
    socket.SetAddr("127.0.0.1");
    socket.SetPort("");
    EXPECT_EQ(Raised([&] { socket.Connect(); }),
              "ESocketException: connect: WSocketResolvePort: Invalid Port.");
    socket.SetPort("110");
    socket.SetAddr("1.2.3");
    EXPECT_EQ(Raised([&] { socket.Connect(); }),
              "ESocketException: connect: WSocketResolveHost: '1.2.3' Invalid IP address.");
    socket.SetAddr("127.0.0.1");
    socket.SetProto("");
    EXPECT_EQ(Raised([&] { socket.Connect(); }),
              "ESocketException: Connect: No Protocol Specified");
    socket.SetProto("tcp");
    socket.SetLocalPort("4000");
    EXPECT_EQ(Raised([&] { socket.Connect(); }),
              "ESocketException: winsock.bind failed, error #10045");
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(Raised([&] { socket.SendText("NOOP\r\n"); }),
              "ESocketException: Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(socket.LastError(), 10057);
    RunEventsFor(50);
    EXPECT_TRUE(events.log.isEmpty()) << events.log.join(", ").toStdString();
}

TEST(TWSocketConnect, RefusedPortGives10061ThenClosed) {
    TWSocket socket;
    Events events(socket);
    Connect(socket, test::FreeLoopbackPort());
    EXPECT_EQ(socket.State(), wsConnecting);
    ASSERT_TRUE(WaitFor([&] { return socket.State() == wsClosed; }));
    RunEventsFor(50);
    EXPECT_EQ(events.log, QStringList({"SessionConnected 10061", "SessionClosed 0"}));
    EXPECT_EQ(socket.LastError(), 10061);
}

TEST(TWSocketLookup, DottedHostCompletesInsideTheCall) {
    TWSocket socket;
    Events events(socket);
    socket.LookupHost(" 127.000.0.1 ");
    EXPECT_EQ(events.log, QStringList({"DnsLookupDone 0"}));
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
}

TEST(TWSocketLookup, NamesResolveToIpv4AndUnknownNamesGive11001) {
    TWSocket socket;
    Events events(socket);
    socket.LookupHost("localhost");
    EXPECT_TRUE(events.log.isEmpty()) << "a name resolves in the background";
    ASSERT_TRUE(WaitFor([&] { return !events.log.isEmpty(); }));
    EXPECT_EQ(events.log, QStringList({"DnsLookupDone 0"}));
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
    EXPECT_EQ(socket.DnsResultList().first(), "127.0.0.1");

    socket.LookupHost("no-such-host.invalid");
    ASSERT_TRUE(WaitFor([&] { return events.log.size() == 2; }));
    EXPECT_EQ(events.log.last(), "DnsLookupDone 11001");
    EXPECT_TRUE(socket.DnsResult().isEmpty());
}

TEST(TWSocketLookup, EmptyHostRaisesAndCancelGives10004) {
    TWSocket socket;
    Events events(socket);
    EXPECT_EQ(Raised([&] { socket.LookupHost(""); }),
              "ESocketException: DNS lookup: invalid host name.");
    socket.CancelLookup(); // nothing pending: nothing happens
    socket.LookupHost("slow-name.invalid");
    socket.CancelLookup();
    EXPECT_EQ(events.log, QStringList({"DnsLookupDone 10004"}));
    EXPECT_FALSE(socket.LookupPending());
    // Abort cancels a pending lookup the same way; no session event without a connection.
    socket.LookupHost("other-name.invalid");
    socket.Abort();
    RunEventsFor(300); // the resolver's late answers must not come through
    EXPECT_EQ(events.log, QStringList({"DnsLookupDone 10004", "DnsLookupDone 10004"}));

    // A socket destroyed with a lookup pending fires nothing and leaves nothing behind.
    auto doomed = std::make_unique<TWSocket>();
    Events doomedEvents(*doomed);
    doomed->LookupHost("doomed.invalid");
    doomed.reset();
    RunEventsFor(200);
    EXPECT_TRUE(doomedEvents.log.isEmpty());
}

TEST(TWSocketClose, NotOpenDoesNothingAndOpenFiresOnce) {
    FakeServer server;
    server.Says("+OK hello").ExpectsClose();
    TWSocket idle;
    Events idleEvents(idle);
    idle.Close();
    idle.Abort();
    RunEventsFor(50);
    EXPECT_TRUE(idleEvents.log.isEmpty());

    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    ASSERT_TRUE(WaitFor([&] { return client.lines.size() == 1; }));
    EXPECT_EQ(client.socket.ReadCount(), 11);
    client.socket.Close();
    client.socket.Close();
    client.socket.Abort();
    ASSERT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
    EXPECT_EQ(client.events.log, QStringList({"SessionConnected 0", "SessionClosed 0"}));
    EXPECT_EQ(client.socket.ReadCount(), 0) << "reset by the close";
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(TWSocketClose, AbortWhileConnectingFiresClosedOnly) {
    FakeServer server;
    TWSocket socket;
    Events events(socket);
    Connect(socket, server.Port());
    socket.Abort();
    RunEventsFor(100);
    EXPECT_EQ(events.log, QStringList({"SessionClosed 0"}));
}

TEST(TWSocketClose, PeerCloseHandsOverWhatCameFirstThenFiresOnce) {
    FakeServer server;
    server.Says("+OK bye").Closes();
    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    ASSERT_TRUE(WaitFor([&] { return client.socket.State() == wsClosed; }));
    RunEventsFor(50);
    EXPECT_EQ(client.lines, QByteArrayList({"+OK bye"}));
    EXPECT_EQ(client.events.log, QStringList({"SessionConnected 0", "SessionClosed 0"}));
    char byte = 0;
    EXPECT_EQ(client.socket.Receive(&byte, 1), -1);
    EXPECT_EQ(client.socket.LastError(), 10057);

    // The same socket connects again after the close.
    FakeServer second;
    second.Says("+OK again").Drops();
    ASSERT_TRUE(client.ConnectTo(second));
    ASSERT_TRUE(WaitFor([&] { return client.socket.State() == wsClosed; }));
    EXPECT_EQ(client.lines.last(), "+OK again");
    EXPECT_EQ(client.events.Count("SessionClosed"), 2);
}

TEST(TWSocketReceive, LinesArriveWholeInOrder) {
    FakeServer server;
    server.SaysInPieces({"+OK a reply in", " three pi", "eces\r\n"})
        .SaysRaw("one\r\ntwo\r\n\r\nthr")
        .Pauses(50)
        .SaysRaw("ee\r\n");
    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    ASSERT_TRUE(WaitFor([&] { return client.lines.size() == 5; }));
    RunEventsFor(50);
    EXPECT_EQ(client.lines,
              QByteArrayList({"+OK a reply in three pieces", "one", "two", "", "three"}));
    EXPECT_GE(client.dataEvents, 4) << "the pieces did not arrive apart";
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(TWSocketReceive, OverlongLineIsReportedNotAwaited) {
    FakeServer server;
    server.SaysRaw(QByteArray(5000, 'x') + "\r\n+OK\r\n").StaysSilent();
    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    ASSERT_TRUE(WaitFor([&] { return client.socket.State() == wsClosed; }, 2000));
    EXPECT_EQ(client.overflows, 1);
    EXPECT_TRUE(client.lines.isEmpty());
    EXPECT_EQ(client.events.Count("SessionClosed"), 1);
}

TEST(TWSocketReceive, HandlerClosingDropsTheRest) {
    FakeServer server;
    server.SaysRaw("-ERR not now\r\n+OK never seen\r\n").StaysSilent();
    LineClient client;
    client.closeOnLine = "-ERR not now";
    ASSERT_TRUE(client.ConnectTo(server));
    ASSERT_TRUE(WaitFor([&] { return client.socket.State() == wsClosed; }));
    RunEventsFor(50);
    EXPECT_EQ(client.lines, QByteArrayList({"-ERR not now"}));
    EXPECT_EQ(client.events.log, QStringList({"SessionConnected 0", "SessionClosed 0"}));
}

TEST(TWSocketSend, DataSentOnceAfterTheLastByte) {
    FakeServer server;
    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    QByteArray text;
    for (int i = 0; text.size() < 6000; ++i) {
        text += "line " + QByteArray::number(i) + " of a longer text\r\n";
    }
    EXPECT_EQ(client.socket.Send(text), text.size());
    EXPECT_EQ(client.socket.SendText("QUIT\r\n"), 6);
    EXPECT_EQ(client.events.Count("DataSent"), 0) << "never inside the send call";
    ASSERT_TRUE(WaitFor([&] { return client.events.Count("DataSent") == 1; }));
    EXPECT_EQ(server.Received(), text + "QUIT\r\n");
    EXPECT_EQ(client.socket.BufferedBytes(), 0);

    // Far more than fits in flight at once: still whole, still one event.
    QByteArray large(3 * 1024 * 1024, 'z');
    large[1234567] = 'a';
    client.socket.Send(large);
    ASSERT_TRUE(WaitFor([&] { return client.events.Count("DataSent") == 2; }, 20000));
    ASSERT_TRUE(
        WaitFor([&] { return server.Received().size() == text.size() + 6 + large.size(); }));
    EXPECT_EQ(server.Received().mid(text.size() + 6), large);
    RunEventsFor(50);
    EXPECT_EQ(client.events.Count("DataSent"), 2);
    EXPECT_EQ(client.events.Count("SessionClosed"), 0);
}

TEST(TWSocketSend, ACommandLeavesBeforeTheEventLoopRunsAgain) {
    FakeServer server;
    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    client.socket.SendText("STAT\r\n");
    // Handed to the system inside the call: a request/reply dialogue does not wait a loop turn.
    EXPECT_EQ(client.socket.BufferedBytes(), 0);
    ASSERT_TRUE(WaitFor([&] { return server.Received() == "STAT\r\n"; }));
}

TEST(TWSocketSend, ConnectionLostWhileSendingIsReportedOnce) {
    FakeServer server;
    server.StopsReading().Pauses(200).Resets();
    LineClient client;
    ASSERT_TRUE(client.ConnectTo(server));
    client.socket.Send(QByteArray(16 * 1024 * 1024, 'z'));
    ASSERT_TRUE(WaitFor([&] { return client.socket.State() == wsClosed; }));
    RunEventsFor(50);
    EXPECT_EQ(client.events.log, QStringList({"SessionConnected 0", "SessionClosed 10054"}));
    EXPECT_EQ(client.socket.LastError(), 10054);
    EXPECT_EQ(client.socket.BufferedBytes(), 0) << "the unsent rest is dropped";
}

} // namespace
