// sievra-pass as a user runs it: a separate process reading the same store, printing the
// status lines and telling with its exit status how the pass went.
#include "settings/ContactSettings.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/TestHome.h"
#include "tests/support/UnansweredPort.h"
#include "tests/support/WaitFor.h"
#include "tools/sievra-pass/ProtocolTrace.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace sievra;
using namespace sievra::test;

namespace {

class SievraPass : public testing::Test {
protected:
    static void SetUpTestSuite() { pop = new DovecotServer(); }
    static void TearDownTestSuite() {
        delete pop;
        pop = nullptr;
    }

    int Run(const QStringList& args = {},
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
            const QString& program = "sievra-pass") {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(BuiltProgram("bin/" + program), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }

    // A store with one tested account screening a fresh mailbox on the test server.
    SettingsKey WriteStore(const QString& user, const QList<QByteArray>& messages) {
        pop->AddUser(user, user + "-pw");
        pop->AddMessages(user, messages);
        AddressBookBytes book;
        book.Add(AddressBookBytes::Record("friend@example.org"));
        auto product = store.OpenKey(ProductKey, true);
        product->WriteText("WAB File", home.WriteFile("book.wab", book.Bytes()));
        auto key = *store.OpenKey(AccountKeyPath("00000001"), true);
        key.WriteFlag("Active", true);
        key.WriteText("Account Name", "Home");
        key.WriteText("POP3 Server", "127.0.0.1");
        key.WriteText("POP3 Port", QString::number(pop->Pop3Port()));
        key.WriteNumber("POP3 Security", 0); // chosen: the test server's STLS is not for it
        key.WriteText("POP3 User Name", user);
        key.WriteText("POP3 Password", EncodePassword(user + "-pw"));
        key.WriteNumber("POP3 Timeout", 60);
        key.WriteFlag("POP3 Tested", true);
        return key;
    }

    static DovecotServer* pop;
    TestHome home;
    SettingsStore store;
    QString out;
    QString err;
};

DovecotServer* SievraPass::pop = nullptr;

TEST_F(SievraPass, CleanPassPrintsPlainLinesAndExitsZero) {
    WriteStore("clean", {"From: friend@example.org\nSubject: hi\n\nx\n",
                         "From: spam@bad.example\nSubject: buy\n\nx\n"});
    EXPECT_EQ(Run(), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("Connecting to 127.0.0.1\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("RESULTS: 1 waiting. 1 deleted. 0 Error(s)\n"));
    EXPECT_FALSE(out.contains("<")) << "no markup on a pipe";
    EXPECT_FALSE(out.contains("\x1b")) << "no colours on a pipe";
    EXPECT_EQ(pop->Messages("clean").size(), 1);
}

// --dry-run previews whatever the store says; sievra-history then reads and acts on the record.
TEST_F(SievraPass, DryRunIsRecordedAndTheHistoryToolReadsIt) {
    WriteStore("dry", {"From: friend@example.org\nSubject: hi\n\nx\n",
                       "From: =?UTF-8?Q?Sp=C3=A4m?= <spam@bad.example>\n"
                       "Subject: =?UTF-8?Q?K=C3=A4se?=\n\nx\n"});
    EXPECT_EQ(Run({"--dry-run"}), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("1 would be deleted (preview)")) << out.toStdString();
    EXPECT_EQ(pop->Messages("dry").size(), 2);

    const auto history = [&](const QStringList& args) {
        return Run(args, QProcessEnvironment::systemEnvironment(), "sievra-history");
    };
    ASSERT_EQ(history({"list", "--would-delete", "--account", "Home"}), 0) << err.toStdString();
    const QStringList rows = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2) << out.toStdString();
    EXPECT_EQ(rows[1].indexOf("would delete"), rows[0].indexOf("DECISION")) << "aligned";
    EXPECT_TRUE(rows[1].contains(QString::fromUtf8("Späm <spam@bad.example>")));
    EXPECT_TRUE(rows[1].endsWith(QString::fromUtf8("Käse")));
    const QString id = rows[1].section(' ', 0, 0);

    ASSERT_EQ(history({"list", "--json"}), 0);
    EXPECT_EQ(out.count("\"decision\""), 2);
    ASSERT_EQ(history({"show", id}), 0);
    EXPECT_TRUE(out.contains(QRegularExpression("\nWhy: +no match\n"))) << out.toStdString();
    EXPECT_TRUE(out.contains("Subject: =?UTF-8?Q?K=C3=A4se?=")) << "the header as read";
    ASSERT_EQ(history({"allow", id}), 0) << err.toStdString();
    EXPECT_TRUE(LoadAllowedSenders(store).contains("spam@bad.example"));

    EXPECT_EQ(history({"restore", id}), 4) << "a preview kept no copy";
    EXPECT_TRUE(err.contains("has no kept copy to restore")) << err.toStdString();
    EXPECT_EQ(history({"restore", "999"}), 1);
    EXPECT_EQ(history({"restore"}), 2);
    EXPECT_EQ(history({"show", "999"}), 1);
    EXPECT_EQ(history({"list", "--since", "yesterday"}), 2);
    EXPECT_EQ(history({"purge", "--all"}), 0);
    history({"list"});
    EXPECT_EQ(out.count('\n'), 1) << out.toStdString();
}

// Killed while it copies and deletes: never a deleted message without its copy, and the pass
// after the kills leaves exactly one copy of each deleted message.
TEST_F(SievraPass, KilledDuringCopiesLosesNothingAndDoublesNothing) {
    QList<QByteArray> spam;
    for (int i = 0; i < 60; ++i) {
        spam << "From: spam@bad.example\nSubject: n" + QByteArray::number(i) + "\n\n" +
                    QByteArray(3000, 'x') + "\n";
    }
    WriteStore("killed", spam);
    const QDir copies(home.DataHome() + "/sievra/quarantine/00000001/new");
    const auto copiedSubjects = [&] {
        QStringList subjects;
        for (const QString& name : copies.entryList(QDir::Files)) {
            QFile file(copies.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            subjects
                << QString::fromUtf8(file.readAll()).section("Subject: ", 1).section('\n', 0, 0);
        }
        return subjects;
    };
    for (const int delayMs : {60, 150, 300, 600}) {
        QProcess pass;
        pass.start(BuiltProgram("bin/sievra-pass"), {});
        ASSERT_TRUE(pass.waitForStarted(10000));
        QThread::msleep(static_cast<unsigned long>(delayMs));
        ::kill(static_cast<pid_t>(pass.processId()), SIGKILL);
        ASSERT_TRUE(pass.waitForFinished(10000));
        QStringList left;
        for (const QByteArray& message : pop->Messages("killed")) {
            left << QString::fromUtf8(message).section("Subject: ", 1).section('\n', 0, 0);
        }
        const QStringList copied = copiedSubjects();
        for (int i = 0; i < 60; ++i) {
            const QString subject = "n" + QString::number(i);
            EXPECT_TRUE(left.contains(subject) || copied.contains(subject))
                << subject.toStdString() << " gone without a copy after a kill at " << delayMs;
        }
    }
    EXPECT_EQ(Run(), 0) << out.toStdString();
    EXPECT_TRUE(pop->Messages("killed").isEmpty());
    QStringList copied = copiedSubjects();
    EXPECT_EQ(copied.size(), 60);
    copied.removeDuplicates();
    EXPECT_EQ(copied.size(), 60) << "a message copied twice";
}

// A stranger who used the code word is remembered by sievra-pass; sievra-history lists,
// forgets and allows the remembered senders.
TEST_F(SievraPass, RememberedSendersAreListedForgottenAndAllowed) {
    WriteStore("learn", {"From: Anna <anna@x.example>\nSubject: pineapple\n\nx\n",
                         "From: bob@y.example\nSubject: Re: Pineapple\n\nx\n"});
    store.OpenKey(AccountKeyPath("00000001") + "\\Code Words", true)->WriteText("1", "pineapple|");
    EXPECT_EQ(Run(), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("Remembered anna@x.example (code word)\n")) << out.toStdString();
    const auto history = [&](const QStringList& args) {
        return Run(args, QProcessEnvironment::systemEnvironment(), "sievra-history");
    };
    ASSERT_EQ(history({"learned", "--account", "1"}), 0) << err.toStdString();
    const QStringList rows = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3) << out.toStdString();
    EXPECT_TRUE(rows[1].startsWith("Home ")) << rows[1].toStdString();
    EXPECT_EQ(rows[1].indexOf("anna@x.example"), rows[0].indexOf("ADDRESS")) << "aligned";
    EXPECT_TRUE(rows[1].endsWith("pineapple"));

    EXPECT_EQ(history({"forget", "bob@y.example"}), 0);
    EXPECT_EQ(history({"forget", "bob@y.example"}), 1) << "forgotten already";
    EXPECT_EQ(history({"forget", "bob"}), 2);
    EXPECT_EQ(history({"allow", "ANNA@x.example"}), 0) << err.toStdString();
    EXPECT_EQ(LoadAllowedSenders(store), QStringList{"anna@x.example"});
    history({"learned"});
    EXPECT_EQ(out.count('\n'), 1) << out.toStdString();
}

TEST_F(SievraPass, ErrorLinesGiveOne) {
    WriteStore("errors", {});
    store.OpenKey(ProductKey)->WriteText("WAB File", home.Path() + "/missing.wab");
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(out.contains("Error: Unable to load address book.")) << out.toStdString();
}

TEST_F(SievraPass, CouldNotStartGivesTwo) {
    EXPECT_EQ(Run(), 2) << "no accounts at all";
    EXPECT_TRUE(err.contains("No accounts found! Unable to initialize Sievra."));

    SettingsKey key = WriteStore("nopass", {});
    key.WriteText("POP3 Password", "");
    EXPECT_EQ(Run(), 2);
    EXPECT_TRUE(err.contains("Account \"Home\" needs a password.")) << err.toStdString();

    key.WriteText("POP3 Password", EncodePassword("wrong"));
    key.WriteFlag("POP3 Tested", false);
    EXPECT_EQ(Run(), 2);
    EXPECT_TRUE(out.contains("Testing...")) << out.toStdString();
    EXPECT_TRUE(out.contains("Error 500: POP3 error while giving password"));
    EXPECT_TRUE(err.contains("failed to pass a connection test"));

    key.WriteText("POP3 Password", "not\nbase64");
    EXPECT_EQ(Run(), 2);
    EXPECT_TRUE(err.contains("Invalid Base64 Character"));
}

// The first pass is held in its reply phase by an SMTP server that never answers; a second
// pass over the same mailbox meanwhile leaves it alone and says so.
TEST_F(SievraPass, SecondPassOverABusyMailboxSkipsWithThree) {
    SettingsKey key = WriteStore(
        "busy", {"From: spam@bad.example\nReply-To: spam@bad.example\nSubject: buy\n\nx\n"});
    UnansweredPort smtp;
    const QString hints = AccountKeyPath("00000001") + "\\" + HintsSubkey;
    store.OpenKey(hints, true)->WriteText("1", "a fruit|");
    key.WriteText("SMTP Server", "127.0.0.1");
    key.WriteText("SMTP Port", QString::number(smtp.Port()));
    key.WriteText("SMTP EMail Address", "me@example.org");
    key.WriteFlag("SMTP Tested", true);

    QProcess first;
    first.start(BuiltProgram("bin/sievra-pass"));
    QString firstOut;
    ASSERT_TRUE(WaitFor(
        [&] {
            firstOut += QString::fromUtf8(first.readAllStandardOutput());
            return firstOut.contains("Disconnecting from POP server..");
        },
        30000))
        << firstOut.toStdString();

    EXPECT_EQ(Run(), 3) << out.toStdString();
    EXPECT_TRUE(out.contains("Skipping \"Home\": another Sievra program is screening it.\n"));
    EXPECT_FALSE(out.contains("Connecting to")) << out.toStdString();
    EXPECT_TRUE(out.contains("RESULTS: No messages. 0 Error(s)"));

    // A holder that dies (here killed while it waits for the server) takes its lock along.
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_TRUE(pop->Messages("busy").isEmpty());

    ASSERT_TRUE(store.DeleteKey(hints));
    EXPECT_EQ(Run(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("Connecting to 127.0.0.1"));
}

TEST_F(SievraPass, ALockThatCannotBeMadeIsAnErrorAndTouchesNothing) {
    WriteStore("nolock", {"From: spam@bad.example\nSubject: buy\n\nx\n"});
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", home.Path().toUtf8());
    home.WriteFile("sievra", "a file where the lock folder belongs");
    const int status = Run();
    qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(out.contains("Error: Cannot lock " + home.Path() + "/sievra/pass-"))
        << out.toStdString();
    EXPECT_EQ(pop->Messages("nolock").size(), 1);
}

// A keyring that cannot be reached costs only the account whose password lives there: its
// error line says why and its mail stays; the other account is screened.
TEST_F(SievraPass, AnUnreachableKeyringSkipsOnlyItsAccount) {
    const QByteArray spam = "From: spam@bad.example\nSubject: buy\n\nx\n";
    WriteStore("reachable", {spam});
    pop->AddUser("locked", "locked-pw");
    pop->AddMessages("locked", {spam});
    auto key = *store.OpenKey(AccountKeyPath("00000002"), true);
    key.WriteFlag("Active", true);
    key.WriteText("Account Name", "Locked");
    key.WriteText("POP3 Server", "127.0.0.1");
    key.WriteText("POP3 Port", QString::number(pop->Pop3Port()));
    key.WriteText("POP3 User Name", "locked");
    key.WriteNumber("POP3 Security", 0);
    key.WriteFlag("POP3 Password In Keyring", true);
    key.WriteFlag("POP3 Tested", true);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.Path() + "/no-bus");
    EXPECT_EQ(Run({}, env), 1) << err.toStdString();
    EXPECT_TRUE(out.contains("Error: Account \"Locked\" skipped. The desktop keyring could not "
                             "be reached"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("RESULTS: 0 waiting. 1 deleted. 1 Error(s)")) << out.toStdString();
    EXPECT_EQ(pop->Messages("reachable").size(), 0);
    EXPECT_EQ(pop->Messages("locked").size(), 1);
    EXPECT_TRUE(key.ReadFlag("POP3 Password In Keyring"));
}

// The server's own words for a refused login, without the password that was refused.
TEST_F(SievraPass, TraceShowsTheServersReasonWithThePasswordMasked) {
    SettingsKey key = WriteStore("traced", {});
    key.WriteText("POP3 Password", EncodePassword("wrong-secret"));
    EXPECT_EQ(Run({"--trace"}), 1);
    EXPECT_TRUE(err.contains("pop3: > USER traced\n")) << err.toStdString();
    EXPECT_TRUE(err.contains("pop3: > PASS ********\n"));
    EXPECT_TRUE(err.contains("pop3: < -ERR [AUTH] ")) << "dovecot's own refusal";
    EXPECT_FALSE(err.contains("wrong-secret"));
    EXPECT_FALSE(out.contains("pop3: ")) << "the status lines stay as they are";
}

TEST(ProtocolTrace, MasksThePasswordAndTheWholeAuthExchange) {
    ProtocolTrace trace;
    const struct {
        const char* line;
        const char* shown;
    } rows[] = {
        {"> USER alice", "> USER alice"},
        {"> PASS pass word", "> PASS ********"},
        {"> pass lower", "> PASS ********"},
        {"< -ERR [AUTH] Authentication failed.", "< -ERR [AUTH] Authentication failed."},
        {"> AUTH LOGIN", "> AUTH LOGIN"},
        {"< 334 VXNlcm5hbWU6", "< 334 VXNlcm5hbWU6"},
        {"> YWxpY2U=", "> ********"},
        {"< 334 UGFzc3dvcmQ6", "< 334 UGFzc3dvcmQ6"},
        {"> c2VjcmV0", "> ********"},
        {"< 535 5.7.8 Authentication credentials invalid",
         "< 535 5.7.8 Authentication credentials invalid"},
        {"> MAIL FROM:<a@example.org>", "> MAIL FROM:<a@example.org>"},
        {"> AUTH PLAIN AGFsaWNlAHNlY3JldA==", "> AUTH PLAIN ********"},
        {"< 235 ok", "< 235 ok"},
        {"> QUIT", "> QUIT"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(trace.Mask(QString::fromLatin1(row.line)), QString::fromLatin1(row.shown))
            << row.line;
    }
}

TEST_F(SievraPass, OptionsAreOnlyHelpAndVersion) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(out.startsWith("Usage: sievra-pass"));
    EXPECT_TRUE(out.contains("--trace"));
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out, "sievra-pass 1.0.1\n");
    EXPECT_EQ(Run({"--frobnicate"}), 2);
}

} // namespace
