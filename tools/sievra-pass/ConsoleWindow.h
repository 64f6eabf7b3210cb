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
    // Always manual mode: no tray, no beep, no pop-up.
    PassOptions ReadPassOptions() const override;
    // --dry-run: this run previews, whatever the store says.
    void SetDryRun(bool on) { dryRun_ = on; }

    void AppendStatusLine(const QString& markup) override;
    void SetDateLabel(const QString& text) override;
    void ShowWarning(const QString& text) override;

private:
    LoadedSettings settings_;
    QTextStream& out_;
    QTextStream& err_;
    bool colour_;
    bool dryRun_ = false;
};

} // namespace sievra
