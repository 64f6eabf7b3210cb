// Every step of both dialogues against every way a server can fail there. After each faulty
// pass: nothing the rules accept was deleted on the server, every reply still owed is in the
// queue file, the engine is idle with GO enabled, and a pass against the real servers then
// works and serves the queue.
//
// Set SIEVRA_FAULT_MATRIX=full to fault every text line of the second reply too (by default
// its first and last line stand for the others).
#include "tests/engine/EngineFixture.h"
#include "tests/reliability/DialogueFaults.h"
#include "tests/wizard/QtPrinters.h"

#include <QCollator>
#include <iostream>

using namespace sievra;
using namespace sievra::test;

namespace {

struct Scenario {
    DialogueStep step;
    Fault fault = Fault::Drop;
    bool auth = true;
    bool pipelined = false; // the server offers PIPELINING
};

std::string ScenarioName(const testing::TestParamInfo<Scenario>& info) {
    const Scenario& s = info.param;
    return (s.step.Name() + QLatin1Char('_') + FaultName(s.fault) +
            (s.auth ? QString() : QStringLiteral("_NoAuth")) +
            (s.pipelined ? QStringLiteral("_Pipelined") : QString()))
        .toStdString();
}

// The reply text: the header block (nine fields and the blank line) and six body lines.
const QStringList ReplyHeader = {QStringLiteral("Header line one"), QStringLiteral("Line two")};
const QStringList ReplyFooter = {QStringLiteral("(footer)")};
const QString Hints = QStringLiteral("write again with a fruit in the subject|");
constexpr int TextLines = 10 + 2 + 1 + 1 + 1 + 1;
constexpr int Replies = 2;
// A "second" of the faulty pass: its time-outs (30 seconds) last 0.9 s, room enough for the
// healthy steps of a dialogue on a busy machine under the sanitizers.
constexpr int FaultyPassSecondMs = 30;

QStringList Sorted(QStringList list) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(list.begin(), list.end(), collator);
    return list;
}

int pop3Scenarios = 0;
int smtpScenarios = 0;

class CountingEnvironment : public testing::Environment {
public:
    void TearDown() override {
        std::cout << "fault matrix: " << pop3Scenarios + smtpScenarios << " scenarios ran ("
                  << pop3Scenarios << " POP3, " << smtpScenarios << " SMTP; "
                  << std::size(AllFaults) << " faults at each step)\n";
    }
};
[[maybe_unused]] testing::Environment* const counting =
    testing::AddGlobalTestEnvironment(new CountingEnvironment);

class FaultMatrix : public EngineFixture, public testing::WithParamInterface<Scenario> {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        window.Options.ReplyHeaderLines = ReplyHeader;
        window.Options.ReplyFooterLines = ReplyFooter;
    }

    void SeedQueue(const QString& section, const QString& address) {
        engine->Queue().Update(
            [&](IniDocument& doc) { doc.WriteEntry(section, QStringLiteral("0"), address); });
    }

    QStringList QueuedAddresses(const QString& section) const {
        QStringList addresses;
        for (const QString& entry : Section(section)) {
            addresses.append(entry.mid(entry.indexOf(QLatin1Char('=')) + 1));
        }
        return addresses;
    }

    // GO with automatic mode off, as the user presses it.
    void PressGo() {
        EXPECT_TRUE(engine->StartScreening()) << window.Warnings.join("\n").toStdString();
        EXPECT_TRUE(window.SawGoDisabled);
    }

    void ExpectIdle() const {
        EXPECT_FALSE(engine->PassRunning());
        EXPECT_TRUE(window.GoEnabled);
        EXPECT_TRUE(window.CloseEnabled);
        EXPECT_FALSE(window.AbortEnabled);
        EXPECT_EQ(engine->Pop3Client().State(), pop3Ready);
        EXPECT_FALSE(engine->Pop3Client().Connected());
        EXPECT_EQ(engine->SmtpClient().State(), smtpReady);
        EXPECT_FALSE(engine->SmtpClient().Connected());
    }

    // SIEVRA_FAULT_MATRIX_VERBOSE=1 shows what each faulty pass logged and said.
    static void Show(const QString& lines, const FaultyPeer& peer) {
        if (qEnvironmentVariableIsEmpty("SIEVRA_FAULT_MATRIX_VERBOSE")) {
            return;
        }
        std::cout << lines.toStdString() << "\n";
        if (peer.Server() != nullptr) {
            std::cout << peer.Server()->Dialogue().toStdString() << "\n";
        }
    }

    static void ExpectScriptPlayed(const FaultyPeer& peer) {
        if (peer.Server() != nullptr && peer.ScriptMustPlay()) {
            EXPECT_TRUE(WaitFor([&] { return bool(peer.Server()->ScriptPlayed()); }, 3000))
                << peer.Server()->ScriptPlayed().message();
        }
    }

    // The next pass runs against the real servers: a fresh mailbox with a friend's message
    // and a stranger's. It must end without an error and serve everything still queued.
    void HealthyPassServesTheQueue(Account& account) {
        const QStringList queued = QueuedAddresses(account.KeyName);
        const QString user = QStringLiteral("healthy%1").arg(++healthyUsers_);
        pop->AddUser(user, user + QStringLiteral("-pw"));
        pop->AddMessages(
            user, {Mail("Friend <friend@example.org>", "hello"), Mail("late@bad.example", "spam")});
        account.Pop3Port = QString::number(pop->Pop3Port());
        account.Pop3User = user;
        account.Pop3Password = user + QStringLiteral("-pw");
        account.SmtpPort = QString::number(smtp->Port());
        account.RequiresAuth = false;
        window.Options.TimeoutSecondMs = 1000;
        const int before = static_cast<int>(smtp->Messages().size());
        window.SawGoDisabled = false;

        PressGo();
        ExpectIdle();
        EXPECT_EQ(window.PlainLines().last(), "RESULTS: 1 waiting. 1 deleted. 0 Error(s)")
            << window.PlainLines().join("\n").toStdString();
        EXPECT_TRUE(QueuedAddresses(account.KeyName).isEmpty());
        const QStringList expected = Sorted(queued + QStringList{"late@bad.example"});
        EXPECT_TRUE(smtp->WaitForMessages(before + static_cast<int>(expected.size())));
        QStringList recipients;
        for (const ReceivedMail& mail : MailsSince(before)) {
            recipients += mail.RcptTos;
        }
        EXPECT_EQ(Sorted(recipients), expected);
        const QList<QByteArray> left = pop->Messages(user);
        ASSERT_EQ(left.size(), 1);
        EXPECT_TRUE(left[0].contains("Subject: hello"));
    }

private:
    static int healthyUsers_;
};

int FaultMatrix::healthyUsers_ = 0;

// ---- POP3: a scripted server misbehaves; replies cannot go out in that pass (nothing listens
// on the SMTP port), so every reply owed must wait in the queue.

class Pop3FaultMatrix : public FaultMatrix {};

TEST_P(Pop3FaultMatrix, NothingAcceptedIsDeletedAndNoReplyIsLost) {
    const Scenario& scenario = GetParam();
    ++pop3Scenarios;
    FaultyPop3Server server(scenario.step, scenario.fault, scenario.pipelined);
    Account account = MakeAccount(FaultyPop3Server::User);
    account.Pop3Port = server.PortText();
    account.Pop3Password = FaultyPop3Server::Password;
    account.CodeWords = FaultyPop3Server::CodeWords;
    account.Hints = Hints;
    account.SmtpPort = QString::number(FreeLoopbackPort());
    account.Pop3Timeout = 30;
    Account& screened = window.AddAccount(account);
    SeedQueue(screened.KeyName, "old@bad.example");
    window.Options.TimeoutSecondMs = FaultyPassSecondMs;

    PressGo();
    ExpectIdle();
    const QString lines = window.PlainLines().join("\n");
    Show(lines, server);
    if (server.Server() != nullptr) {
        for (const QByteArray& line : server.Server()->ReceivedLines(0)) {
            if (line.startsWith("DELE ")) {
                EXPECT_FALSE(FaultyPop3Server::Accepted(line.mid(5).toInt()))
                    << "asked to delete an accepted message: " << line.toStdString() << "\n"
                    << lines.toStdString();
            }
        }
    }
    for (const int message : server.DeletedOnServer()) {
        EXPECT_FALSE(FaultyPop3Server::Accepted(message));
    }
    // A broken window ends the session without QUIT: the server deletes nothing, and a reply
    // is owed only for what it deleted.
    QStringList owed = {"old@bad.example"};
    const bool counted = !scenario.pipelined || server.QuitAcknowledged();
    for (const int message : counted ? server.DeletesAcknowledged() : QList<int>{}) {
        owed.append(FaultyPop3Server::ReplyAddress(message));
    }
    EXPECT_EQ(Sorted(QueuedAddresses(screened.KeyName)), Sorted(owed)) << lines.toStdString();
    ExpectScriptPlayed(server);

    HealthyPassServesTheQueue(screened);
}

QList<Scenario> Pop3Scenarios() {
    QList<Scenario> scenarios;
    for (const DialogueStep& step : FaultyPop3Server::Steps()) {
        for (const Fault fault : AllFaults) {
            scenarios.append({step, fault});
        }
    }
    // The pipelined windows: each fault at the first, a middle and the last TOP, and at the
    // first and last DELE (messages 1 and 3 are the rejected ones).
    using K = DialogueStep;
    for (const DialogueStep step :
         {DialogueStep{K::Top, 1}, DialogueStep{K::Top, 2}, DialogueStep{K::Top, 4},
          DialogueStep{K::Dele, 1}, DialogueStep{K::Dele, 3}}) {
        for (const Fault fault : AllFaults) {
            scenarios.append({step, fault, true, true});
        }
    }
    return scenarios;
}

INSTANTIATE_TEST_SUITE_P(EveryStep, Pop3FaultMatrix, testing::ValuesIn(Pop3Scenarios()),
                         ScenarioName);

// ---- SMTP: the mailbox is on the real POP3 server; the scripted SMTP server misbehaves
// while two replies are owed, one from an earlier pass and one from this pass.

class SmtpFaultMatrix : public FaultMatrix {};

TEST_P(SmtpFaultMatrix, NothingAcceptedIsDeletedAndNoReplyIsLost) {
    const Scenario& scenario = GetParam();
    ++smtpScenarios;
    FaultySmtpServer server = scenario.pipelined ? FaultySmtpServer(scenario.fault)
                                                 : FaultySmtpServer(scenario.auth, Replies,
                                                                    scenario.step, scenario.fault);
    Account& account = AddMailbox(
        {Mail("Friend <friend@example.org>", "hello"), Mail("new@bad.example", "spam")}, Hints);
    account.SmtpPort = server.PortText();
    account.RequiresAuth = scenario.auth;
    account.SmtpUser = FaultySmtpServer::User;
    account.SmtpPassword = FaultySmtpServer::Password;
    account.Pop3Timeout = 30;
    account.SmtpTimeout = 30;
    SeedQueue(account.KeyName, "old@bad.example");
    window.Options.TimeoutSecondMs = FaultyPassSecondMs;

    PressGo();
    ExpectIdle();
    const QString lines = window.PlainLines().join("\n");
    Show(lines, server);
    const QList<QByteArray> left = pop->Messages(account.Pop3User);
    ASSERT_EQ(left.size(), 1) << lines.toStdString();
    EXPECT_TRUE(left[0].contains("Subject: hello"));
    const QStringList owed = {"new@bad.example", "old@bad.example"};
    const QStringList served = server.Served();
    const QStringList queued = QueuedAddresses(account.KeyName);
    for (const QString& address : owed) {
        if (!served.contains(address)) {
            EXPECT_TRUE(queued.contains(address)) << address.toStdString() << " lost\n"
                                                  << lines.toStdString();
        }
    }
    for (const QString& address : queued) {
        EXPECT_TRUE(owed.contains(address)) << address.toStdString();
    }
    ExpectScriptPlayed(server);
    if (scenario.pipelined) {
        EXPECT_EQ(server.Server()->ReceivedLines(0).count("."), 1)
            << "the second reply must get no text once the session fails";
    }

    HealthyPassServesTheQueue(account);
}

QList<Scenario> SmtpScenarios() {
    const bool full = qEnvironmentVariable("SIEVRA_FAULT_MATRIX") == QLatin1String("full");
    QList<Scenario> scenarios;
    for (const DialogueStep& step : FaultySmtpServer::Steps(true, Replies, TextLines)) {
        const bool sampled = step.kind != DialogueStep::TextLine || step.message == 1 ||
                             step.line == 1 || step.line == TextLines;
        if (!full && !sampled) {
            continue;
        }
        for (const Fault fault : AllFaults) {
            scenarios.append({step, fault});
        }
    }
    for (const Fault fault : AllFaults) {
        scenarios.append({{DialogueStep::Helo}, fault, false});
        // The second reply's commands are on the wire when the first one's end fails.
        scenarios.append({{DialogueStep::Dot, 1}, fault, false, true});
    }
    return scenarios;
}

INSTANTIATE_TEST_SUITE_P(EveryStep, SmtpFaultMatrix, testing::ValuesIn(SmtpScenarios()),
                         ScenarioName);

// ---- What a fault leaves behind for the pass after it.

class AfterAFault : public EngineFixture {};

// A connect that timed out is aborted; its late completion must not end the connect of the
// next pass, which may start before the event loop has run in between (tests, the tray's
// "Check EMail Now" queued behind a pass).
TEST_F(AfterAFault, LateCompletionOfATimedOutConnectDoesNotFailTheNextPass) {
    UnansweredPort unanswered;
    Account& account = AddMailbox({Mail("Friend <friend@example.org>", "hello")});
    const QString goodPort = account.Pop3Port;
    account.Pop3Port = QString::number(unanswered.Port());
    account.Pop3Timeout = 30;
    window.Options.TimeoutSecondMs = FaultyPassSecondMs;
    ASSERT_TRUE(engine->StartScreening());
    ASSERT_TRUE(window.HasLine("Error 0: Timeout")) << window.PlainLines().join("\n").toStdString();

    account.Pop3Port = goodPort;
    window.Options.TimeoutSecondMs = 1000;
    ASSERT_TRUE(engine->StartScreening());
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: 1 waiting. 0 deleted. 0 Error(s)")
        << window.PlainLines().join("\n").toStdString();
}

// The same within one run: the connection test goes from an account whose server never
// answered straight on to the next account's connect.
TEST_F(AfterAFault, ConnectionTestBlamesOnlyTheAccountThatTimedOut) {
    UnansweredPort unanswered;
    Account& down = AddMailbox({});
    down.Pop3Port = QString::number(unanswered.Port());
    down.Pop3Timeout = 30;
    down.Pop3Tested = false;
    Account& up = AddMailbox({});
    up.Pop3Tested = false;
    window.Options.TimeoutSecondMs = FaultyPassSecondMs;
    EXPECT_FALSE(engine->StartScreening());
    EXPECT_FALSE(down.Pop3Tested);
    EXPECT_TRUE(up.Pop3Tested) << window.PlainLines().join("\n").toStdString();
}

} // namespace

namespace {

// A message is not a server fault: one whose header holds a line longer than the receive
// buffer (mail from bad software, or made to jam the filter) must not keep every later pass
// from screening the mailbox.
TEST_F(AfterAFault, HeaderLineLongerThanTheBufferDoesNotJamTheMailbox) {
    const QString longLine = "X-Padding: " + QString(6000, 'x');
    Account& account = AddMailbox({Mail("Friend <friend@example.org>", "hello", {longLine}),
                                   Mail("spam@bad.example", "buy now", {longLine}),
                                   Mail("other@bad.example", "cheap")},
                                  "a hint|");
    ASSERT_TRUE(engine->StartScreening());
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: 1 waiting. 2 deleted. 0 Error(s)")
        << window.PlainLines().join("\n").toStdString();
    const QList<QByteArray> left = pop->Messages(account.Pop3User);
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left[0].contains("Subject: hello"));
}

} // namespace
