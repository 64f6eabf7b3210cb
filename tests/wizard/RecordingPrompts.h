#pragma once

#include "wizard/WizardPrompts.h"

#include <QStringList>
#include <deque>

namespace sievra::test {

// Stands in for the user at the wizard's message boxes and file dialogs: records what was
// asked and answers from a script (No when nothing is scripted).
class RecordingPrompts : public WizardPrompts {
public:
    void Warning(const QString& text) override { Shown.append("Warning: " + text); }
    bool WarningYesNo(const QString& text) override {
        Shown.append("Warning?: " + text);
        return Answer();
    }
    bool Confirm(const QString& text) override {
        Shown.append("Confirm: " + text);
        return Answer();
    }
    void Error(const QString& text) override { Shown.append("Error: " + text); }
    QString ChooseFile(const QString&, const QString& folder, const QString& filter) override {
        Shown.append("Choose: " + filter);
        LastFolder = folder;
        return ChosenFile;
    }

    QString ChooseFolder(const QString&, const QString& folder) override {
        Shown.append("Choose folder");
        LastFolder = folder;
        return ChosenFile;
    }

    QStringList Take() { return std::exchange(Shown, {}); }

    QStringList Shown;
    std::deque<bool> Answers;
    QString ChosenFile;
    QString LastFolder;

private:
    bool Answer() {
        if (Answers.empty()) {
            return false;
        }
        const bool answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
};

} // namespace sievra::test
