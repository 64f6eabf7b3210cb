#include "WindowFixture.h"
#include "engine/ScreeningEngine.h"
#include "history/HistoryDatabase.h"
#include "history/LearnedSenders.h"
#include "widgets/EditListBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using namespace sievra;

namespace {

const QString Codes = AccountKeyPath("00000001") + "\\Code Words";
const QString Hints = AccountKeyPath("00000001") + "\\Hints";

class CodeWordsTest : public test::WindowFixture {
protected:
    void SetUp() override { WriteStandardStore(); }
    void Open() {
        ASSERT_TRUE(OpenWindow());
        Select({"Settings", "Home", "Code Words"});
        codes = Find<EditListBox>("lstCodes");
        hints = Find<EditListBox>("lstHints");
    }
    // Adds an entry with the button and types its text.
    void AddWithButton(const QString& button, EditListBox* list, const QString& text) {
        Click(button);
        ASSERT_TRUE(list->IsEditing());
        QTest::keyClick(list->Editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(list->Editor(), text);
        QTest::keyClick(list->Editor(), Qt::Key_Return);
    }
    QStringList StoredNames(const QString& keyPath) {
        SettingsStore reader(home.StorePath());
        QStringList names;
        for (const StoredValue& v : reader.OpenKey(keyPath)->Values()) {
            names.append(v.Name);
        }
        return names;
    }
    bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }

    EditListBox* codes = nullptr;
    EditListBox* hints = nullptr;
};

TEST_F(CodeWordsTest, TwoEntriesAreOneValueAndTheRecordsJoinedText) {
    Open();
    AddWithButton("butAdd", codes, "alpha");
    AddWithButton("butAdd", codes, "beta");
    Leave();
    EXPECT_EQ(StoredNames(Codes), QStringList({"1"}));
    EXPECT_EQ(Stored(Codes, "1")->Text, "alpha|beta|");
    EXPECT_EQ(window->Accounts().at(0)->CodeWords, "alpha|beta|");
    EXPECT_FALSE(codes->IsModified());
}

TEST_F(CodeWordsTest, DeletingEveryEntryDeletesEveryValue) {
    auto key = *store->OpenKey(Codes);
    key.WriteText("1", "alpha|beta|");
    key.WriteText("2", "gamma|");
    Open();
    EXPECT_EQ(codes->Entries(), QStringList({"alpha", "beta", "gamma"}));
    codes->setFocus();
    codes->SelectIndex(0);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(codes, Qt::Key_Delete);
    }
    Leave();
    EXPECT_TRUE(StoredNames(Codes).isEmpty());
    EXPECT_EQ(window->Accounts().at(0)->CodeWords, "");
}

// Esc after Add leaves nothing behind; a "|" (the joined list's separator) or a duplicate that
// differs only by case is refused with the reason, and nothing of it reaches the store.
TEST_F(CodeWordsTest, EscAfterAddAndRefusedEntriesLeaveNothingBehind) {
    Open();
    Click("butAdd");
    ASSERT_TRUE(codes->IsEditing());
    QTest::keyClick(codes->Editor(), Qt::Key_Escape);
    EXPECT_TRUE(codes->Entries().isEmpty());
    AddWithButton("butAdd", codes, "  Alpha ");
    AddWithButton("butAdd", codes, "a|pipe");
    AddWithButton("butAdd", codes, "ALPHA");
    AddWithButton("butAddHint", hints, "use|no");
    Leave();
    EXPECT_EQ(codes->Entries(), QStringList({"Alpha"}));
    EXPECT_EQ(Stored(Codes, "1")->Text, "Alpha|");
    EXPECT_TRUE(StoredNames(Hints).isEmpty());
    ASSERT_EQ(dialogs.Warnings.size(), 3);
    EXPECT_TRUE(dialogs.Warnings[0].contains("cannot contain \"|\""));
    EXPECT_TRUE(dialogs.Warnings[1].contains("already in the list"));
    EXPECT_TRUE(dialogs.Warnings[2].startsWith("A hint cannot contain"));
}

TEST_F(CodeWordsTest, DeleteButtonSelectsTheFirstAndDeleteKeyTheNewLast) {
    store->OpenKey(Codes)->WriteText("1", "a|b|c|");
    store->OpenKey(Hints)->WriteText("1", "x|y|z|");
    Open();
    EXPECT_FALSE(Enabled("butDelete")) << "nothing is selected after filling";
    EXPECT_FALSE(Enabled("butDeleteHint"));
    codes->setFocus();
    codes->SelectIndex(2);
    EXPECT_TRUE(Enabled("butDelete"));
    EXPECT_FALSE(Enabled("butDeleteHint"));
    Click("butDelete");
    EXPECT_EQ(codes->Entries(), QStringList({"a", "b"}));
    EXPECT_EQ(codes->SelectedIndex(), 0) << "the button wraps to the first entry";

    hints->setFocus();
    hints->SelectIndex(2);
    QTest::keyClick(hints, Qt::Key_Delete);
    EXPECT_EQ(hints->Entries(), QStringList({"x", "y"}));
    EXPECT_EQ(hints->SelectedIndex(), 1) << "the key selects the new last entry";
    Leave();
    EXPECT_EQ(Stored(Codes, "1")->Text, "a|b|");
    EXPECT_EQ(Stored(Hints, "1")->Text, "x|y|");
}

TEST_F(CodeWordsTest, TheDeleteButtonEmptyingTheListDisablesItself) {
    store->OpenKey(Hints)->WriteText("1", "only hint|");
    Open();
    hints->setFocus();
    hints->SelectIndex(0);
    Click("butDeleteHint");
    EXPECT_EQ(hints->count(), 0);
    EXPECT_FALSE(Enabled("butDeleteHint"));
    Leave();
    EXPECT_TRUE(StoredNames(Hints).isEmpty());
}

TEST_F(CodeWordsTest, DeletingDuringAnEditDeletesTheEditedEntry) {
    Open();
    AddWithButton("butAdd", codes, "alpha");
    Click("butAdd");
    ASSERT_TRUE(codes->IsEditing());
    Click("butDelete");
    EXPECT_FALSE(codes->IsEditing());
    EXPECT_EQ(codes->Entries(), QStringList({"alpha"}));
    Leave();
    EXPECT_EQ(Stored(Codes, "1")->Text, "alpha|");
}

TEST_F(CodeWordsTest, AChangeMadeWhileTheOtherListHasTheFocusIsStillSaved) {
    store->OpenKey(Codes)->WriteText("1", "a|b|");
    Open();
    codes->setFocus();
    codes->SelectIndex(1);
    hints->setFocus();
    Click("butDelete");
    Leave();
    EXPECT_EQ(Stored(Codes, "1")->Text, "a|");
}

TEST_F(CodeWordsTest, EditingInPlaceAndLeavingForTheTreeSavesTheEdit) {
    store->OpenKey(Codes)->WriteText("1", "pineapple|");
    Open();
    const QPoint centre = codes->visualItemRect(codes->item(0)).center();
    QTest::mouseClick(codes->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(codes->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_TRUE(codes->IsEditing());
    QTest::keyClicks(codes->Editor(), "orchard");
    Select({"Message"});
    EXPECT_EQ(Stored(Codes, "1")->Text, "orchard|");
    EXPECT_EQ(window->Accounts().at(0)->CodeWords, "orchard|");
}

TEST_F(CodeWordsTest, AMissingSubkeyShowsTheStoresError) {
    Open();
    store->DeleteKey(Codes);
    AddWithButton("butAdd", codes, "alpha");
    Leave();
    ASSERT_EQ(dialogs.Errors.size(), 1);
    EXPECT_TRUE(dialogs.Errors[0].contains("Code Words")) << dialogs.Errors[0].toStdString();
    EXPECT_EQ(window->Accounts().at(0)->CodeWords, "") << "the record follows the store";
}

// The account's learned senders: shown with their subject, forgotten here, or moved to the
// allowed senders of every account; the box turns learning off for the account.
TEST_F(CodeWordsTest, LearnedSendersAreForgottenOrAllowedFromTheList) {
    {
        HistoryDatabase db;
        LearnedSenders learned(db);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        learned.Learn("00000001", "anna@x.example", "pineapple please", "", now);
        learned.Learn("00000001", "bob@y.example", "pineapple too", "", now);
        learned.Learn("00000002", "anna@x.example", "other account", "", now);
    }
    Open();
    auto* list = Find<QTreeWidget>("lstLearned");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    list->sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(list->topLevelItem(0)->text(3), "pineapple please");
    EXPECT_FALSE(Enabled("butForgetLearned"));

    list->setCurrentItem(list->topLevelItem(1));
    Click("butForgetLearned");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    list->setCurrentItem(list->topLevelItem(0));
    Click("butAllowLearned");
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(Stored(ProductKey, "Allowed Sender 1")->Text, "anna@x.example");
    EXPECT_EQ(window->ReadPassOptions().AllowedSenders, QStringList{"anna@x.example"});
    EXPECT_TRUE(window->Engine().Learned()->List().isEmpty()) << "allowed now on every account";

    auto* remember = Find<QCheckBox>("chkRemember");
    EXPECT_TRUE(remember->isChecked()) << "on for an account stored without the value";
    remember->click();
    EXPECT_EQ(Stored(AccountKeyPath("00000001"), "Remember Code-Word Senders")->Number, 0);
    EXPECT_FALSE(window->Accounts().at(0)->RememberCodeWordSenders);
}

} // namespace
