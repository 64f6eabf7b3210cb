// The POP3 client against the scripted fake server: the dialogues real servers will not hold.
#include "Pop3Events.h"
#include "net/LineReceiver.h"
#include "net/SocketError.h"
#include "net/TPop3Cli.h"
#include "tests/support/FakeServer.h"
#include "tests/support/WaitFor.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace sievra;
using sievra::test::FakeServer;
using sievra::test::Pop3Events;
using sievra::test::RunEventsFor;
using sievra::test::WaitFor;

namespace {

struct Pop3Fixture {
    explicit Pop3Fixture(const FakeServer& server)
        : events(client) {
        client.SetHost("127.0.0.1");
        client.SetPort(server.PortText());
        client.SetUserName("alice");
        client.SetPassWord("secret");
    }
    // Connect, USER and PASS, each expected to succeed.
    void LogIn() {
        ASSERT_EQ(events.Run([&] { client.Connect(); }), 0) << events.log.join("\n").toStdString();
        ASSERT_EQ(events.Run([&] { client.User(); }), 0);
        ASSERT_EQ(events.Run([&] { client.Pass(); }), 0);
        ASSERT_EQ(client.ProtocolState(), pop3Transaction);
    }
    TPop3Cli client;
    Pop3Events events;
};

// The server side of Connect, USER alice, PASS secret.
FakeServer& LoginScript(FakeServer& server) {
    return server.Says("+OK ready")
        .Expects("USER alice")
        .Says("+OK")
        .Expects("PASS secret")
        .Says("+OK logged in");
}

TEST(Pop3Session, WholeDialogueInOrderWithSplitRepliesAndQuitEndingAtItsAnswer) {
    FakeServer server;
    server.SaysInPieces({"+OK POP3 re", "ady <1896.697170952@dbc.mtview.ca.us>", "\r\n"})
        .Expects("USER alice")
        .Says("+OK")
        .Expects("PASS secret pw")
        .Says("+OK maildrop locked")
        .Expects("STAT")
        .Says("+OK 2 320")
        .Expects("TOP 2 0")
        .SaysLines({"+OK top of message follows", "From: <b@x.org>", "Subject: hi", "", "."})
        .Expects("DELE 2")
        .Says("+OK message 2 deleted")
        .Expects("QUIT")
        .Says("+OK bye")
        .ExpectsClose();
    Pop3Fixture f(server);
    f.client.SetUserName(" \talice\x01 ");
    f.client.SetPassWord("\r\n secret pw \x7f");

    EXPECT_EQ(f.events.Run([&] { f.client.Connect(); }), 0);
    EXPECT_EQ(f.client.Timestamp(), "<1896.697170952@dbc.mtview.ca.us>");
    EXPECT_EQ(f.client.ProtocolState(), pop3WaitingUser);
    EXPECT_TRUE(f.client.Connected());
    EXPECT_EQ(f.events.Run([&] { f.client.User(); }), 0);
    EXPECT_EQ(f.client.ProtocolState(), pop3WaitingPass);
    EXPECT_EQ(f.events.Run([&] { f.client.Pass(); }), 0);
    EXPECT_EQ(f.client.ProtocolState(), pop3Transaction);
    EXPECT_EQ(f.events.Run([&] { f.client.Stat(); }), 0);
    EXPECT_EQ(f.client.MsgCount(), 2);
    EXPECT_EQ(f.client.MsgSize(), 320);
    f.client.SetMsgNum(2);
    f.client.SetMsgLines(0);
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }), 0);
    EXPECT_EQ(f.client.LastResponse(), "") << "emptied when the answer ends";
    EXPECT_EQ(f.events.Run([&] { f.client.Dele(); }), 0);
    EXPECT_EQ(f.events.Run([&] { f.client.Quit(); }), 0);
    EXPECT_FALSE(f.client.Connected());
    EXPECT_EQ(f.client.ProtocolState(), pop3Disconnected);
    EXPECT_EQ(f.client.State(), pop3Ready);

    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_EQ(f.events.log, QStringList({"SessionConnected 0", "RequestDone 0 0", "RequestDone 1 0",
                                         "RequestDone 2 0", "RequestDone 5 0", "MessageBegin",
                                         "MessageLine From: <b@x.org>", "MessageLine Subject: hi",
                                         "MessageLine ", "MessageEnd", "RequestDone 8 0",
                                         "RequestDone 9 0", "SessionClosed 0", "RequestDone 4 0"}));
    EXPECT_EQ(f.events.doneInsideCall, 0);
    // The greeting came in three pieces and was handed over once, whole.
    EXPECT_EQ(f.events.responses.first(), "+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>");
    EXPECT_EQ(f.events.displays.mid(0, 4),
              QStringList({"< +OK POP3 ready <1896.697170952@dbc.mtview.ca.us>", "> USER alice",
                           "< +OK", "> PASS secret pw"}));
    EXPECT_EQ(server.Received(), "USER alice\r\nPASS secret pw\r\nSTAT\r\nTOP 2 0\r\nDELE "
                                 "2\r\nQUIT\r\n");
}

TEST(Pop3Top, DotStuffingEmptyLinesAndLinesOfOneRead) {
    FakeServer server;
    LoginScript(server)
        .Expects("TOP 1 0")
        // All in one write: several lines reach the client in one read.
        .SaysLines({"+OK", "..word", ".a", "..", "", "...", "X: .. inner", "."})
        .Expects("TOP 1 3")
        .SaysInPieces({"+OK\r\nfirst\r", "\n..second", "\r\n.\r\n"});
    Pop3Fixture f(server);
    f.LogIn();
    f.client.SetMsgNum(1);
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }), 0);
    EXPECT_EQ(f.events.MessageLines(), QStringList({".word", ".a", ".", "", "..", "X: .. inner"}));
    f.events.log.clear();
    f.client.SetMsgLines(3);
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }), 0);
    EXPECT_EQ(f.events.log, QStringList({"MessageBegin", "MessageLine first", "MessageLine .second",
                                         "MessageEnd", "RequestDone 8 0"}));
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Replies, NegativeRepliesFailWith500AndKeepTheProtocolState) {
    FakeServer server;
    server.Says("+OK ready")
        .Expects("USER alice")
        .Says("-ERR [AUTH] who?")
        .Expects("USER alice")
        .Says("+OK")
        .Expects("PASS secret")
        .Says("-ERR [AUTH] Authentication failed.")
        .Expects("PASS secret")
        .Says("+OK")
        .Expects("STAT")
        .Says("-ERR [IN-USE] busy")
        .Expects("TOP 9 0")
        .Says("-ERR no such message")
        .Expects("DELE 9")
        .Says("-ERR no such message, only 2");
    Pop3Fixture f(server);
    ASSERT_EQ(f.events.Run([&] { f.client.Connect(); }), 0);

    EXPECT_EQ(f.events.Run([&] { f.client.User(); }), 500);
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR [AUTH] who?");
    EXPECT_EQ(f.client.ProtocolState(), pop3WaitingUser);
    EXPECT_EQ(f.events.Run([&] { f.client.User(); }), 0);
    EXPECT_EQ(f.client.ErrorMessage(), "") << "emptied when the request started";

    EXPECT_EQ(f.events.Run([&] { f.client.Pass(); }), 500);
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR [AUTH] Authentication failed.");
    EXPECT_EQ(f.client.ProtocolState(), pop3WaitingPass);
    EXPECT_EQ(f.events.Run([&] { f.client.Pass(); }), 0);

    EXPECT_EQ(f.events.Run([&] { f.client.Stat(); }), 500);
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR [IN-USE] busy");
    f.client.SetMsgNum(9);
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }), 500);
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR no such message");
    EXPECT_EQ(f.events.Run([&] { f.client.Dele(); }), 500);
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR no such message, only 2");
    EXPECT_EQ(f.client.ProtocolState(), pop3Transaction);
    EXPECT_TRUE(f.client.Connected());

    EXPECT_TRUE(f.events.Entries("Message").isEmpty()) << "a refused TOP has no message events";
    EXPECT_EQ(f.events.Entries("RequestDone"),
              QStringList({"RequestDone 0 0", "RequestDone 1 500", "RequestDone 1 0",
                           "RequestDone 2 500", "RequestDone 2 0", "RequestDone 5 500",
                           "RequestDone 8 500", "RequestDone 9 500"}));
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Replies, StatNeedsBothNumbers) {
    struct Row {
        QByteArray reply;
        int count;
        qint64 size;
    };
    const Row rows[] = {{"+OK 2 320", 2, 320},
                        {"+OK", 0, 0},
                        {"+OK 7", 0, 0},
                        {"+OK 3 octets", 3, 0},
                        {"+OK 4\t\t5000000000", 4, 5000000000}};
    FakeServer server;
    LoginScript(server);
    for (const Row& row : rows) {
        server.Expects("STAT").Says(row.reply);
    }
    Pop3Fixture f(server);
    f.LogIn();
    for (const Row& row : rows) {
        EXPECT_EQ(f.events.Run([&] { f.client.Stat(); }), 0);
        EXPECT_EQ(f.client.MsgCount(), row.count) << row.reply.constData();
        EXPECT_EQ(f.client.MsgSize(), row.size) << row.reply.constData();
    }
}

TEST(Pop3Failures, NegativeGreetingClosesAndCompletesWith10004) {
    FakeServer server;
    // The rest of what the server sends with it is ignored.
    server.SaysRaw("-ERR too busy\r\n+OK changed my mind\r\n").ExpectsClose();
    Pop3Fixture f(server);
    EXPECT_EQ(f.events.Run([&] { f.client.Connect(); }), 10004);
    EXPECT_EQ(f.events.log, QStringList({"SessionClosed 0", "RequestDone 0 10004"}));
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR too busy");
    EXPECT_EQ(f.events.responses, QStringList({"-ERR too busy"}));
    EXPECT_FALSE(f.client.Connected());
    EXPECT_EQ(f.client.ProtocolState(), pop3Disconnected);
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Failures, ConnectionDroppedWhileTopAnswers) {
    FakeServer server;
    LoginScript(server).Expects("TOP 1 0").SaysLines({"+OK", "From: a@x.org"}).Drops();
    Pop3Fixture f(server);
    f.LogIn();
    f.client.SetMsgNum(1);
    f.events.log.clear();
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }), 10004);
    EXPECT_EQ(f.events.log, QStringList({"MessageBegin", "MessageLine From: a@x.org",
                                         "SessionClosed 0", "RequestDone 8 10004"}));
    EXPECT_FALSE(f.client.Connected());
    EXPECT_EQ(f.client.ProtocolState(), pop3Disconnected);
    EXPECT_EQ(f.events.Call([&] { f.client.Stat(); }),
              "Pop3Exception: -ERR STAT command invalid now");
}

// A reply line that does not fit the buffer; within the header that follows a positive TOP
// reply such a line is cut instead (tests/reliability/LongLineTest.cpp).
TEST(Pop3Failures, OverlongLineFailsAtOnceWith10040AndCloses) {
    FakeServer server;
    LoginScript(server)
        .Expects("TOP 1 0")
        .SaysRaw("+OK " + QByteArray(LineReceiver::BufferSize, 'x'))
        .StaysSilent();
    Pop3Fixture f(server);
    f.LogIn();
    f.client.SetMsgNum(1);
    f.events.log.clear();
    // Well inside a caller's time-out: the line cannot end, so the client does not wait for it.
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }, 3000), 10040);
    EXPECT_EQ(f.client.ErrorMessage(), "-ERR Server sent a line longer than 4096 bytes");
    EXPECT_EQ(f.events.log, QStringList({"SessionClosed 0", "RequestDone 8 10040"}));
    EXPECT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
    EXPECT_FALSE(f.client.Connected());
}

TEST(Pop3Failures, QuitEndsAtItsAnswerAndOurClose) {
    FakeServer server;
    // The server answers and waits for us to close: "+OK" is 0, "-ERR" (deletions not all
    // made) is 500 with its words; a close without any answer does not pretend the server
    // committed the deletions.
    LoginScript(server).Expects("QUIT").Says("+OK bye").ExpectsClose();
    LoginScript(server.ThenNextConnection())
        .Expects("QUIT")
        .Says("-ERR some deleted messages not removed")
        .ExpectsClose();
    LoginScript(server.ThenNextConnection()).Expects("QUIT").Closes();
    Pop3Fixture f(server);
    f.LogIn();
    EXPECT_EQ(f.events.Run([&] { f.client.Quit(); }), 0);
    EXPECT_EQ(f.events.log.mid(f.events.log.size() - 2),
              QStringList({"SessionClosed 0", "RequestDone 4 0"}));
    EXPECT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));

    f.LogIn();
    EXPECT_EQ(f.events.Run([&] { f.client.Quit(); }), ProtocolErrorCode);
    EXPECT_EQ(f.client.ServerReply(), "-ERR some deleted messages not removed");
    EXPECT_FALSE(f.client.Connected());

    f.LogIn();
    EXPECT_EQ(f.events.Run([&] { f.client.Quit(); }), 10004);
    EXPECT_EQ(f.client.State(), pop3Ready);
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Abort, DuringLookupCompletesTheConnectWith10004) {
    TPop3Cli client;
    Pop3Events events(client);
    client.SetHost("slow-name.invalid");
    EXPECT_TRUE(events
                    .Call([&] {
                        client.Connect();
                        EXPECT_EQ(client.State(), pop3DnsLookup);
                        client.Abort();
                    })
                    .isEmpty());
    EXPECT_EQ(client.State(), pop3Ready);
    EXPECT_TRUE(events.log.isEmpty()) << "the completion is posted, not delivered inside Abort";
    RunEventsFor(500); // the resolver's late answer must change nothing
    EXPECT_EQ(events.log, QStringList({"RequestDone 0 10004"}));
    EXPECT_EQ(client.LastResponse(), "-ERR Interrupted system call (Winsock error #10004)");
    EXPECT_EQ(client.ErrorMessage(), client.LastResponse());
    EXPECT_EQ(events.doneInsideCall, 0);
}

TEST(Pop3Abort, IdleClientWithoutConnectionFiresNothing) {
    TPop3Cli client;
    Pop3Events events(client);
    client.Abort();
    RunEventsFor(100);
    EXPECT_TRUE(events.log.isEmpty());
    EXPECT_EQ(client.State(), pop3Ready);

    // Idle but connected: only the session ends; there is no request to complete.
    FakeServer server;
    server.Says("+OK ready").ExpectsClose();
    Pop3Fixture f(server);
    ASSERT_EQ(f.events.Run([&] { f.client.Connect(); }), 0);
    f.client.Abort();
    RunEventsFor(100);
    EXPECT_EQ(f.events.log,
              QStringList({"SessionConnected 0", "RequestDone 0 0", "SessionClosed 0"}));
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Abort, WhileWaitingForAReplyEndsTheRequestWith10004) {
    FakeServer server;
    LoginScript(server).Expects("STAT").StaysSilent();
    Pop3Fixture f(server);
    f.LogIn();
    ASSERT_TRUE(f.events.Call([&] { f.client.Stat(); }).isEmpty());
    ASSERT_TRUE(WaitFor([&] { return server.ReceivedLines().contains("STAT"); }));
    f.events.Call([&] { f.client.Abort(); });
    ASSERT_TRUE(WaitFor([&] { return f.events.Entries("RequestDone 5").size() == 1; }));
    EXPECT_EQ(f.events.log.mid(f.events.log.size() - 2),
              QStringList({"SessionClosed 0", "RequestDone 5 10004"}));
    EXPECT_EQ(f.events.doneInsideCall, 0);
    // Usable again at once.
    EXPECT_EQ(f.client.State(), pop3Ready);
    EXPECT_EQ(f.client.ProtocolState(), pop3Disconnected);
}

TEST(Pop3Abort, PostedBeforeACommandStartsKeepsTheCommandOffTheWire) {
    FakeServer server;
    LoginScript(server).ExpectsClose();
    Pop3Fixture f(server);
    f.LogIn();
    // Pending events run before the command is sent; this one ends the session first.
    QMetaObject::invokeMethod(
        &f.client, [&] { f.client.Abort(); }, Qt::QueuedConnection);
    EXPECT_EQ(f.events.Call([&] { f.client.Stat(); }), "");
    ASSERT_TRUE(WaitFor([&] { return f.events.Entries("RequestDone 5").size() == 1; }));
    RunEventsFor(100);
    EXPECT_EQ(f.events.Entries("RequestDone 5"), QStringList({"RequestDone 5 10004"}));
    EXPECT_EQ(f.events.doneInsideCall, 0);
    EXPECT_FALSE(server.ReceivedLines().contains("STAT"));
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Requests, WrongStatesRaiseAndStartNothing) {
    TPop3Cli client;
    Pop3Events events(client);
    EXPECT_EQ(client.Port(), "pop3");
    EXPECT_EQ(events.Call([&] { client.User(); }), "Pop3Exception: POP3 component not connected");
    EXPECT_EQ(events.Call([&] { client.Pass(); }), "Pop3Exception: POP3 component not connected");
    EXPECT_EQ(events.Call([&] { client.Quit(); }), "Pop3Exception: POP3 component not connected");
    EXPECT_EQ(events.Call([&] { client.Stat(); }), "Pop3Exception: -ERR STAT command invalid now");
    EXPECT_EQ(client.ErrorMessage(), "-ERR STAT command invalid now");
    EXPECT_EQ(events.displays.last(), "-ERR STAT command invalid now");
    EXPECT_EQ(events.Call([&] { client.Dele(); }), "Pop3Exception: -ERR DELE command invalid now");
    EXPECT_EQ(events.Call([&] { client.Top(); }), "Pop3Exception: -ERR TOP command invalid now");
    client.SetMsgLines(-1);
    EXPECT_EQ(events.Call([&] { client.Top(); }),
              "Pop3Exception: Invalid MsgLines for TOP command");
    client.SetMsgLines(0);
    // An empty host starts nothing and leaves the client ready.
    EXPECT_EQ(events.Call([&] { client.Connect(); }),
              "ESocketException: DNS lookup: invalid host name.");
    EXPECT_EQ(client.State(), pop3Ready);

    FakeServer server;
    server.Pauses(300)
        .Says("+OK ready")
        .Expects("USER alice")
        .Says("+OK")
        .Expects("PASS secret")
        .Says("+OK")
        .Expects("STAT")
        .Pauses(300)
        .Says("+OK 0 0");
    client.SetHost("127.0.0.1");
    client.SetPort(server.PortText());
    client.SetUserName("alice");
    client.SetPassWord("secret");
    EXPECT_TRUE(events.Call([&] { client.Connect(); }).isEmpty());
    EXPECT_EQ(events.Call([&] { client.Connect(); }), "Pop3Exception: POP3 component not ready");
    EXPECT_EQ(events.Call([&] { client.Quit(); }), "Pop3Exception: POP3 component not ready");
    ASSERT_TRUE(WaitFor([&] { return events.done == 1; }));
    EXPECT_EQ(events.Call([&] { client.Connect(); }),
              "Pop3Exception: POP3 component already connected");
    ASSERT_EQ(events.Run([&] { client.User(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Pass(); }), 0);
    EXPECT_EQ(events.Call([&] { client.User(); }), "Pop3Exception: -ERR USER command invalid now");
    EXPECT_EQ(events.Call([&] { client.Pass(); }), "Pop3Exception: -ERR PASS command invalid now");
    EXPECT_TRUE(events.Call([&] { client.Stat(); }).isEmpty());
    EXPECT_EQ(events.Call([&] { client.Stat(); }), "Pop3Exception: POP3 component not ready");
    ASSERT_TRUE(WaitFor([&] { return events.done == 4; }));
    EXPECT_EQ(events.Entries("RequestDone"), QStringList({"RequestDone 0 0", "RequestDone 1 0",
                                                          "RequestDone 2 0", "RequestDone 5 0"}));
    EXPECT_EQ(server.Received(), "USER alice\r\nPASS secret\r\nSTAT\r\n");
    EXPECT_EQ(events.doneInsideCall, 0);
}

TEST(Pop3Failures, ConnectThatCannotStartCompletesWith500) {
    TPop3Cli client;
    Pop3Events events(client);
    client.SetHost("127.0.0.1");
    client.SetPort("no-such-service");
    // The address is dotted, so the socket connect is tried inside Connect; its failure is
    // still reported from the event loop.
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 500);
    EXPECT_TRUE(client.LastResponse().startsWith(
        "-ERR ESocketException: connect: WSocketResolvePort: Cannot convert port "
        "'no-such-service'"))
        << client.LastResponse().toStdString();
    EXPECT_EQ(client.ErrorMessage(), client.LastResponse());
    EXPECT_EQ(events.log, QStringList({"RequestDone 0 500"}));
    EXPECT_EQ(events.doneInsideCall, 0);
    EXPECT_EQ(client.State(), pop3Ready);
}

TEST(Pop3Requests, ArgumentsWithLineBreaksNeverReachTheWire) {
    FakeServer server;
    server.Says("+OK ready").Expects("USER alice").Says("+OK");
    Pop3Fixture f(server);
    ASSERT_EQ(f.events.Run([&] { f.client.Connect(); }), 0);
    f.client.SetUserName("alice\r\nDELE 1");
    EXPECT_EQ(f.events.Call([&] { f.client.User(); }),
              "Pop3Exception: Line break in the user name");
    EXPECT_EQ(f.client.State(), pop3Ready);
    f.client.SetUserName("alice");
    EXPECT_EQ(f.events.Run([&] { f.client.User(); }), 0);
    f.client.SetPassWord("pw\nQUIT");
    EXPECT_EQ(f.events.Call([&] { f.client.Pass(); }), "Pop3Exception: Line break in the password");
    RunEventsFor(100);
    EXPECT_EQ(server.Received(), "USER alice\r\n");
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(Pop3Receiving, BytesArrivingWhileAHandlerRunsTheEventLoopAreNotLeftBehind) {
    FakeServer server;
    LoginScript(server).Expects("TOP 1 0").SaysInPieces(
        {"+OK\r\nA: 1\r\n", "B: 2\r\n", "C: 3\r\n", ".\r\n"}, 20);
    Pop3Fixture f(server);
    f.LogIn();
    // Like a window that repaints from its handler: the rest of the answer, its end included,
    // arrives while the handler runs.
    QObject::connect(&f.client, &TCustomPop3Cli::OnMessageLine, &f.client,
                     [] { RunEventsFor(100); });
    f.client.SetMsgNum(1);
    EXPECT_EQ(f.events.Run([&] { f.client.Top(); }, 3000), 0);
    EXPECT_EQ(f.events.MessageLines(), QStringList({"A: 1", "B: 2", "C: 3"}));
    EXPECT_EQ(f.events.Entries("MessageEnd").size(), 1);
}

} // namespace
