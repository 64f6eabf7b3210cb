// GO and Abort: the screening engine joined to the window, one pass or start at a time.
#include "AccountNode.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "TfrmNotify.h"
#include "TrayIcon.h"
#include "UserDialogs.h"
#include "engine/ScreeningEngine.h"
#include "widgets/ImageButton.h"
#include "widgets/PasswordEdit.h"

#include <QAction>
#include <QLineEdit>
#include <QTreeWidget>

namespace sievra {

void TfrmMain::butGOClick() {
    StartScreening();
}

void TfrmMain::StartScreening() {
    if (!BeginBusy()) {
        return;
    }
    engine_->StartScreening();
    EndBusy();
}

void TfrmMain::butAbortClick() {
    if (engine_->PassRunning()) {
        engine_->Abort();
    }
}

// The engine keeps one request state and holds the account records for the whole pass: a
// second pass inside the first one's waits, or an account deleted meanwhile, would break it.
bool TfrmMain::BeginBusy() {
    if (busy_) {
        return false;
    }
    busy_ = true;
    tray_->CheckEMailAction()->setEnabled(false);
    SetGoEnabled(false);
    SetCloseEnabled(false);
    SetAddAccountEnabled(false);
    SetDeleteAccountEnabled(false);
    SetTreeEnabled(false);
    return true;
}

void TfrmMain::EndBusy() {
    busy_ = false;
    tray_->CheckEMailAction()->setEnabled(true);
    SetGoEnabled(true);
    SetCloseEnabled(true);
    SetAddAccountEnabled(true);
    SetTreeEnabled(true);
    SetDeleteAccountEnabled(SelectedNodeIsAccount());
    FillSources(); // with what each source gave in this pass
    if (quitPending_) {
        emit quitRequested();
    }
}

// Ending the program inside a pass would cut the engine's waits short, and it would carry on
// with answers it never got; the pass is aborted and the program ends when it is over.
void TfrmMain::RequestQuit() {
    if (!busy_) {
        emit quitRequested();
        return;
    }
    quitPending_ = true;
    if (TfrmNotify* notify = notify_.data(); notify != nullptr) {
        notify->reject();
    }
    if (engine_->PassRunning()) {
        engine_->Abort();
    }
}

void TfrmMain::ShowWarning(const QString& text) {
    dialogs_.Warning(text);
}

// The warning about a missing password leaves the user at the field to fill in.
void TfrmMain::SelectPasswordField(Account* account, bool smtp) {
    for (int i = 0; i < settingsNode_->childCount(); ++i) {
        AccountNode* node = AsAccountNode(settingsNode_->child(i));
        if (node == nullptr || &node->Record != account) {
            continue;
        }
        tvAccounts->setCurrentItem(node);
        QLineEdit* field = smtp ? static_cast<QLineEdit*>(pnlAccount->txtSMTPPWD)
                                : static_cast<QLineEdit*>(pnlAccount->txtPWD);
        field->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void TfrmMain::SetShowMainWindowFlag(bool show) {
    showMainWindow_ = show;
    if (show && started_ && (!isVisible() || isMinimized())) {
        ShowMainWindow();
    }
}

} // namespace sievra
