// The code word and hint lists of an account, saved when the focus leaves a changed list.
#include "AccountNode.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "settings/JoinedList.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/EditListBox.h"
#include "widgets/ImageButton.h"

namespace sievra {

void TfrmMain::FillCodeWordLists(AccountNode* node) {
    codeWordsAccount_ = node;
    if (node == nullptr) {
        return;
    }
    pnlCodeWords->lstCodes->SetEntries(SplitJoined(node->Record.CodeWords));
    pnlCodeWords->lstHints->SetEntries(SplitJoined(node->Record.Hints));
    UpdateDeleteButtons();
    FillLearnedList(node);
}

void TfrmMain::UpdateDeleteButtons() {
    CodeWordsPanel* p = pnlCodeWords;
    p->butDelete->setEnabled(p->lstCodes->SelectedIndex() >= 0);
    p->butDeleteHint->setEnabled(p->lstHints->SelectedIndex() >= 0);
}

void TfrmMain::butAddClick() {
    pnlCodeWords->lstCodes->AddEntry();
}

void TfrmMain::butAddHintClick() {
    pnlCodeWords->lstHints->AddEntry();
}

void TfrmMain::butDeleteClick() {
    DeleteListEntry(pnlCodeWords->lstCodes, pnlCodeWords->butDelete);
}

void TfrmMain::butDeleteHintClick() {
    DeleteListEntry(pnlCodeWords->lstHints, pnlCodeWords->butDeleteHint);
}

// Unlike the Delete key, the button selects the first entry after deleting the last one.
void TfrmMain::DeleteListEntry(EditListBox* list, ImageButton* button) {
    list->CommitEdit();
    const int index = list->SelectedIndex();
    if (index < 0) {
        return;
    }
    // The list takes the focus (the button never does), so leaving it later saves the change
    // even when the focus was in the other list.
    list->setFocus(Qt::OtherFocusReason);
    delete list->takeItem(index);
    list->SetModified(true);
    if (list->count() > 0) {
        list->SelectIndex(index < list->count() ? index : 0);
    } else {
        button->setEnabled(false);
    }
}

void TfrmMain::SaveList(EditListBox* list, const QString& subkey, QString Account::*field) {
    if (!list->IsModified() || codeWordsAccount_ == nullptr) {
        return;
    }
    try {
        codeWordsAccount_->Record.*field =
            SaveJoinedList(store_, codeWordsAccount_->Record.KeyName, subkey, list->Entries());
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
    }
    list->SetModified(false);
}

void TfrmMain::lstCodesExit() {
    SaveList(pnlCodeWords->lstCodes, CodeWordsSubkey, &Account::CodeWords);
}

void TfrmMain::lstHintsExit() {
    SaveList(pnlCodeWords->lstHints, HintsSubkey, &Account::Hints);
}

} // namespace sievra
