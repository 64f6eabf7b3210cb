#include "widgets/EditListBox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

class EditListBoxTest : public testing::Test {
protected:
    EditListBoxTest() {
        auto* layout = new QVBoxLayout(&window);
        list = new EditListBox(&window);
        other = new QLineEdit(&window);
        layout->addWidget(list);
        layout->addWidget(other);
        list->SetEntryTitle("New Code Word");
        list->SetEntries({"alpha", "beta", "gamma"});
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        list->setFocus();
    }

    void DoubleClick(int row) {
        const QPoint centre = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }

    QWidget window;
    EditListBox* list;
    QLineEdit* other;
};

TEST_F(EditListBoxTest, DoubleClickEditsInPlaceAndEnterKeepsTheText) {
    EXPECT_FALSE(list->IsModified());
    DoubleClick(1);
    ASSERT_TRUE(list->IsEditing());
    QLineEdit* editor = list->Editor();
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->selectedText(), "beta") << "the whole entry is selected";
    EXPECT_TRUE(list->IsModified()) << "starting an edit sets the mark";
    QTest::keyClicks(editor, "delta");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(list->IsEditing());
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(list->Entries(), QStringList({"alpha", "delta", "gamma"}));
}

TEST_F(EditListBoxTest, EscDropsTheEditAndRestoresTheMark) {
    DoubleClick(0);
    QTest::keyClicks(list->Editor(), "zzz");
    QTest::keyClick(list->Editor(), Qt::Key_Escape);
    EXPECT_FALSE(list->IsEditing());
    EXPECT_EQ(list->Entries(), QStringList({"alpha", "beta", "gamma"}));
    EXPECT_FALSE(list->IsModified()) << "nothing had changed before the edit";

    // After a real change the mark stays set through a cancelled edit.
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_TRUE(list->IsModified());
    DoubleClick(0);
    QTest::keyClick(list->Editor(), Qt::Key_Escape);
    EXPECT_TRUE(list->IsModified());
}

TEST_F(EditListBoxTest, LeavingTheFieldKeepsTheTextAndLeavesTheListOnce) {
    QSignalSpy exited(list, &EditListBox::Exited);
    DoubleClick(2);
    EXPECT_EQ(exited.count(), 0) << "the list's own field is not elsewhere";
    QTest::keyClicks(list->Editor(), "omega");
    other->setFocus();
    EXPECT_FALSE(list->IsEditing());
    EXPECT_EQ(list->Entries().last(), "omega");
    EXPECT_EQ(exited.count(), 1);
    EXPECT_TRUE(list->IsModified());
}

TEST_F(EditListBoxTest, DeleteKeySelectsTheSamePositionOrTheNewLast) {
    list->SelectIndex(1);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->Entries(), QStringList({"alpha", "gamma"}));
    EXPECT_EQ(list->SelectedIndex(), 1);
    EXPECT_TRUE(list->IsModified());
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->SelectedIndex(), 0) << "the deleted entry was the last";
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(list->SelectedIndex(), -1);
    QTest::keyClick(list, Qt::Key_Delete); // nothing left: nothing happens
    EXPECT_EQ(list->count(), 0);
}

TEST_F(EditListBoxTest, AddingAppendsTheTitleAndEditsIt) {
    list->AddEntry();
    ASSERT_TRUE(list->IsEditing());
    EXPECT_EQ(list->SelectedIndex(), 3);
    EXPECT_EQ(list->Editor()->text(), "New Code Word");
    QTest::keyClick(list->Editor(), Qt::Key_Escape);
    // Esc takes the new entry back: no "New Code Word" is left to be saved.
    EXPECT_EQ(list->Entries(), QStringList({"alpha", "beta", "gamma"}));
    EXPECT_FALSE(list->IsModified());
}

// An edit is kept trimmed; emptied, the entry goes; refused, the old text stays (a new entry
// goes) and the reason is reported.
TEST_F(EditListBoxTest, EditsAreTrimmedAndCheckedEmptyOnesRemoved) {
    list->SetEntryCheck([](const QString& text, const QStringList&) {
        return text.contains('|') ? QString("no bars") : QString();
    });
    QSignalSpy refused(list, &EditListBox::EntryRefused);
    const auto edit = [&](int row, const QString& text) {
        list->SelectIndex(row);
        list->StartEdit();
        list->Editor()->setText(text);
        QTest::keyClick(list->Editor(), Qt::Key_Return);
    };
    edit(0, "  alpha one  ");
    edit(1, "a|pipe");
    EXPECT_EQ(refused.count(), 1);
    edit(2, "   ");
    EXPECT_EQ(list->Entries(), QStringList({"alpha one", "beta"}));
    list->SetModified(false);
    list->AddEntry();
    list->Editor()->setText("x|y");
    QTest::keyClick(list->Editor(), Qt::Key_Return);
    EXPECT_EQ(list->Entries(), QStringList({"alpha one", "beta"}));
    EXPECT_EQ(refused.count(), 2);
    EXPECT_FALSE(list->IsModified());
}

} // namespace
