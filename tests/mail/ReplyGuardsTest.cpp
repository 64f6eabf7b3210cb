// Automatic-message signs and the receiving server's authentication verdict, on headers as
// real mail carries them.
#include "mail/AuthenticationResults.h"
#include "mail/AutomaticMessage.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

struct SignRow {
    const char* Sample;
    QStringList Lines;
    const char* Expected; // Describe() of the sign, "" for a message a person wrote
};

TEST(AutomaticMessage, SignsInRealHeaders) {
    const SignRow rows[] = {
        {"bounce",
         {"Return-Path: <>", "From: Mail Delivery System <MAILER-DAEMON@mx.example.net>",
          "Subject: Undelivered Mail Returned to Sender", "Auto-Submitted: auto-replied"},
         "automatic message (Auto-Submitted: auto-replied)"},
        {"bounce without marks",
         {"Return-Path: < >", "From: MAILER-DAEMON@mx.example.net"},
         "delivery report (Return-Path: <>)"},
        {"vacation reply, folded and commented",
         {"From: Ann <ann@example.org>", "auto-submitted:", "\tauto-replied (vacation)",
          "Subject: Out of office"},
         "automatic message (Auto-Submitted: auto-replied (vacation))"},
        {"person who says so", {"From: ann@example.org", "Auto-Submitted: No"}, ""},
        {"list message",
         {"From: bob@example.org", "List-Id: Gardening talk <garden.lists.example.org>",
          "List-Post: <mailto:garden@lists.example.org>"},
         "mailing list (List-Id: Gardening talk <garden.lists.example.org>)"},
        {"bulk newsletter",
         {"From: News <news@shop.example>", "Precedence: bulk",
          "List-Unsubscribe: <https://shop.example/u?x=1>"},
         "bulk mail (Precedence: bulk)"},
        {"unsubscribe link alone",
         {"From: news@shop.example", "List-Unsubscribe:", " <mailto:u@shop.example>"},
         "mailing list (List-Unsubscribe: <mailto:u@shop.example>)"},
        {"first-class precedence", {"From: a@example.org", "Precedence: first-class"}, ""},
        {"exchange suppression",
         {"From: a@example.org", "X-Auto-Response-Suppress: All"},
         "automatic message (X-Auto-Response-Suppress: All)"},
        {"no-reply reply address",
         {"From: Shop <shop@example.com>", "Reply-To: <No-Reply@example.com>"},
         "program address (Reply address: No-Reply@example.com)"},
        {"numbered bounce address",
         {"Return-Path: <bounce-mc.123_4@mail.example.com>"},
         "program address (Reply address: bounce-mc.123_4@mail.example.com)"},
        {"ordinary stranger",
         {"Return-Path: <x@spam.example>", "From: x@spam.example", "Subject: Cheap",
          "Received: from a by b", "Precedence:normal"},
         ""},
    };
    for (const SignRow& row : rows) {
        const HeaderFields header(row.Lines);
        const auto sign = FindAutomaticSign(header, ReplyAddressOf(header));
        EXPECT_EQ(sign ? sign->Describe() : QString(), QString::fromUtf8(row.Expected))
            << row.Sample;
    }
}

TEST(AutomaticMessage, ProgramAndOwnAddresses) {
    for (const char* address :
         {"mailer-daemon@x.org", "POSTMASTER", "postmaster+abc@x.org", "donotreply@x.org",
          "do-not-reply@x.org", "noreply.alerts@x.org", "bounces+list=x.org@lists.x.org"}) {
        EXPECT_TRUE(IsProgramAddress(QString::fromLatin1(address))) << address;
    }
    for (const char* address : {"noreplyguy@x.org", "bouncer@x.org", "ann@noreply.org", ""}) {
        EXPECT_FALSE(IsProgramAddress(QString::fromLatin1(address))) << address;
    }
    const QStringList own = {"me@home.example", "work@job.example"};
    EXPECT_EQ(FindOwnAddress("Work@JOB.example", own)->Describe(),
              "own address (Reply address: Work@JOB.example)");
    EXPECT_FALSE(FindOwnAddress("other@job.example", own));
    EXPECT_FALSE(FindOwnAddress("", {""}));
}

TEST(AutomaticMessage, ReplyAddressAndShownValuesAreSafe) {
    EXPECT_EQ(ReplyAddressOf(HeaderFields({"From: a@x.org", "Return-Path: <b@x.org>"})), "b@x.org");
    EXPECT_EQ(ReplyAddressOf(HeaderFields({"From: A <a@x.org>", "Reply-To: ,"})), "a@x.org");
    const auto sign =
        FindAutomaticSign(HeaderFields({"List-Id: " + QString(300, 'x') + "\x01"}), QString());
    ASSERT_TRUE(sign);
    EXPECT_LT(sign->Describe().size(), 120);
    EXPECT_FALSE(sign->Describe().contains(QChar(1)));
}

struct AuthRow {
    const char* Sample;
    QStringList Lines;
    const char* From;
    const char* Expected; // "" when nothing counts against the From domain
};

TEST(AuthenticationResults, TopmostVerdictForTheFromDomain) {
    const AuthRow rows[] = {
        {"dmarc fail",
         {"Authentication-Results: mx.google.com;",
          "       dkim=pass header.i=@spam.example "
          "header.s=s1 header.b=abc;",
          "       spf=pass (google.com: domain of x@spam.example designates 1.2.3.4 as "
          "permitted sender) smtp.mailfrom=x@spam.example;",
          "       dmarc=fail (p=REJECT sp=REJECT dis=NONE) header.from=bank.example"},
         "ceo@bank.example",
         "dmarc=fail"},
        {"dmarc pass",
         {"Authentication-Results: mx.example; dmarc=pass header.from=bank.example"},
         "ceo@bank.example",
         ""},
        {"no dmarc, both fail",
         {"Authentication-Results: mail.example.net 1; spf=fail smtp.mailfrom=bank.example;",
          " dkim=fail (bad signature) header.d=bank.example"},
         "ceo@bank.example",
         "dkim=fail, spf=fail"},
        {"no dmarc, no dkim, spf fail",
         {"Authentication-Results: mx; spf=fail smtp.mailfrom=\"ceo@mail.bank.example\""},
         "ceo@bank.example",
         "spf=fail"},
        {"dkim passes for the domain",
         {"Authentication-Results: mx; spf=fail smtp.mailfrom=bank.example; dkim=pass "
          "header.d=bank.example"},
         "ceo@bank.example",
         ""},
        {"failures about another domain",
         {"Authentication-Results: mx; dmarc=fail header.from=other.example; spf=fail "
          "smtp.mailfrom=other.example"},
         "ceo@bank.example",
         ""},
        {"soft results",
         {"Authentication-Results: mx; spf=softfail; dmarc=temperror; dkim=neutral"},
         "ceo@bank.example",
         ""},
        {"dmarc none falls back to spf and dkim",
         {"Authentication-Results: mx; dmarc=none; dkim=none; spf=fail"},
         "a@b.example",
         "spf=fail"},
        {"only the topmost counts: forged pass below",
         {"Authentication-Results: mx.local; dmarc=fail header.from=bank.example",
          "Authentication-Results: mx.local; dmarc=pass header.from=bank.example"},
         "ceo@bank.example",
         "dmarc=fail"},
        {"only the topmost counts: forged fail below",
         {"Authentication-Results: mx.local; none", "authentication-results: mx.local; dmarc=fail"},
         "ceo@bank.example",
         ""},
        {"comments and quotes hide nothing",
         {"Authentication-Results: mx (dmarc=pass; spf=pass) ; DMARC = FAIL (\"p=none;\" "
          "\\) x) header.from=BANK.example."},
         "ceo@bank.example",
         "dmarc=fail"},
        {"malformed: no authserv-id", {"Authentication-Results: dmarc=fail"}, "a@b.example", ""},
        {"malformed: garbage", {"Authentication-Results: ;;; = ; fail; dmarc="}, "a@b.example", ""},
        {"no From domain", {"Authentication-Results: mx; dmarc=fail"}, "nobody", ""},
    };
    for (const AuthRow& row : rows) {
        const auto reason =
            FindForgedSender(HeaderFields(row.Lines), QString::fromLatin1(row.From));
        EXPECT_EQ(reason.value_or(QString()), QString::fromLatin1(row.Expected)) << row.Sample;
    }
}

TEST(AuthenticationResults, ParsesMethodsResultsAndDomains) {
    EXPECT_EQ(ParseAuthenticationResults(
                  "example.com; dkim/1=pass reason=\"good\" header.i=@Sub.Example.com; "
                  "auth=pass smtp.auth=joe; spf=fail smtp.helo=mx.example.org"),
              (QList<AuthResult>{{"dkim", "pass", "sub.example.com"},
                                 {"auth", "pass", ""},
                                 {"spf", "fail", "mx.example.org"}}));
    EXPECT_TRUE(ParseAuthenticationResults("").isEmpty());
    EXPECT_TRUE(ParseAuthenticationResults("example.com; none").isEmpty());
}

} // namespace
