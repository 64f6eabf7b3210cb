#include "engine/AcceptanceRules.h"

#include "addressbook/StatusOutput.h"
#include "engine/SenderLearning.h"
#include "settings/JoinedList.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <QDir>
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
    // Read as mail writes them, the comment form, the blank inside the brackets and the folded
    // field all name the contact; with two From fields the first still counts.
    EXPECT_EQ(decisions, QList<bool>({true, true, true, true, true, false, true, false}));
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
    EXPECT_EQ(decisions, QList<bool>({true, true, true, false, false, true, false}));
}

struct HeaderSample {
    const char* What;
    QStringList Lines;
    bool Accepted;
    QString ReplyAddress; // as the pass would queue it, before the validity checks
};

// Headers as mail programs write them every day; the raw rule lost all of the first five.
TEST_F(Acceptance, HeaderSamplesAsMailWritesThem) {
    const QString longName = QString("x").repeated(900);
    const HeaderSample samples[] = {
        {"encoded subject",
         {"From: x@spam.biz", "Subject: =?utf-8?b?R3LDvMOfZSDigJMgYmFuYW5hIGJyZWFk?="},
         true,
         "x@spam.biz"},
        {"folded subject",
         {"From: x@spam.biz", "Subject: Grüße und", "\tein Banana-Brot"},
         true,
         "x@spam.biz"},
        {"folded From", {"From: =?utf-8?b?TWFtYQ==?=", " <anna.berg@example.org>"}, true, ""},
        {"comment form", {"From: anna.berg@example.org (Anna)"}, true, ""},
        {"brackets in the name", {"From: \"Anna <home>\" <anna.berg@example.org>"}, true, ""},
        {"ISO-8859-1 words",
         {"From: x@spam.biz", "Subject: =?ISO-8859-1?Q?Gr=FC=DFe_und_Banana?="},
         true,
         "x@spam.biz"},
        {"KOI8-R around the word",
         {"From: x@spam.biz", "Subject: =?koi8-r?b?8NLJ18XU?= BANANA"},
         true,
         "x@spam.biz"},
        {"malformed word", {"From: x@spam.biz", "Subject: =?utf-8?x?YmFuYW5h?="}, false, ""},
        {"long folded From",
         {"From: \"" + longName + "\"", "  ", "\t<Anna.Berg@Example.org>"},
         true,
         ""},
        {"duplicate From",
         {"From: x@spam.biz", "From: anna.berg@example.org", "Return-Path: <x@spam.biz>"},
         false,
         "x@spam.biz"},
        {"group", {"From: Family: someone@else.org, anna.berg@example.org;"}, true, ""},
        {"IDN in ASCII form", {"From: Jose <josé@xn--exmple-cua.org>"}, true, ""},
        {"Reply-To parsed",
         {"From: x@spam.biz", "Reply-To: \"Shop <sales>\"", " <sales@shop.example>",
          "Return-Path: <bounce@shop.example>"},
         false,
         "sales@shop.example"},
        {"IDN reply",
         {"From: x@spam.biz", "Reply-To: info@bücher.example"},
         false,
         "info@xn--bcher-kva.example"},
        {"CR in an encoded name",
         {"From: x@spam.biz", "Reply-To: =?utf-8?q?a=0D=0AX-Evil=3A_1?= <r@spam.biz>"},
         false,
         "r@spam.biz"},
        {"raw CR in the field, left to the engine's refusal",
         {"From: x@spam.biz", "Reply-To: <r\r@spam.biz>"},
         false,
         "r\r@spam.biz"},
        {"empty return path", {"From: x@spam.biz", "Return-Path: <>"}, false, ""},
        {"unparseable From", {"From: <<<", "Subject: nothing"}, false, ""},
    };
    for (const HeaderSample& sample : samples) {
        MessageLists lists;
        const bool accepted = Decide({sample.Lines}, index, "banana|PINEAPPLE|", &lists).front();
        EXPECT_EQ(accepted, sample.Accepted) << sample.What;
        if (!accepted) {
            EXPECT_EQ(lists.ReplyToList.front(), sample.ReplyAddress) << sample.What;
        }
    }
}

TEST_F(Acceptance, ReaderKeepsTheDuplicateForTheRecord) {
    MessageLists lists;
    AppendHeaderValues({"From: a@b.org", "Subject: x", "From: c@d.org"}, lists);
    EXPECT_EQ(lists.FieldsList.front().FromCount, 2);
    EXPECT_EQ(lists.FieldsList.front().From, "a@b.org");
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

// Known senders stay known whatever the subject; only a stranger's code word teaches, and
// only one plain sender.
TEST_F(Acceptance, VerdictSaysWhyAndWhomAMessageTeaches) {
    using enum sievra::Verdict;
    const AddressIndex learned(AddressBook{"carol@x.example"});
    const struct {
        QStringList Lines;
        sievra::Verdict Expected;
        QString Teaches; // when kept by the code word
    } rows[] = {
        {{"From: Bob@example.org", "Subject: banana"}, KnownSender, ""},
        {{"From: Carol <CAROL@x.example>", "Subject: hi"}, LearnedSender, ""},
        {{"From: carol@x.example", "Authentication-Results: mx.home; dmarc=fail "
                                   "header.from=x.example"},
         Rejected,
         ""},
        {{"From: Dave <dave@y.example>", "Subject: Re: banana"}, CodeWord, "dave@y.example"},
        {{"From: dave@y.example (Dave)", "Subject: banana"}, CodeWord, "dave@y.example"},
        {{"From: dave@y.example", "From: eve@z.example", "Subject: banana"}, CodeWord, ""},
        {{"From: dave@y.example, eve@z.example", "Subject: banana"}, CodeWord, ""},
        {{"From: \"d v\"@y.example", "Subject: banana"}, CodeWord, ""},
        {{"From: dave@y.example", "Subject: hello"}, Rejected, ""},
    };
    for (const auto& row : rows) {
        MessageLists lists;
        AppendHeaderValues(row.Lines, lists);
        EXPECT_EQ(JudgeMessage(lists, 0, index, learned, {"banana"}), row.Expected)
            << row.Lines.join('|').toStdString();
        if (row.Expected == CodeWord) {
            EXPECT_EQ(LearnableAddress(lists.FieldsList.front()), row.Teaches)
                << row.Lines.join('|').toStdString();
        }
    }
}

TEST_F(Acceptance, PositionOutsideTheListsIsRefused) {
    MessageLists lists;
    AppendHeaderValues({"From: a@b.org"}, lists);
    EXPECT_THROW(DecideMessage(lists, 1, index, {}), std::out_of_range);
    EXPECT_THROW(DecideMessage(lists, -1, index, {}), std::out_of_range);
}

bool DecideOne(const QStringList& header, HeaderReading reading, const AddressIndex& index,
               const QStringList& codeWords) {
    MessageLists lists;
    AppendHeaderValues(header, lists, reading);
    return DecideMessage(lists, 0, index, codeWords);
}

// The reader may only ever keep more mail: whatever the raw rule accepts, over the fuzz corpus
// and generated one-line headers, with books and code words the raw rule finds in them.
TEST(HeaderReader, KeepsEveryMessageTheRawRuleKeeps) {
    QList<QStringList> headers;
    for (const QFileInfo& file : QDir(SIEVRA_HEADER_CORPUS).entryInfoList(QDir::Files)) {
        QFile in(file.filePath());
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        headers.append(QString::fromUtf8(in.readAll()).split('\n'));
    }
    ASSERT_GE(headers.size(), 6);
    const QStringList froms = {"a@b.org",
                               "<a@b.org>",
                               "A <a@b.org>",
                               "\"A <x>\" <a@b.org>",
                               "a@b.org (A <x>)",
                               "<a@b.org",
                               "a@b.org>",
                               "=?utf-8?q?A?= <a@b.org>",
                               "<>",
                               "",
                               "<<a@b.org>>",
                               "G: a@b.org;",
                               "a@b.org, c@d.org",
                               "\"open <a@b.org>",
                               "(c <x@y.org>) a@b.org",
                               "x > y < z",
                               QString::fromUtf8("josé@exämple.org"),
                               "a@xn--exmple-cua.org",
                               "a\x01@b.org"};
    const QStringList subjects = {"hello",
                                  "=?utf-8?q?hello?=",
                                  "=?utf-8?b?aGVsbG8=?=",
                                  "=?utf-8?q?he?= llo",
                                  "(hello)",
                                  "<hello>",
                                  ""};
    for (const QString& from : froms) {
        for (const QString& subject : subjects) {
            headers.append({"From: " + from, "Subject: " + subject});
        }
    }
    int rawAccepted = 0;
    for (const QStringList& header : headers) {
        MessageLists raw;
        AppendHeaderValues(header, raw, HeaderReading::RawLines);
        const QString cut = ExtractAngleAddress(raw.FromList.front());
        const QString subject = raw.SubjectList.front();
        for (const AddressIndex& index :
             {AddressIndex(header + QStringList{cut}), AddressIndex()}) {
            for (const QStringList& codeWords :
                 {SplitJoined(header.back()), QStringList{subject.mid(1, 3)}, QStringList{}}) {
                const bool before = DecideOne(header, HeaderReading::RawLines, index, codeWords);
                const bool after = DecideOne(header, HeaderReading::Fields, index, codeWords);
                EXPECT_TRUE(after || !before) << header.join("|").toStdString();
                rawAccepted += before ? 1 : 0;
            }
        }
    }
    EXPECT_GT(rawAccepted, headers.size()) << "the raw rule must accept many of them";
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
