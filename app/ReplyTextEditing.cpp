// The reply text shared by all accounts: subject, header lines and footer lines.
#include "MainPanels.h"
#include "ReplyLines.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/LineMemo.h"

#include <QLineEdit>
#include <QTextBlock>
#include <QTextCursor>

namespace sievra {

namespace {

// Takes the saved form's dropped empty lines out of the memo too, so it shows what is stored.
void DropTrailingEmptyParagraphs(LineMemo* memo) {
    QTextDocument* doc = memo->document();
    while (doc->blockCount() > 1 && doc->lastBlock().text().isEmpty()) {
        QTextCursor cursor(doc->lastBlock());
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void SaveMemo(LineMemo* memo, SettingsStore& store, const QString& prefix, UserDialogs& dialogs) {
    if (!memo->IsModified()) {
        return;
    }
    const QStringList lines = LinesToSave(memo->DisplayLines());
    DropTrailingEmptyParagraphs(memo);
    try {
        SaveLines(store, prefix, lines);
    } catch (const StoreError& error) {
        dialogs.Error(error.Message());
    }
    memo->SetModified(false);
}

} // namespace

void TfrmMain::txtSubjectExit() {
    QLineEdit* edit = pnlMessage->txtSubject;
    if (!edit->isModified()) {
        return;
    }
    const QString text = edit->text();
    WriteProduct([&](SettingsKey& key) { key.WriteText(GlobalValue::Subject, text); });
    edit->setModified(false);
}

void TfrmMain::memHeaderExit() {
    SaveMemo(pnlMessage->memHeader, store_, HeaderPrefix, dialogs_);
}

void TfrmMain::memFooterExit() {
    SaveMemo(pnlMessage->memFooter, store_, FooterPrefix, dialogs_);
}

} // namespace sievra
