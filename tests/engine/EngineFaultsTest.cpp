// What the engine does when a server misbehaves: hangs, drops, odd answers. A scripted server
// plays the parts real servers will not.
#include "EngineFixture.h"
#include "tests/support/FakeServer.h"

#include <QDir>
#include <QTimer>

using namespace sievra;
using namespace sievra::test;

namespace {

class EngineFaults : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        // Time-outs are at least 30 "seconds"; here a second lasts 10 ms.
        window.Options.TimeoutSecondMs = 10;
    }
    Account& FakeAccount(const FakeServer& server) {
        Account account = MakeAccount("fake");
        account.Pop3Port = server.PortText();
        return window.AddAccount(account);
    }
    static void LogIn(FakeServer& server, const QByteArray& stat) {
        server.Says("+OK ready")
            .Expects("CAPA")
            .Says("-ERR unknown command")
            .Expects("USER fake")
            .Says("+OK")
            .Expects("PASS fake-pw")
            .Says("+OK logged in")
            .Expects("STAT")
            .Says(stat);
    }
    static void Header(FakeServer& server, int number, const QByteArray& from) {
        server.Expects("TOP " + QByteArray::number(number) + " 0")
            .SaysLines({"+OK", "From: " + from, "Subject: hello", "", "."});
    }
};

TEST_F(EngineFaults, HungTopTimesOutAbortsTheConnectionAndTheNextPassWorks) {
    FakeServer server;
    LogIn(server, "+OK 2 200");
    Header(server, 1, "spam@bad.example");
    server.Expects("TOP 2 0").StaysSilent();
    server.ThenNextConnection();
    LogIn(server, "+OK 0 0");
    server.Expects("QUIT").Says("+OK bye").Closes();
    FakeAccount(server);

    engine->RunPass();
    const QStringList lines = window.PlainLines();
    // One fault, one error line, a plain line saying what happened (the code of a time-out is
    // whatever came before), and a results line that does not call the mailbox empty.
    EXPECT_EQ(lines.filter("Error").size(), 2) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.contains("Error 0: Timeout"));
    EXPECT_EQ(lines.at(lines.indexOf("Error 0: Timeout") + 1),
              "Account fake: 127.0.0.1 did not answer within 60 s");
    EXPECT_EQ(lines.last(), "RESULTS: 0 waiting. 0 deleted. 2 not screened. 1 Error(s)");
    EXPECT_FALSE(server.Received(0).contains("DELE")) << "no decision after a time-out";
    EXPECT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
    EXPECT_EQ(engine->Pop3Client().State(), pop3Ready);
    EXPECT_FALSE(engine->Pop3Client().Connected());

    engine->RunPass();
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: No messages. 0 Error(s)");
}

// Every message is decided before the first DELE; a DELE that hangs stops the deletions, and
// the rejected messages after it stay on the server, counted neither as deleted nor waiting.
TEST_F(EngineFaults, HungDeleStopsTheDeletions) {
    FakeServer server;
    LogIn(server, "+OK 3 300");
    Header(server, 1, "spam@bad.example");
    Header(server, 2, "spam@bad.example");
    Header(server, 3, "spam@bad.example");
    server.Expects("DELE 1").StaysSilent();
    FakeAccount(server);
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Error 0: Timeout"));
    EXPECT_TRUE(window.HasLabel("Deleting message 1"));
    EXPECT_TRUE(window.HasLabel("Checking message 3 of 3"));
    EXPECT_EQ(engine->Counters().DeletedCount, 0);
    EXPECT_EQ(engine->Counters().WaitingCount, 0);
    EXPECT_FALSE(server.Received(0).contains("DELE 2"));
}

// A server that lists UIDL but not PIPELINING gets one command at a time: every command waits
// for the answer to the one before.
TEST_F(EngineFaults, WithoutPipeliningEachCommandWaitsForTheAnswerBefore) {
    FakeServer server;
    server.Says("+OK ready").Expects("CAPA").SaysLines({"+OK", "TOP", "UIDL", "."});
    server.Expects("USER fake").Says("+OK").Expects("PASS fake-pw").Says("+OK");
    server.Expects("STAT").Says("+OK 3 300");
    server.Expects("UIDL").SaysLines({"+OK", "1 a", "2 b", "3 c", "."});
    for (int n = 1; n <= 3; ++n) {
        Header(server, n, "spam@bad.example");
    }
    server.Expects("DELE 1").Says("+OK").Expects("DELE 2").Says("+OK").Expects("DELE 3");
    server.Says("+OK").Expects("QUIT").Says("+OK").Closes();
    FakeAccount(server);
    engine->RunPass();
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_EQ(engine->Counters().DeletedCount, 3);
    const QStringList dialogue = server.Dialogue().split('\n');
    for (qsizetype i = 1; i < dialogue.size(); ++i) {
        EXPECT_FALSE(dialogue[i].startsWith("C:") && dialogue[i - 1].startsWith("C:"))
            << server.Dialogue().toStdString();
    }
}

// Two messages under one unique id: the cache cannot tell them apart, so the next pass looks at
// both again rather than trust either.
TEST_F(EngineFaults, AnIdGivenTwiceIsNeverTakenAsKept) {
    FakeServer server;
    for (int pass = 0; pass < 2; ++pass) {
        server.Says("+OK ready").Expects("CAPA").SaysLines({"+OK", "UIDL", "."});
        server.Expects("USER fake").Says("+OK").Expects("PASS fake-pw").Says("+OK");
        server.Expects("STAT").Says("+OK 2 200");
        server.Expects("UIDL").SaysLines({"+OK", "1 same", "2 same", "."});
        Header(server, 1, "friend@example.org");
        Header(server, 2, "friend@example.org");
        server.Expects("QUIT").Says("+OK").Closes().ThenNextConnection();
    }
    FakeAccount(server);
    engine->RunPass();
    engine->RunPass();
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: 2 waiting. 0 deleted. 0 Error(s)");
}

TEST_F(EngineFaults, DropDuringHeadersIsAnErrorAndNothingIsDecided) {
    FakeServer server;
    LogIn(server, "+OK 2 200");
    Header(server, 1, "spam@bad.example");
    server.Expects("TOP 2 0").SaysRaw("+OK\r\nFrom: x@y.example\r\n").Drops();
    FakeAccount(server);
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Error 10004: POP3 error while getting header"))
        << window.PlainLines().join("\n").toStdString();
    EXPECT_FALSE(server.Received(0).contains("DELE"));
}

// The copy kept before a deletion: a connection that drops while the message comes, or a
// message longer than LIST said, is never deleted.
TEST_F(EngineFaults, CopyCutShortDeletesNothing) {
    FakeServer server;
    LogIn(server, "+OK 3 300");
    for (int i = 1; i <= 3; ++i) {
        Header(server, i, "spam@bad.example");
    }
    server.Expects("LIST 1").Says("+OK 1 40");
    server.Expects("RETR 1").SaysLines(QList<QByteArray>{"+OK", "From: spam@bad.example", ""} +
                                       QList<QByteArray>(200, QByteArray(60, 'x')) +
                                       QList<QByteArray>{"."});
    server.Expects("LIST 2").Says("+OK 2 6000");
    server.Expects("RETR 2").SaysLines(
        {"+OK", "From: spam@bad.example", "", QByteArray(5000, 'x'), "."});
    server.Expects("LIST 3").Says("+OK 3 100");
    server.Expects("RETR 3").SaysRaw("+OK\r\nFrom: spam@bad.example\r\n").Drops();
    Account& account = FakeAccount(server);
    account.KeepDeletedCopies = true;
    engine->RunPass();
    const QString shown = window.PlainLines().join("\n");
    EXPECT_TRUE(shown.contains("Message 1 not deleted: it is larger than the server said"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("Message 2 not deleted: it has a line too long to copy whole"));
    EXPECT_TRUE(shown.contains("Error 10004: POP3 error while retrieving a message"));
    EXPECT_FALSE(server.Received(0).contains("DELE"));
    EXPECT_EQ(engine->Counters().DeletedCount, 0);
    EXPECT_TRUE(QDir(QuarantineStore::DefaultFolder() + "/" + account.KeyName + "/new")
                    .entryList(QDir::Files)
                    .isEmpty());
}

TEST_F(EngineFaults, OverlongServerLineFailsAtOnce) {
    FakeServer server;
    LogIn(server, "+OK 1 100");
    server.Expects("TOP 1 0").SaysRaw("+OK " + QByteArray(5000, 'x'));
    FakeAccount(server);
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Error 10040: POP3 error while getting header"))
        << window.PlainLines().join("\n").toStdString();
    EXPECT_FALSE(window.PlainLines().join("\n").contains("Timeout"));
}

TEST_F(EngineFaults, RefusedGreetingAndGarbageAreErrorsNotDeletions) {
    FakeServer server;
    server.Says("-ERR too busy").Closes();
    server.ThenNextConnection();
    server.Says("+OK ready").Expects("CAPA").Says("-ERR").Expects("USER fake").Says("+OK");
    server.Expects("PASS fake-pw").Says("+OK");
    server.Expects("STAT").Says("+OK garbage without numbers");
    server.Expects("QUIT").Says("+OK").Closes();
    FakeAccount(server);
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Error 10004: POP3 error while connecting to POP server"))
        << window.PlainLines().join("\n").toStdString();
    engine->RunPass();
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: No messages. 0 Error(s)");
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST_F(EngineFaults, AbortDuringTheReplyPhaseKeepsTheUnsentAddresses) {
    FakeServer smtpServer;
    smtpServer.Says("220 ready").ExpectsPrefix("EHLO ").Says("250 hi");
    smtpServer.Expects("MAIL FROM:<>").StaysSilent();
    Account& account =
        AddMailbox({Mail("a@bad.example", "1"), Mail("b@bad.example", "2")}, "hint|");
    account.SmtpPort = smtpServer.PortText();
    window.OnLabel = [&](const QString& label) {
        if (label == "Sending message 1 of 2") {
            QTimer::singleShot(20, engine.get(), [&] { engine->Abort(); });
        }
    };
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Aborting!"));
    EXPECT_EQ(window.PlainLines().filter(": Aborted").size(), 1)
        << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(Section(account.KeyName), QStringList({"0=a@bad.example", "1=b@bad.example"}));
    EXPECT_TRUE(window.PlainLines().last().startsWith("RESULTS: 0 waiting. 2 deleted."));
}

} // namespace
