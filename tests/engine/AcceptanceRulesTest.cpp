#include "engine/AcceptanceRules.h"

#include "addressbook/StatusOutput.h"
#include "settings/JoinedList.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace sievra;
using test::AddressBookBytes;

namespace {

class NoStatus : public StatusOutput {
public:
    void WriteStatus(const QString& text, bool, bool) override {
        ADD_FAILURE() << text.toStdString();
    }
};

// Each message's header lines, and the decision for each, as the pass makes it.
QList<bool> Decide(const QList<QStringList>& headers, const AddressIndex& index,
                   const QString& joinedCodeWords, MessageLists* out = nullptr) {
    MessageLists lists;
    for (const QStringList& header : headers) {
        AppendHeaderValues(header, lists);
    }
    const QStringList codeWords = SplitJoined(joinedCodeWords);
    QList<bool> decisions;
    for (qsizetype i = 0; i < headers.size(); ++i) {
        decisions.append(DecideMessage(lists, i, index, codeWords));
    }
    if (out) {
        *out = lists;
    }
    return decisions;
}

class Acceptance : public testing::Test {
protected:
    void SetUp() override {
        // The address book comes from a real file, read the way the pass reads it.
        AddressBookBytes bytes;
        for (const char* address :
             {"anna.berg@example.org", "Bob@Example.ORG", "josé@exämple.org"}) {
            bytes.Add(AddressBookBytes::Record(QString::fromUtf8(address), "Contact"));
        }
        const QString path = home.WriteFile("book.wab", bytes.Bytes());
        NoStatus status;
        AddressBook book;
        ASSERT_TRUE(LoadAddressBook(path, status, book));
        index = AddressIndex(book);
    }
    test::TestHome home;
    AddressIndex index;
};

TEST_F(Acceptance, FromAddressIsLookedUpWithoutRegardToCase) {
    const QList<bool> decisions = Decide(
        {
            {"From: \"Anna Berg\" <ANNA.BERG@example.org>", "Subject: hi"},
            {"From: bob@example.org", "Subject: hi"},
            {QString::fromUtf8("From: JOSÉ <JOSÉ@EXÄMPLE.ORG>")},
            {"From: anna.berg@example.org (Anna Berg)", "Subject: hi"},
            {"From: <anna.berg@example.org >"},
            {"Subject: no sender line"},
            {"From: \"Anna Berg\"", "  <anna.berg@example.org>", "Subject: folded"},
            {"From: stranger@spam.biz", "From: anna.berg@example.org", "Subject: two"},
        },
        index, "");
    EXPECT_EQ(decisions, QList<bool>({true, true, true, false, false, false, false, false}));
}

TEST_F(Acceptance, SubjectIsSearchedForCodeWordsOnlyWhenTheAddressFails) {
    const QList<bool> decisions = Decide(
        {
            {"From: x@spam.biz", "Subject: about the PINEAPPLE cake"},
            {"From: x@spam.biz", "Subject: pineapples for sale"},
            {"From: x@spam.biz", "Subject: =?UTF-8?B?cGluZWFwcGxl?="},
            {"From: x@spam.biz", "Subject: "},
            {"From: x@spam.biz", "Subject: kiwi"},
            {"From: anna.berg@example.org (comment)", "Subject: Re: pineapple"},
            {"From: x@spam.biz"},
        },
        index, "Pineapple|kiwi");
    // "kiwi" is the text after the last bar: it is not a code word.
    EXPECT_EQ(decisions, QList<bool>({true, true, false, false, false, true, false}));
}

TEST_F(Acceptance, EmptyCodeWordsNeverMatchAndAccentsFold) {
    EXPECT_FALSE(IsAccepted("x@spam.biz", "anything", index, SplitJoined("||")));
    EXPECT_FALSE(IsAccepted("", "", index, {"x"}));
    EXPECT_TRUE(IsAccepted("x@spam.biz", "a|b", index, SplitJoined("||b|")));
    EXPECT_TRUE(IsAccepted("x@spam.biz", QString::fromUtf8("ÉCOLE d'été"), index,
                           {QString::fromUtf8("école")}));
    EXPECT_FALSE(IsAccepted("x@spam.biz", "ecole", index, {QString::fromUtf8("école")}));
    // Full case mapping: ß upper-cases to SS on both sides.
    EXPECT_TRUE(IsAccepted("x@spam.biz", QString::fromUtf8("Viele GRÜSSE"), index,
                           {QString::fromUtf8("grüße")}));
}

TEST_F(Acceptance, DecidingLeavesTheReplyAddressReady) {
    MessageLists lists;
    Decide({{"From: A <a@b.org>", "Reply-To: List <list@b.org>", "Return-Path: <r@b.org>"},
            {"From: a@b.org", "Return-Path: <>"},
            {"From: a@b.org", "Reply-To:  ", "Return-Path: <r@b.org>"}},
           index, "", &lists);
    EXPECT_EQ(lists.FromList, QStringList({"a@b.org", "a@b.org", "a@b.org"}));
    EXPECT_EQ(lists.ReplyToList, QStringList({"list@b.org", "", "r@b.org"}));
}

TEST_F(Acceptance, PositionOutsideTheListsIsRefused) {
    MessageLists lists;
    AppendHeaderValues({"From: a@b.org"}, lists);
    EXPECT_THROW(DecideMessage(lists, 1, index, {}), std::out_of_range);
    EXPECT_THROW(DecideMessage(lists, -1, index, {}), std::out_of_range);
}

// The index must give the very decisions of comparing the address with every entry in turn.
TEST(AddressIndex, DecidesLikeAScanOfEveryEntry) {
    const AddressBook book = QString::fromUtf8("anna@example.org|ANNA@EXAMPLE.ORG|"
                                               "straße@example.de|ǆemal@example.ba|"
                                               "İstanbul@example.tr|ΣΟΦΙΑ@example.gr|"
                                               "a b@example.org|tab\t@example.org")
                                 .split('|');
    const QStringList candidates =
        QString::fromUtf8("Anna@Example.Org|anna@example.org |STRASSE@EXAMPLE.DE|"
                          "Strasse@example.de|ǅemal@example.ba|Ǆemal@example.ba|"
                          "istanbul@example.tr|i̇stanbul@example.tr|σοφια@example.gr|"
                          "σοφις@example.gr|A B@example.org|tab @example.org||x")
            .split('|');
    const AddressIndex index(book);
    int hits = 0;
    for (const QString& address : candidates) {
        const bool scanned = std::any_of(book.begin(), book.end(), [&](const QString& entry) {
            return entry.toUpper() == address.toUpper();
        });
        EXPECT_EQ(index.Contains(address), scanned) << address.toStdString();
        hits += scanned ? 1 : 0;
    }
    EXPECT_EQ(hits, 7) << "the table must hold hits and misses";
}

// Allowed senders of the domain forms: "@d" that domain only, "*.d" it and all below it.
TEST(AllowedSenders, DomainEntriesAllowTheirDomainOrTheirTree) {
    const AddressIndex index(
        QStringList{"@Partner.example", "*.corp.example", "*.", "@nodot", "jane@x.example"});
    const QList<QPair<QString, bool>> rows = {
        {"anyone@partner.example", true},
        {"Anyone@PARTNER.EXAMPLE", true},
        {"a@sub.partner.example", false},
        {"a@corp.example", true},
        {"a@eu.corp.example", true},
        {"a@x.eu.CORP.example", true},
        {"a@notcorp.example", false},
        {"a@corp.example.evil", false},
        {"a@nodot", false},
        {"jane@x.example", true},
        {"partner.example", false},
        {"x@partner.example.", false},
    };
    for (const auto& [from, accepted] : rows) {
        EXPECT_EQ(IsAccepted(from, QString(), index, {}), accepted) << from.toStdString();
    }
}

} // namespace
