// The real test servers themselves: if these fail, every end-to-end test would fail for
// reasons that have nothing to do with the product.
#include "tests/support/DovecotServer.h"
#include "tests/support/SmtpSink.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace sievra::test;

namespace {

// A minimal blocking dialogue: sends a line (unless empty) and returns the next reply line.
QByteArray Say(QTcpSocket& s, const QByteArray& line) {
    if (!line.isEmpty()) {
        s.write(line + "\r\n");
    }
    while (!s.canReadLine()) {
        if (!s.waitForReadyRead(10000)) {
            return {};
        }
    }
    return s.readLine().trimmed();
}

QByteArray ReadUntilDot(QTcpSocket& s) {
    QByteArray all;
    for (QByteArray line = Say(s, {}); line != "." && !line.isNull(); line = Say(s, {})) {
        all += line + "\n";
    }
    return all;
}

TEST(Peers, DovecotServesAndDeletesOnQuit) {
    DovecotServer pop;
    pop.AddUser("alice", "alicepw");
    pop.AddMessages("alice", {"From: a@x.org\nSubject: one\n\nbody 1\n",
                              "From: b@x.org\nSubject: two\n\nbody 2\n"});
    QTcpSocket s;
    s.connectToHost("127.0.0.1", pop.Pop3Port());
    ASSERT_TRUE(s.waitForConnected(5000));
    EXPECT_TRUE(Say(s, {}).startsWith("+OK"));
    EXPECT_TRUE(Say(s, "USER alice").startsWith("+OK"));
    EXPECT_TRUE(Say(s, "PASS wrong").startsWith("-ERR"));
    EXPECT_TRUE(Say(s, "USER alice").startsWith("+OK"));
    EXPECT_TRUE(Say(s, "PASS alicepw").startsWith("+OK")) << pop.Log().toStdString();
    EXPECT_TRUE(Say(s, "STAT").startsWith("+OK 2 "));
    EXPECT_TRUE(Say(s, "TOP 2 0").startsWith("+OK"));
    EXPECT_TRUE(ReadUntilDot(s).contains("Subject: two"));
    EXPECT_TRUE(Say(s, "DELE 1").startsWith("+OK"));
    EXPECT_EQ(pop.Messages("alice").size(), 2) << "nothing is deleted before QUIT";
    EXPECT_TRUE(Say(s, "QUIT").startsWith("+OK"));
    s.waitForDisconnected(5000);
    const auto left = pop.Messages("alice");
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left[0].contains("Subject: two"));
}

TEST(Peers, AiosmtpdReceivesAuthenticatesAndRefuses) {
    SmtpSinkOptions options;
    options.AuthUser = "bob";
    options.AuthPassword = "bobpw";
    options.Rejects = {{"gone@x.org", "550 5.1.1 <gone@x.org>: Recipient address rejected"}};
    SmtpSink smtp(options);
    QTcpSocket s;
    s.connectToHost("127.0.0.1", smtp.Port());
    ASSERT_TRUE(s.waitForConnected(5000));
    EXPECT_TRUE(Say(s, {}).startsWith("220"));
    QByteArray line = Say(s, "EHLO test");
    while (line.startsWith("250-")) {
        line = Say(s, {});
    }
    EXPECT_TRUE(Say(s, "AUTH LOGIN").startsWith("334"));
    EXPECT_TRUE(Say(s, QByteArray("bob").toBase64()).startsWith("334"));
    EXPECT_TRUE(Say(s, QByteArray("bobpw").toBase64()).startsWith("235"));
    EXPECT_TRUE(Say(s, "MAIL FROM:<>").startsWith("250"));
    EXPECT_TRUE(Say(s, "RCPT TO:<gone@x.org>").startsWith("550"));
    EXPECT_TRUE(Say(s, "RCPT TO:<ok@x.org>").startsWith("250"));
    EXPECT_TRUE(Say(s, "DATA").startsWith("354"));
    EXPECT_TRUE(Say(s, "Subject: hi\r\n\r\n..dot\r\n.").startsWith("250"));
    ASSERT_TRUE(smtp.WaitForMessages(1));
    const ReceivedMail mail = smtp.Messages().at(0);
    EXPECT_EQ(mail.MailFrom, "<>");
    EXPECT_EQ(mail.RcptTos, QStringList({"ok@x.org"}));
    EXPECT_EQ(mail.Data, "Subject: hi\r\n\r\n.dot\r\n");
    EXPECT_EQ(mail.AuthLogin, "bob");
}

} // namespace
