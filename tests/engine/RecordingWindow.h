#pragma once

#include "engine/EngineWindow.h"

#include <QCryptographicHash>
#include <deque>
#include <functional>

namespace sievra {
class ScreeningEngine;
}

namespace sievra::test {

// The engine's window for tests: holds accounts and options, and records everything the
// engine shows.
class RecordingWindow : public EngineWindow {
public:
    // Accounts live in a deque so the pointers the engine keeps stay valid as tests add more.
    std::deque<Account> AccountRecords;
    PassOptions Options = [] {
        PassOptions options;
        options.ReplySubject = QStringLiteral("Your message was deleted!");
        options.ReplyHeaderLines = {QStringLiteral("Header line one"),
                                    QStringLiteral("Header line two")};
        options.ReplyFooterLines = {QStringLiteral("(footer)")};
        options.BeepOn = true;
        options.VisualAlertOn = true;
        return options;
    }();
    bool ShowFlag = true;
    bool AccountNodeSelected = false;
    // What the pop-up does: by default it is cancelled; set to launch the mail client.
    std::function<void(int)> OnPopup;

    // Recorded.
    QStringList Lines; // every logged line, markup included, since the last clear
    // "<key name> POP3|SMTP <fingerprint>" of each certificate offered to the user.
    QStringList RefusedCertificates;
    QStringList AllLines; // every logged line ever
    QStringList Labels;   // every label text shown
    QStringList DateLabels;
    QStringList Warnings;
    QStringList TrayTips;
    int Clears = 0;
    int Beeps = 0;
    QList<int> Popups;
    int AutomaticStarts = 0;
    int AnimationStarts = 0;
    int AnimationStops = 0;
    bool LaunchEnabled = false;
    bool GoEnabled = true;
    bool CloseEnabled = true;
    bool AbortEnabled = false;
    bool AddEnabled = true;
    bool DeleteEnabled = false;
    bool TreeEnabled = true;
    // While a pass runs: were GO and Close disabled at some point?
    bool SawGoDisabled = false;
    bool SawAbortEnabled = false;
    // Called for every logged line (to abort at a chosen moment, for example).
    std::function<void(const QString&)> OnLine;
    std::function<void(const QString&)> OnLabel;

    Account& AddAccount(const Account& account);
    // Lines without their markup, to compare with plain texts.
    QStringList PlainLines() const;
    bool HasLine(const QString& plain) const { return PlainLines().contains(plain); }
    bool HasLabel(const QString& label) const { return Labels.contains(label); }

    QList<Account*> Accounts() override;
    PassOptions ReadPassOptions() const override { return Options; }

    void AppendStatusLine(const QString& markup) override;
    void ClearStatusLines() override;
    void SetStatusLabel(const QString& text) override {
        Labels.append(text);
        if (OnLabel) {
            OnLabel(text);
        }
    }
    void SetDateLabel(const QString& text) override { DateLabels.append(text); }

    void SetGoEnabled(bool enabled) override;
    void SetCloseEnabled(bool enabled) override { CloseEnabled = enabled; }
    void SetAbortEnabled(bool enabled) override;
    void SetAddAccountEnabled(bool enabled) override { AddEnabled = enabled; }
    void SetDeleteAccountEnabled(bool enabled) override { DeleteEnabled = enabled; }
    void SetTreeEnabled(bool enabled) override { TreeEnabled = enabled; }
    bool SelectedNodeIsAccount() const override { return AccountNodeSelected; }

    bool ShowMainWindowFlag() const override { return ShowFlag; }
    void SetShowMainWindowFlag(bool on) override { ShowFlag = on; }
    void ShowWarning(const QString& text) override { Warnings.append(text); }

    void StartAutomaticMode(int) override { ++AutomaticStarts; }
    void SetTrayTip(const QString& tip) override { TrayTips.append(tip); }
    void StartTrayAnimation() override { ++AnimationStarts; }
    void StopTrayAnimation() override { ++AnimationStops; }
    void Beep() override { ++Beeps; }
    void EnableLaunchMailClient() override { LaunchEnabled = true; }
    void ShowNewMailPopup(int waitingCount) override;
    void CertificateRefused(const Account& account, CertificateServer server,
                            const QSslCertificate& certificate) override {
        RefusedCertificates.append(
            QStringLiteral("%1 %2 %3")
                .arg(account.KeyName, server == CertificateServer::Pop3 ? "POP3" : "SMTP",
                     QString::fromLatin1(
                         certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper())));
    }
};

} // namespace sievra::test
