#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

namespace sievra {

class SettingsStore;
class TfrmMain;
class TfrmSplash;
class UserDialogs;

// The start of the program: hand-over to the wizard when there are no settings, else the
// splash, the main window with its settings, and (half a second later) the window shown and
// automatic mode started.
class ProgramEntry : public QObject {
    Q_OBJECT
public:
    // programDirectory: where the wizard program is looked for (the folder of this program).
    ProgramEntry(QString programDirectory, UserDialogs& dialogs);
    ~ProgramEntry() override;

    // True when the program goes on to its event loop; false when it ends now (ExitCode).
    bool Start();
    int ExitCode() const { return exitCode_; }

    TfrmMain* MainWindow() const { return main_.get(); }
    TfrmSplash* Splash() const { return splash_.get(); }
    // The wizard program the start looks for.
    QString WizardPath() const;

signals:
    // The splash is gone, the window shown and Init done.
    void started();

private:
    bool HandOverToWizard();
    void FinishStart();

    QString programDirectory_;
    UserDialogs& dialogs_;
    int exitCode_ = 0;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmSplash> splash_;
    QTimer splashTimer_;
};

} // namespace sievra
