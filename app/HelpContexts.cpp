// Help: F1 on a control opens the page of its topic; a first run opens the contents each time
// the window becomes active.
#include "HelpWindow.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "widgets/EditListBox.h"
#include "widgets/LineMemo.h"
#include "widgets/SpinEdit.h"
#include "widgets/StatusList.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeWidget>

namespace sievra {

namespace {

const char* const HelpContextProperty = "helpContext";

void SetContext(QWidget* widget, int context) {
    if (widget != nullptr) {
        widget->setProperty(HelpContextProperty, context);
    }
}

// A control without a topic of its own takes its container's, as the fields inside the
// incoming and outgoing mail groups do.
int ContextOf(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const int context = widget->property(HelpContextProperty).toInt();
        if (context != HelpContext::None) {
            return context;
        }
        if (widget->isWindow()) {
            break;
        }
    }
    return HelpContext::None;
}

} // namespace

void TfrmMain::AssignHelpContexts() {
    SetContext(pnlStatus->lstTasks, HelpContext::StatusList);
    SetContext(tvAccounts, HelpContext::AccountTree);
    for (QWidget* w : {static_cast<QWidget*>(pnlMessage->txtSubject),
                       static_cast<QWidget*>(pnlMessage->memHeader),
                       static_cast<QWidget*>(pnlMessage->memFooter)}) {
        SetContext(w, HelpContext::ReplyText);
    }
    SetContext(pnlCodeWords->lstCodes, HelpContext::CodeWords);
    SetContext(pnlCodeWords->lstHints, HelpContext::CodeWords);
    SetContext(pnlAccount->txtAccountName, HelpContext::AccountPop3);
    SetContext(pnlAccount->chkActive, HelpContext::AccountPop3);
    SetContext(pnlAccount->findChild<QGroupBox*>(QStringLiteral("grpIncoming")),
               HelpContext::AccountPop3);
    SetContext(pnlAccount->findChild<QGroupBox*>(QStringLiteral("grpOutgoing")),
               HelpContext::AccountSmtp);
    for (const QString& group : {QStringLiteral("grpSources"), QStringLiteral("grpAllowed")}) {
        SetContext(pnlGeneral->findChild<QGroupBox*>(group), HelpContext::AddressBook);
    }
    GeneralPanel* g = pnlGeneral;
    for (QWidget* w : {static_cast<QWidget*>(g->chkAuto), static_cast<QWidget*>(g->spnInterval),
                       static_cast<QWidget*>(g->chkAutoLoad), static_cast<QWidget*>(g->chkBeep),
                       static_cast<QWidget*>(g->chkVisual), static_cast<QWidget*>(g->chkPreview)}) {
        SetContext(w, HelpContext::GeneralSettings);
    }

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &TfrmMain::HelpKeyPressed);
}

void TfrmMain::HelpKeyPressed() {
    const int context = ContextOf(QApplication::focusWidget());
    if (context != HelpContext::None) {
        ShowHelp(context);
    }
}

// The first-run display leaves an open help window as the user left it: every activation of
// the main window would otherwise take them back to the contents.
void TfrmMain::ShowHelp(int context, bool reopen) {
    if (!reopen && help_ && help_->isVisible()) {
        return;
    }
    if (!help_ || help_->Directory() != helpDirectory_) {
        help_ = std::make_unique<HelpWindow>(helpDirectory_);
        connect(help_.get(), &HelpWindow::aboutRequested, this, &TfrmMain::popAboutClick);
    }
    if (!help_->OpenTopic(context)) {
        return;
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

} // namespace sievra
