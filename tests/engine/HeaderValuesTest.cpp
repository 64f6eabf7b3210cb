#include "engine/HeaderValues.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(ExtractHeaderValue, NameMatchesAtTheLineStartInAnyCase) {
    const QStringList lines = {"Received: from x", "X-From: robot@example.org",
                               "FROM:   anna@example.org  ", "from: second@example.org", ""};
    EXPECT_EQ(ExtractHeaderValue(lines, "From:"), "anna@example.org") << "first match counts";
    EXPECT_EQ(ExtractHeaderValue(lines, "x-from:"), "robot@example.org");
    EXPECT_EQ(ExtractHeaderValue({"From : anna@example.org"}, "From:"), "")
        << "space before the colon";
    EXPECT_EQ(ExtractHeaderValue({" From: anna@example.org"}, "From:"), "");
    EXPECT_EQ(ExtractHeaderValue({"Fro", "From"}, "From:"), "") << "lines shorter than the name";
    EXPECT_EQ(ExtractHeaderValue({}, "From:"), "");
    EXPECT_EQ(ExtractHeaderValue({"Subject:"}, "Subject:"), "");
}

TEST(ExtractHeaderValue, CutsBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(ExtractHeaderValue({QString("Subject:\t \x01Hello  world\x1f\r\x7f")}, "Subject:"),
              QString("Hello  world\x1f\r\x7f"))
        << "code 127 is not cut, so nothing before it is";
    EXPECT_EQ(ExtractHeaderValue({QString("Subject:\t \x01Hello  world \x1f\r")}, "Subject:"),
              "Hello  world");
    // Only codes up to 32 count: a no-break space is kept.
    EXPECT_EQ(ExtractHeaderValue({QString::fromUtf8("Subject: \u00a0x\u00a0 ")}, "Subject:"),
              QString::fromUtf8("\u00a0x\u00a0"));
}

TEST(ExtractHeaderValue, FoldedFieldKeepsOnlyItsFirstLine) {
    const QStringList lines = {"From: \"Anna Berg\"", "  <anna@example.org>", "Subject: hi"};
    EXPECT_EQ(ExtractHeaderValue(lines, "From:"), "\"Anna Berg\"");
}

TEST(ExtractHeaderValue, AccentedNamesFoldLikeAnyOther) {
    const QStringList lines = {QString::fromUtf8("ÉTÉ-Überschrift: warm")};
    EXPECT_EQ(ExtractHeaderValue(lines, QString::fromUtf8("été-überschrift:")), "warm");
}

TEST(ExtractAngleAddress, TakesTheFirstBracketPair) {
    EXPECT_EQ(ExtractAngleAddress("Anna Berg <Anna@Example.org>"), "Anna@Example.org");
    EXPECT_EQ(ExtractAngleAddress("\"a <b>\" <c@d.e>"), "b") << "first < and first >";
    EXPECT_EQ(ExtractAngleAddress("<>"), "");
    EXPECT_EQ(ExtractAngleAddress("x > y < z"), "") << "> before <";
    EXPECT_EQ(ExtractAngleAddress("anna@example.org (Anna)"), "anna@example.org (Anna)");
    EXPECT_EQ(ExtractAngleAddress("<anna@example.org"), "<anna@example.org") << "no >";
    EXPECT_EQ(ExtractAngleAddress("anna>"), "anna>");
    EXPECT_EQ(ExtractAngleAddress(""), "");
}

TEST(AppendHeaderValues, ReplyToElseReturnPath) {
    MessageLists lists;
    AppendHeaderValues({"Return-Path: <bounce@list.org>", "Reply-To: <me@home.org>",
                        "From: A <a@b.org>", "Subject: one"},
                       lists);
    AppendHeaderValues({"Return-path: <bounce@list.org>", "From: a@b.org"}, lists);
    AppendHeaderValues({"reply-to:   \t", "Return-Path: <>", "Subject: failure notice"}, lists);
    AppendHeaderValues({"Subject: nothing else", ""}, lists);

    EXPECT_EQ(lists.FromList, QStringList({"A <a@b.org>", "a@b.org", "", ""}));
    EXPECT_EQ(lists.ReplyToList, QStringList({"<me@home.org>", "<bounce@list.org>", "<>", ""}));
    EXPECT_EQ(lists.SubjectList, QStringList({"one", "", "failure notice", "nothing else"}));
    EXPECT_EQ(ExtractAngleAddress(lists.ReplyToList[2]), "") << "a bounce gets no reply";
}

} // namespace
