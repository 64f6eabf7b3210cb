// The POP3 client against a real dovecot on loopback, one server for the whole program.
#include "Pop3Events.h"
#include "net/TPop3Cli.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/WaitFor.h"

#include <QSet>
#include <gtest/gtest.h>
#include <memory>

using namespace sievra;
using sievra::test::DovecotServer;
using sievra::test::FreeLoopbackPort;
using sievra::test::Pop3Events;

namespace {

class Pop3Dovecot : public testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<DovecotServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void PointAt(TPop3Cli& client, const QString& user, const QString& password) {
        client.SetHost("127.0.0.1");
        client.SetPort(QString::number(server_->Pop3Port()));
        client.SetUserName(user);
        client.SetPassWord(password);
    }

    static std::unique_ptr<DovecotServer> server_;
};

std::unique_ptr<DovecotServer> Pop3Dovecot::server_;

// The header lines TOP n 0 gives for a message: up to and including the empty line.
QStringList HeaderLines(const QByteArray& message) {
    QStringList lines = QString::fromUtf8(message.left(message.indexOf("\n\n"))).split('\n');
    lines.append(QString());
    return lines;
}

TEST_F(Pop3Dovecot, WholeSessionDeletesOnlyWhatWasDeleted) {
    const QList<QByteArray> messages = {
        "From: Ann <ann@x.org>\nSubject: one\n\nbody 1\n",
        "From: spam@y.org\nSubject: buy now\n..Dotted: kept as sent\n\n.\nbody 2\n",
        "From: bob@x.org\nSubject: three\nX-Long: " + QByteArray(900, 'l') + "\n\nbody 3\n"};
    server_->AddUser("alice", "alicepw");
    server_->AddMessages("alice", messages);
    qint64 size = 0;
    for (const QByteArray& m : messages) {
        size += m.size() + m.count('\n'); // counted with CR LF line ends
    }

    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "alice", "alicepw");
    ASSERT_EQ(events.Run([&] { client.Connect(); }), 0);
    EXPECT_TRUE(events.responses.first().startsWith("+OK"))
        << events.responses.first().toStdString();
    ASSERT_EQ(events.Run([&] { client.User(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Pass(); }), 0) << server_->Log().toStdString();
    ASSERT_EQ(events.Run([&] { client.Stat(); }), 0);
    ASSERT_EQ(client.MsgCount(), 3);
    EXPECT_EQ(client.MsgSize(), size);

    client.SetMsgLines(0);
    for (int i = 1; i <= client.MsgCount(); ++i) {
        events.log.clear();
        client.SetMsgNum(i);
        ASSERT_EQ(events.Run([&] { client.Top(); }), 0) << i;
        EXPECT_EQ(events.MessageLines(), HeaderLines(messages[i - 1])) << i;
        EXPECT_EQ(events.log.first(), "MessageBegin");
        EXPECT_EQ(events.log.mid(events.log.size() - 2),
                  QStringList({"MessageEnd", "RequestDone 8 0"}));
    }
    client.SetMsgNum(2);
    ASSERT_EQ(events.Run([&] { client.Dele(); }), 0);
    EXPECT_EQ(server_->Messages("alice").size(), 3) << "nothing goes before QUIT";
    events.log.clear();
    ASSERT_EQ(events.Run([&] { client.Quit(); }), 0);
    EXPECT_EQ(events.log, QStringList({"SessionClosed 0", "RequestDone 4 0"}));
    EXPECT_EQ(events.doneInsideCall, 0);

    const QList<QByteArray> left = server_->Messages("alice");
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(left[0], messages[0]);
    EXPECT_EQ(left[1], messages[2]);
}

// The same session with the commands pipelined: the same lines and events, in order, each
// answer followed by its OnAnswered, and one completion per request.
TEST_F(Pop3Dovecot, PipelinedSessionGivesWhatOneCommandAtATimeGives) {
    const QList<QByteArray> messages = {"From: a@x.org\nSubject: one\n\nbody\n",
                                        "From: b@x.org\nSubject: two\n..dot\n\nbody\n",
                                        "From: c@x.org\nSubject: three\n\nbody\n"};
    server_->AddUser("dave", "davepw");
    server_->AddMessages("dave", messages);
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "dave", "davepw");
    ASSERT_EQ(events.Run([&] { client.Connect(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Capa(); }), 0);
    EXPECT_TRUE(client.Capabilities().Pipelining && client.Capabilities().Uidl);
    ASSERT_EQ(events.Run([&] { client.User(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Pass(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Stat(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Uidl(); }), 0);
    EXPECT_EQ(client.UniqueIds().size(), 3);
    EXPECT_EQ(QSet<QString>(client.UniqueIds().cbegin(), client.UniqueIds().cend()).size(), 3);

    events.log.clear();
    client.SetMsgLines(0);
    ASSERT_EQ(events.Run([&] { client.TopEach({3, 1, 2}); }), 0);
    EXPECT_EQ(events.MessageLines(),
              HeaderLines(messages[2]) + HeaderLines(messages[0]) + HeaderLines(messages[1]));
    EXPECT_EQ(events.Entries("Answered"), QStringList({"Answered 0", "Answered 1", "Answered 2"}));
    EXPECT_EQ(events.Entries("RequestDone"), QStringList({"RequestDone 8 0"}));
    EXPECT_EQ(events.log.indexOf("Answered 0"), events.log.indexOf("MessageEnd") + 1);

    ASSERT_EQ(events.Run([&] { client.DeleEach({1, 3}); }), 0);
    ASSERT_EQ(events.Run([&] { client.Quit(); }), 0);
    const QList<QByteArray> left = server_->Messages("dave");
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0], messages[1]);
    EXPECT_EQ(events.doneInsideCall, 0);
}

TEST_F(Pop3Dovecot, WrongPasswordFailsWith500AndStaysWaitingForIt) {
    server_->AddUser("carol", "carolpw");
    server_->AddMessages("carol", {"From: a@x.org\nSubject: keep\n\nbody\n"});
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "carol", "not-her-password");
    ASSERT_EQ(events.Run([&] { client.Connect(); }), 0);
    ASSERT_EQ(events.Run([&] { client.User(); }), 0);
    EXPECT_EQ(events.Run([&] { client.Pass(); }), 500);
    EXPECT_EQ(client.ErrorMessage(), "-ERR [AUTH] Authentication failed.");
    EXPECT_EQ(client.ProtocolState(), pop3WaitingPass);
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(events.Run([&] { client.Quit(); }), 0);
    EXPECT_EQ(server_->Messages("carol").size(), 1);
}

TEST_F(Pop3Dovecot, RefusedPortAndUnknownHostGiveTheSocketCodes) {
    TPop3Cli client;
    Pop3Events events(client);
    client.SetHost("127.0.0.1");
    client.SetPort(QString::number(FreeLoopbackPort()));
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 10061);
    EXPECT_EQ(client.LastResponse(), "-ERR Connection refused (Winsock error #10061)");
    EXPECT_EQ(client.ErrorMessage(), client.LastResponse());
    EXPECT_FALSE(client.Connected());
    EXPECT_TRUE(events.Entries("SessionConnected").isEmpty());

    client.SetHost("no-such-host.invalid");
    client.SetPort(QString::number(server_->Pop3Port()));
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 11001);
    EXPECT_EQ(client.LastResponse(), "-ERR Host not found (Winsock error #11001)");
    EXPECT_EQ(client.State(), pop3Ready);
    EXPECT_EQ(events.doneInsideCall, 0);
}

} // namespace
