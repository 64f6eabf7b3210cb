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
    PassOptions Options = [] {
        PassOptions options;
        options.ReplySubject = QStringLiteral("Your message was deleted!");
        options.ReplyHeaderLines = {QStringLiteral("Deleted unread.")};
        options.ReplyFooterLines = {QStringLiteral("(automatic)")};
        return options;
    }();
    bool ShowMainWindow = true;

    QList<Account*> Accounts() override {
        QList<Account*> all;
        for (Account& a : Records) {
            all.append(&a);
        }
        return all;
    }
    PassOptions ReadPassOptions() const override { return Options; }
    bool ShowMainWindowFlag() const override { return ShowMainWindow; }
    void SetShowMainWindowFlag(bool on) override { ShowMainWindow = on; }
};

} // namespace sievra::test
