#pragma once

#include <QString>

namespace sievra {

// What a file chooser asks for.
struct FileChoice {
    QString Title;
    QString StartDirectory;
    // In QFileDialog's form: "WAB files (*.wab *.WAB)".
    QString Filter;
    // Show only files the user may run (programs on Linux carry no extension).
    bool ExecutablesOnly = false;
    // Choose an existing folder instead of a file.
    bool Folder = false;
};

// Every box and dialog the main window opens goes through here, so tests answer them.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // Modal, centred, caption "Warning", OK.
    virtual void Warning(const QString& text) = 0;
    // Modal, centred, caption "Confirm", Yes and No; true for Yes. A question whose Yes
    // destroys something defaults to No.
    virtual bool Confirm(const QString& text, bool defaultYes = true) = 0;
    // A failure the user must know about (store refused a write, undecodable password).
    virtual void Error(const QString& text) = 0;
    // The chosen existing file (or folder), or "" when cancelled.
    virtual QString ChooseFile(const FileChoice& choice) = 0;
    // A certificate that failed verification, described in `details`; true when the user
    // chose "Trust this certificate for this account".
    virtual bool TrustCertificate(const QString& details) = 0;
};

// The real boxes: QMessageBox and QFileDialog.
class QtUserDialogs : public UserDialogs {
public:
    void Warning(const QString& text) override;
    bool Confirm(const QString& text, bool defaultYes = true) override;
    void Error(const QString& text) override;
    QString ChooseFile(const FileChoice& choice) override;
    bool TrustCertificate(const QString& details) override;
};

} // namespace sievra
