#pragma once

#include "app/UserDialogs.h"

#include <QStringList>
#include <deque>

namespace sievra::test {

// Answers the window's boxes without showing them and keeps what they said.
class RecordingDialogs : public UserDialogs {
public:
    void Warning(const QString& text) override { Warnings.append(text); }
    bool Confirm(const QString& text, bool defaultYes = true) override {
        Questions.append(text);
        DefaultAnswers.append(defaultYes);
        return ConfirmAnswer;
    }
    void Error(const QString& text) override { Errors.append(text); }
    QString ChooseFile(const FileChoice& choice) override {
        Choices.push_back(choice);
        return ChosenFile;
    }
    bool TrustCertificate(const QString& details) override {
        Certificates.append(details);
        return TrustAnswer;
    }

    QStringList Warnings;
    QStringList Questions;
    QList<bool> DefaultAnswers;
    QStringList Errors;
    std::deque<FileChoice> Choices;
    QStringList Certificates;
    bool ConfirmAnswer = true;
    bool TrustAnswer = false;
    QString ChosenFile;
};

} // namespace sievra::test
