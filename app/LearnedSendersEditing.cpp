// The senders an account learned from code words: seen under the account's code words, and
// forgotten or moved to the allowed senders from there.
#include "AccountNode.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "engine/ScreeningEngine.h"
#include "history/HistoryError.h"
#include "history/LearnedSenders.h"
#include "settings/ContactSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreError.h"
#include "widgets/EditListBox.h"
#include "widgets/ImageButton.h"

#include <QCheckBox>
#include <QLocale>
#include <QTreeWidget>

namespace sievra {

namespace {

// The day is enough to tell when and how recently; the list stays narrow.
QString ShownTime(const QDateTime& time) {
    return QLocale().toString(time.toLocalTime().date(), QLocale::ShortFormat);
}

} // namespace

void TfrmMain::FillLearnedList(AccountNode* node) {
    CodeWordsPanel* p = pnlCodeWords;
    p->lstLearned->clear();
    if (node == nullptr) {
        return;
    }
    p->chkRemember->setChecked(node->Record.RememberCodeWordSenders);
    LearnedSenders* learned = engine_->Learned();
    // Without the history file the list cannot be shown; it says why instead.
    p->lstLearned->setEnabled(learned != nullptr);
    if (learned == nullptr) {
        p->lstLearned->setToolTip(engine_->HistoryProblem());
        return;
    }
    QList<LearnedSender> senders;
    try {
        senders = learned->List(node->Record.KeyName);
    } catch (const HistoryError& error) {
        dialogs_.Error(error.Message());
    }
    p->lstLearned->setSortingEnabled(false);
    for (const LearnedSender& sender : senders) {
        auto* item =
            new QTreeWidgetItem(p->lstLearned, {sender.Address, ShownTime(sender.Learned),
                                                ShownTime(sender.LastSeen), sender.Subject});
        item->setToolTip(3, sender.MessageDate.isEmpty()
                                ? sender.Subject
                                : sender.Subject + QStringLiteral("\nDate: ") + sender.MessageDate);
    }
    p->lstLearned->setSortingEnabled(true);
    for (int column = 0; column < 3; ++column) {
        p->lstLearned->resizeColumnToContents(column);
    }
    UpdateLearnedButtons();
}

void TfrmMain::UpdateLearnedButtons() {
    const bool selected = !pnlCodeWords->lstLearned->selectedItems().isEmpty();
    pnlCodeWords->butForgetLearned->setEnabled(selected);
    pnlCodeWords->butAllowLearned->setEnabled(selected);
}

void TfrmMain::chkRememberClick(bool checked) {
    AccountNode* node = codeWordsAccount_;
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.RememberCodeWordSenders = checked;
        key.WriteFlag(AccountValue::RememberCodeWordSenders, checked);
    });
}

QStringList TfrmMain::SelectedLearned() const {
    QStringList addresses;
    for (const QTreeWidgetItem* item : pnlCodeWords->lstLearned->selectedItems()) {
        addresses.append(item->text(0));
    }
    return addresses;
}

// Forgetting here touches only this account; the sender's next mail needs a code word again.
void TfrmMain::butForgetLearnedClick() {
    LearnedSenders* learned = engine_->Learned();
    if (learned == nullptr || codeWordsAccount_ == nullptr) {
        return;
    }
    try {
        for (const QString& address : SelectedLearned()) {
            learned->Forget(address, codeWordsAccount_->Record.KeyName);
        }
    } catch (const HistoryError& error) {
        dialogs_.Error(error.Message());
    }
    FillLearnedList(codeWordsAccount_);
}

// An allowed sender is accepted on every account, so the learned entries go once it is stored.
void TfrmMain::butAllowLearnedClick() {
    LearnedSenders* learned = engine_->Learned();
    if (learned == nullptr || codeWordsAccount_ == nullptr) {
        return;
    }
    try {
        for (const QString& address : SelectedLearned()) {
            if (!AddAllowedSender(store_, address)) {
                break;
            }
            learned->Remove(address);
        }
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
    } catch (const HistoryError& error) {
        dialogs_.Error(error.Message());
    }
    allowedSenders_ = LoadAllowedSenders(store_);
    pnlGeneral->lstAllowed->SetEntries(allowedSenders_);
    FillLearnedList(codeWordsAccount_);
}

} // namespace sievra
