// What a refused reply means for the queue, and how the server's words are shown.
#include "engine/ReplyRefusal.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(ReplyRefusal, ClassesOfRefusal) {
    using R = RefusalClass;
    const struct {
        quint16 code;
        const char* line;
        bool enhanced;
        RefusalClass expected;
    } rows[] = {
        {550, "550 5.1.1 <a@x>: Recipient address rejected", true, R::Permanent},
        {552, "552 5.2.2 Mailbox full", true, R::Permanent},
        {550, "550 no such user", false, R::Permanent},
        {553, "553 mailbox name not allowed", false, R::Permanent},
        {550, "550 5.7.1 Authentication required", true, R::StopsPhase},
        {550, "550 5.7.1 Authentication required", false, R::Permanent}, // not offered
        {554, "554 5.3.4 Message too big", true, R::StopsPhase},
        {501, "501 5.5.2 Syntax error", false, R::StopsPhase},
        {450, "450 4.1.2 <a@x>: Recipient address rejected: Domain not found", true, R::Temporary},
        {451, "451 4.7.1 Greylisted", true, R::Temporary},
        {452, "452 4.2.2 Mailbox full", true, R::StopsPhase},
        {421, "421 4.3.0 Closing", true, R::StopsPhase},
        {10004, "", true, R::StopsPhase}, // no answer at all: the session broke
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ClassifyRefusal(row.code, QString::fromLatin1(row.line), row.enhanced),
                  row.expected)
            << row.line;
    }
}

TEST(ReplyRefusal, TheServersWordsCleanedAndCut) {
    EXPECT_EQ(ServerSaidLine(QStringLiteral("504 5.5.2 <vm>: Helo command rejected\x01\x1b[31m")),
              QStringLiteral("Server said: 504 5.5.2 <vm>: Helo command rejected[31m"));
    const QString longLine = ServerSaidLine(QString(500, u'x'));
    EXPECT_EQ(longLine.size(), QStringLiteral("Server said: ").size() + 200 + 3);
    EXPECT_TRUE(longLine.endsWith(QStringLiteral("...")));
}

TEST(ReplyRefusal, DeferralCountsLiveBesideTheQueue) {
    IniDocument doc;
    doc.WriteEntry(QStringLiteral("Home"), QStringLiteral("0"), QStringLiteral("a@x.org"));
    DeferralCounts counts;
    counts.Load(doc, QStringLiteral("Home"));
    EXPECT_EQ(counts.Add(QStringLiteral("B@x.org")), 1);
    EXPECT_EQ(counts.Add(QStringLiteral("c@x.org")), 1);
    counts.Store(doc, QStringLiteral("Home"));

    DeferralCounts again;
    again.Load(doc, QStringLiteral("Home"));
    EXPECT_EQ(again.Add(QStringLiteral("b@X.org")), 2) << "addresses compare without case";
    again.Forget(QStringLiteral("c@x.org"));
    again.Store(doc, QStringLiteral("Home"));
    EXPECT_EQ(doc.ReadSection(DeferralCounts::SectionOf(QStringLiteral("Home"))),
              QStringList({"0=2 B@x.org"}));
    EXPECT_EQ(doc.ReadSection(QStringLiteral("Home")), QStringList({"0=a@x.org"}));
}

} // namespace
