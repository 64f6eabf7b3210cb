#pragma once

#include "engine/EngineWindow.h"
#include "settings/SettingsLoader.h"

#include <QTextStream>
#include <vector>

namespace sievra {

// The engine's window on a terminal: every logged status line is printed as plain text
// (coloured when standard output is a terminal); warnings go to standard error. Screening
// always runs in manual mode here.
class ConsoleWindow : public EngineWindow {
public:
    ConsoleWindow(LoadedSettings settings, QTextStream& out, QTextStream& err, bool colour);

    QList<Account*> Accounts() override;
    QString WabFile() const override { return settings_.Globals.WabFile; }
    QStringList AddressBooks() const override { return settings_.Globals.AddressBooks; }
    QStringList AllowedSenders() const override { return settings_.Globals.AllowedSenders; }
    QString ReplySubject() const override { return settings_.Globals.Subject; }
    QStringList ReplyHeaderLines() const override { return settings_.Globals.HeaderLines; }
    QStringList ReplyFooterLines() const override { return settings_.Globals.FooterLines; }
    bool AutoMode() const override { return false; }
    int IntervalMinutes() const override { return settings_.Globals.Interval; }
    bool BeepOn() const override { return false; }
    bool VisualAlertOn() const override { return false; }
    int MaxMessagesPerPass() const override { return settings_.Globals.MaxMessagesPerPass; }
    int ReplyIntervalDays() const override { return settings_.Globals.ReplyIntervalDays; }
    int RepliesPerPass() const override { return settings_.Globals.RepliesPerPass; }

    void AppendStatusLine(const QString& markup) override;
    void ClearStatusLines() override {}
    void SetStatusLabel(const QString&) override {}
    void ShowStatusBar(bool) override {}
    void SetStatusBarPosition(int) override {}
    void SetDateLabel(const QString& text) override;
    void SelectStatusNode() override {}
    void FocusStatusList() override {}

    void SetGoEnabled(bool) override {}
    void SetCloseEnabled(bool) override {}
    void SetAbortEnabled(bool) override {}
    void SetAddAccountEnabled(bool) override {}
    void SetDeleteAccountEnabled(bool) override {}
    void SetTreeEnabled(bool) override {}
    bool SelectedNodeIsAccount() const override { return false; }

    bool ShowMainWindowFlag() const override { return true; }
    void SetShowMainWindowFlag(bool) override {}
    void ShowWarning(const QString& text) override;

    void StartAutomaticMode(int) override {}
    void SetTrayTip(const QString&) override {}
    void StartTrayAnimation() override {}
    void StopTrayAnimation() override {}
    void Beep() override {}
    void EnableLaunchMailClient() override {}
    void ShowNewMailPopup(int) override {}

private:
    LoadedSettings settings_;
    QTextStream& out_;
    QTextStream& err_;
    bool colour_;
};

} // namespace sievra
