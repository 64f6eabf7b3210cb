// The general settings panel: automatic-mode options, the address book and the mail client.
#include "AutostartEntry.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "TrayIcon.h"
#include "UserDialogs.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "widgets/ImageButton.h"
#include "widgets/PathLabel.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace sievra {

namespace {

// Where a chooser opens: the folder of the current file, else the home folder (the working
// folder of a program started from a desktop menu means nothing to the user).
QString StartDirectory(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !path.contains(QLatin1Char('/'))) {
        return QDir::homePath();
    }
    return info.absolutePath();
}

} // namespace

bool TfrmMain::AutoMode() const {
    return pnlGeneral->chkAuto->isChecked();
}
QString TfrmMain::EmailClient() const {
    return pnlGeneral->lblEMailClient->Path();
}

// Automatic mode lives behind the tray icon and starts without the window.
void TfrmMain::ApplyAutomaticMode() {
    if (AutoMode()) {
        tray_->Add();
        showMainWindow_ = false;
        butGO->setToolTip(QStringLiteral("Minimize to System Tray and await processing"));
    } else {
        tray_->Remove();
        showMainWindow_ = true;
        butGO->setToolTip(QStringLiteral("Begin processing"));
    }
}

void TfrmMain::EnableAutomaticOptions() {
    const bool on = AutoMode();
    pnlGeneral->chkBeep->setEnabled(on);
    pnlGeneral->chkVisual->setEnabled(on);
    pnlGeneral->spnInterval->setEnabled(on);
    pnlGeneral->chkAutoLoad->setEnabled(on);
}

void TfrmMain::chkAutoClick(bool checked) {
    if (!checked) {
        Timer1->stop();
    }
    WriteProduct([&](SettingsKey& key) { key.WriteFlag(GlobalValue::AutoRun, checked); });
    ApplyAutomaticMode();
    EnableAutomaticOptions();
    // Without automatic mode there is nothing to load at startup.
    if (!checked && pnlGeneral->chkAutoLoad->isChecked()) {
        pnlGeneral->chkAutoLoad->setChecked(false);
        chkAutoLoadClick(false);
    }
}

// The autostart entry stands for the program in the user's session start; "AutoLoad" is
// written only when the entry could be changed, so the two never disagree.
void TfrmMain::chkAutoLoadClick(bool checked) {
    const bool changed = checked ? WriteAutostartEntry(QCoreApplication::applicationFilePath())
                                 : RemoveAutostartEntry();
    if (!changed) {
        dialogs_.Warning(QStringLiteral("Unable to change the start entry ") +
                         AutostartEntryPath() + QStringLiteral("!"));
        return;
    }
    WriteProduct([&](SettingsKey& key) { key.WriteFlag(GlobalValue::AutoLoad, checked); });
}

void TfrmMain::chkBeepClick(bool checked) {
    WriteProduct([&](SettingsKey& key) { key.WriteFlag(GlobalValue::Beep, checked); });
}

void TfrmMain::chkVisualClick(bool checked) {
    WriteProduct([&](SettingsKey& key) { key.WriteFlag(GlobalValue::VisualAlert, checked); });
}

void TfrmMain::chkPreviewClick(bool checked) {
    WriteProduct([&](SettingsKey& key) { key.WriteFlag(GlobalValue::PreviewOnly, checked); });
}

void TfrmMain::spnIntervalExit() {
    SpinEdit* spin = pnlGeneral->spnInterval;
    if (!spin->IsModified()) {
        return;
    }
    WriteProduct([&](SettingsKey& key) { key.WriteNumber(GlobalValue::Interval, spin->value()); });
    spin->SetModified(false);
}

void TfrmMain::butChangeEmailClientClick() {
#ifdef Q_OS_WIN
    const QString filter = QStringLiteral("Executable files (*.exe)");
#else
    // Programs here carry no extension: the dialog lists folders and the files the user may
    // run.
    const QString filter = QStringLiteral("Programs (*)");
#endif
    const QString chosen = dialogs_.ChooseFile(
        {QStringLiteral("EMail Client"), StartDirectory(EmailClient()), filter, true});
    if (chosen.isEmpty()) {
        return;
    }
    pnlGeneral->lblEMailClient->SetPath(chosen);
    WriteProduct([&](SettingsKey& key) { key.WriteText(GlobalValue::EmailClient, chosen); });
}

void TfrmMain::butClearEmailClientClick() {
    pnlGeneral->lblEMailClient->SetPath(QString());
    WriteProduct([&](SettingsKey& key) { key.WriteText(GlobalValue::EmailClient, QString()); });
}

} // namespace sievra
