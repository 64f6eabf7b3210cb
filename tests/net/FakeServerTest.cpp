#include "tests/support/FakeServer.h"

#include "tests/support/WaitFor.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

using sievra::test::FakeServer;
using sievra::test::RunEventsFor;
using sievra::test::WaitFor;

namespace {

// The fake server is what later tests lean on, so its own reports must be right: a script
// that was not followed must not pass.
TEST(FakeServerScript, ReportsMismatchAndUnreachedSteps) {
    FakeServer server;
    server.Says("+OK").Expects("USER alice").Says("+OK").Expects("PASS secret").Says("+OK");
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(WaitFor([&] { return client.canReadLine(); }));
    client.write("USER bob\r\n");
    ASSERT_TRUE(WaitFor([&] { return server.Received().size() == 10; }));
    const testing::AssertionResult played = server.ScriptPlayed();
    EXPECT_FALSE(played);
    EXPECT_NE(std::string(played.message()).find("expects \"USER alice\": got \"USER bob\""),
              std::string::npos)
        << played.message();
    EXPECT_EQ(client.readAll(), "+OK\r\n") << "silent after the mismatch";
}

TEST(FakeServerScript, ServesConnectionsOneAfterAnother) {
    FakeServer server;
    server.Says("first")
        .ExpectsPrefix("A")
        .ExpectsLinesUntil(".")
        .Closes()
        .ThenNextConnection()
        .Says("second")
        .ExpectsClose();
    QTcpSocket one;
    QTcpSocket two;
    one.connectToHost(QHostAddress::LocalHost, server.Port());
    two.connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(WaitFor([&] { return one.canReadLine(); }));
    EXPECT_FALSE(two.canReadLine()) << "the second waits for the first";
    EXPECT_FALSE(server.ScriptPlayed());
    one.write("A b\r\nbody\r\n");
    RunEventsFor(50);
    EXPECT_FALSE(two.canReadLine()) << "still in the first script";
    one.write(".\r\n");
    ASSERT_TRUE(WaitFor([&] { return two.canReadLine(); }));
    EXPECT_EQ(two.readLine(), "second\r\n");
    two.write("partial");
    two.disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return server.ClientClosed(1); }));
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_EQ(server.ReceivedLines(), QByteArrayList({"A b", "body", "."}));
    EXPECT_EQ(server.Received(1), "partial");
    EXPECT_NE(server.Dialogue().indexOf("C: partial (no CR LF)"), -1)
        << server.Dialogue().toStdString();
}

} // namespace
