#pragma once

#include "engine/EngineWindow.h"

#include <vector>

namespace sievra::test {

// A window that shows nothing: it answers with the values held here and ignores every change
// to its panel, buttons and tray. Programs that drive the engine without a screen derive from
// it and override what they watch.
class QuietWindow : public EngineWindow {
public:
    std::vector<Account> Records; // screened in this order
    QString Book;
    QString Subject = QStringLiteral("Your message was deleted!");
    QStringList HeaderLines = {QStringLiteral("Deleted unread.")};
    QStringList FooterLines = {QStringLiteral("(automatic)")};
    bool Automatic = false;
    int Interval = 10;
    bool BeepWanted = false;
    bool VisualAlertWanted = false;
    bool ShowMainWindow = true;

    QList<Account*> Accounts() override {
        QList<Account*> all;
        for (Account& a : Records) {
            all.append(&a);
        }
        return all;
    }
    QString WabFile() const override { return Book; }
    QString ReplySubject() const override { return Subject; }
    QStringList ReplyHeaderLines() const override { return HeaderLines; }
    QStringList ReplyFooterLines() const override { return FooterLines; }
    bool AutoMode() const override { return Automatic; }
    int IntervalMinutes() const override { return Interval; }
    bool BeepOn() const override { return BeepWanted; }
    bool VisualAlertOn() const override { return VisualAlertWanted; }

    void AppendStatusLine(const QString&) override {}
    void ClearStatusLines() override {}
    void SetStatusLabel(const QString&) override {}
    void ShowStatusBar(bool) override {}
    void SetStatusBarPosition(int) override {}
    void SetDateLabel(const QString&) override {}
    void SelectStatusNode() override {}
    void FocusStatusList() override {}
    void SetGoEnabled(bool) override {}
    void SetCloseEnabled(bool) override {}
    void SetAbortEnabled(bool) override {}
    void SetAddAccountEnabled(bool) override {}
    void SetDeleteAccountEnabled(bool) override {}
    void SetTreeEnabled(bool) override {}
    bool SelectedNodeIsAccount() const override { return false; }
    bool ShowMainWindowFlag() const override { return ShowMainWindow; }
    void SetShowMainWindowFlag(bool on) override { ShowMainWindow = on; }
    void ShowWarning(const QString&) override {}
    void StartAutomaticMode(int) override {}
    void SetTrayTip(const QString&) override {}
    void StartTrayAnimation() override {}
    void StopTrayAnimation() override {}
    void Beep() override {}
    void EnableLaunchMailClient() override {}
    void ShowNewMailPopup(int) override {}
};

} // namespace sievra::test
