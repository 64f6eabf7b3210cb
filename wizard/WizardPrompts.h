#pragma once

#include <QString>

class QWidget;

namespace sievra {

// The questions and messages the wizard puts to the user, and its file choices. The window
// only talks to the user through this, so tests answer in place of a person.
class WizardPrompts {
public:
    virtual ~WizardPrompts() = default;
    // A warning with an OK button.
    virtual void Warning(const QString& text) = 0;
    // A warning with Yes and No buttons; true for Yes.
    virtual bool WarningYesNo(const QString& text) = 0;
    // A question captioned "Confirm" with Yes and No buttons; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
    // A message about a failure the user has to deal with (a settings file that refuses).
    virtual void Error(const QString& text) = 0;
    // An existing file chosen in a file dialog; "" when the user cancelled.
    virtual QString ChooseFile(const QString& caption, const QString& folder,
                               const QString& filter) = 0;
    // An existing folder; "" when the user cancelled.
    virtual QString ChooseFolder(const QString& caption, const QString& folder) = 0;
};

// Modal message boxes and file dialogs centred on the window.
class DialogPrompts : public WizardPrompts {
public:
    explicit DialogPrompts(QWidget* window)
        : window_(window) {}
    void Warning(const QString& text) override;
    bool WarningYesNo(const QString& text) override;
    bool Confirm(const QString& text) override;
    void Error(const QString& text) override;
    QString ChooseFile(const QString& caption, const QString& folder,
                       const QString& filter) override;
    QString ChooseFolder(const QString& caption, const QString& folder) override;

private:
    QWidget* window_;
};

} // namespace sievra
