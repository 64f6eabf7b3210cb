#include "ProgramEntry.h"

#include "TfrmMain.h"
#include "TfrmSplash.h"
#include "UserDialogs.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/DesktopIntegration.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>

namespace sievra {

namespace {
// The splash stays this long after the main window is ready.
constexpr int SplashLingerMs = 500;
} // namespace

ProgramEntry::ProgramEntry(QString programDirectory, UserDialogs& dialogs)
    : programDirectory_(std::move(programDirectory))
    , dialogs_(dialogs) {
    splashTimer_.setSingleShot(true);
    splashTimer_.setInterval(SplashLingerMs);
    connect(&splashTimer_, &QTimer::timeout, this, &ProgramEntry::FinishStart);
}

// The window refers to the store: it goes first.
ProgramEntry::~ProgramEntry() {
    main_.reset();
    splash_.reset();
}

QString ProgramEntry::WizardPath() const {
    return WizardProgram(programDirectory_);
}

bool ProgramEntry::Start() {
    try {
        store_ = std::make_unique<SettingsStore>();
        if (!store_->KeyExists(ProductKey)) {
            return HandOverToWizard();
        }
        splash_ = std::make_unique<TfrmSplash>(false);
        splash_->show();
        splash_->repaint();
        QCoreApplication::processEvents();

        main_ = std::make_unique<TfrmMain>(*store_, dialogs_);
        main_->SetHelpDirectory(HelpDirectory(programDirectory_));
        connect(main_.get(), &TfrmMain::quitRequested, qApp, &QCoreApplication::quit,
                Qt::QueuedConnection);
        if (!main_->FormCreate()) {
            main_.reset();
            splash_.reset();
            exitCode_ = 1;
            return false;
        }
    } catch (const StoreError& error) {
        main_.reset();
        splash_.reset();
        dialogs_.Error(error.Message());
        exitCode_ = 1;
        return false;
    }
    splashTimer_.start();
    return true;
}

bool ProgramEntry::HandOverToWizard() {
    const QString wizard = WizardPath();
    if (!QFileInfo::exists(wizard)) {
        dialogs_.Warning(QStringLiteral("Wizard.exe not found! Unable to initialize Sievra."));
        exitCode_ = 1;
        return false;
    }
    if (!QProcess::startDetached(wizard, {}, programDirectory_)) {
        dialogs_.Warning(
            QStringLiteral("Unable to start %1! Unable to initialize Sievra.").arg(wizard));
        exitCode_ = 1;
    }
    return false;
}

void ProgramEntry::FinishStart() {
    splash_->close();
    splash_.reset();
    if (main_->ShowMainWindowFlag()) {
        main_->show();
        main_->raise();
        main_->activateWindow();
    }
    main_->Init();
    emit started();
}

} // namespace sievra
