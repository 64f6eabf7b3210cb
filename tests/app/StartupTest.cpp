#include "RecordingDialogs.h"
#include "app/HelpWindow.h"
#include "app/ProgramEntry.h"
#include "app/TfrmMain.h"
#include "app/TfrmSplash.h"
#include "app/TrayIcon.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"
#include "widgets/ImageButton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

const QString NoWizard = "Wizard.exe not found! Unable to initialize Sievra.";
const QString NoAccounts = "No accounts found! Unable to initialize Sievra.";

class StartupTest : public testing::Test {
protected:
    StartupTest()
        : programDir(home.Path() + "/bin") {
        QDir().mkpath(programDir);
    }

    // A stand-in wizard that leaves a mark beside itself when it runs.
    void PlaceWizard() {
        const QString path = programDir + "/wizard";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/wizard-ran\"\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString WizardMark() const { return programDir + "/wizard-ran"; }

    void WriteAccount(bool firstTime = false) {
        SettingsStore store;
        auto product = *store.OpenKey(ProductKey, true);
        product.WriteFlag("First Time", firstTime);
        store.OpenKey(AccountKeyPath("00000001"), true)->WriteText("Account Name", "Home");
    }

    bool FirstTimeStored() {
        SettingsStore store;
        return store.OpenKey(ProductKey)->ReadFlag("First Time");
    }

    test::TestHome home;
    QString programDir;
    test::RecordingDialogs dialogs;
};

TEST_F(StartupTest, WithoutSettingsOrWizardTheProgramWarnsAndEnds) {
    ProgramEntry entry(programDir, dialogs);
    EXPECT_FALSE(entry.Start());
    EXPECT_EQ(dialogs.Warnings, QStringList({NoWizard}));
    EXPECT_EQ(entry.MainWindow(), nullptr);
    EXPECT_NE(entry.ExitCode(), 0);
}

TEST_F(StartupTest, WithoutSettingsTheWizardBesideTheProgramIsStarted) {
    PlaceWizard();
    ProgramEntry entry(programDir, dialogs);
    EXPECT_FALSE(entry.Start());
    EXPECT_TRUE(dialogs.Warnings.isEmpty());
    EXPECT_EQ(entry.MainWindow(), nullptr);
    EXPECT_EQ(entry.ExitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(WizardMark()); }, 10000));
}

TEST_F(StartupTest, SettingsWithoutAccountsEndWithoutStartingTheWizard) {
    PlaceWizard();
    {
        SettingsStore store;
        store.OpenKey(ProductKey, true)->WriteFlag("AutoRun", false);
    }
    ProgramEntry entry(programDir, dialogs);
    EXPECT_FALSE(entry.Start());
    EXPECT_EQ(dialogs.Warnings, QStringList({NoAccounts}));
    EXPECT_EQ(entry.MainWindow(), nullptr);
    EXPECT_EQ(entry.Splash(), nullptr);
    QTest::qWait(200);
    EXPECT_FALSE(QFileInfo::exists(WizardMark()));
}

TEST_F(StartupTest, TheSplashShowsWhileTheWindowIsMadeAndGoesAfterwards) {
    WriteAccount();
    ProgramEntry entry(programDir, dialogs);
    ASSERT_TRUE(entry.Start());
    ASSERT_NE(entry.Splash(), nullptr);
    EXPECT_TRUE(entry.Splash()->isVisible());
    EXPECT_FALSE(entry.Splash()->AboutMode());
    EXPECT_FALSE(entry.Splash()->OkButton()->isVisible());
    EXPECT_EQ(entry.Splash()->windowTitle(), "About Sievra");
    ASSERT_NE(entry.MainWindow(), nullptr);
    EXPECT_FALSE(entry.MainWindow()->isVisible()) << "the window waits for the splash";

    QSignalSpy started(&entry, &ProgramEntry::started);
    ASSERT_TRUE(started.wait(5000));
    EXPECT_EQ(entry.Splash(), nullptr);
    EXPECT_TRUE(entry.MainWindow()->isVisible());
    EXPECT_TRUE(dialogs.Warnings.isEmpty());
}

TEST_F(StartupTest, AutomaticModeRunsGoWhenTheStartIsDone) {
    WriteAccount();
    {
        SettingsStore store;
        store.OpenKey(ProductKey)->WriteFlag("AutoRun", true);
    }
    ProgramEntry entry(programDir, dialogs);
    ASSERT_TRUE(entry.Start());
    QSignalSpy started(&entry, &ProgramEntry::started);
    ASSERT_TRUE(started.wait(5000));
    TfrmMain* window = entry.MainWindow();
    EXPECT_TRUE(window->AutoTimer()->isActive()) << "GO started automatic mode";
    EXPECT_EQ(window->Tray().Tip(), "Sievra\rWaiting to run...");
    EXPECT_TRUE(window->Tray().Added());
    EXPECT_TRUE(window->isMinimized()) << "no notification area here: minimised, not hidden";
    EXPECT_TRUE(dialogs.Warnings.isEmpty());
}

TEST_F(StartupTest, AFailedGoInAutomaticModeBringsTheWindowBack) {
    WriteAccount();
    {
        SettingsStore store;
        store.OpenKey(ProductKey)->WriteFlag("AutoRun", true);
        store.OpenKey(AccountKeyPath("00000001"))->WriteFlag("Active", true);
    }
    ProgramEntry entry(programDir, dialogs);
    ASSERT_TRUE(entry.Start());
    QSignalSpy started(&entry, &ProgramEntry::started);
    ASSERT_TRUE(started.wait(5000));
    TfrmMain* window = entry.MainWindow();
    EXPECT_EQ(dialogs.Warnings, QStringList({"Account \"Home\" needs a password. Please enter "
                                             "all passwords before proceeding."}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->AutoTimer()->isActive());
}

TEST_F(StartupTest, FirstTimeIsResetAtOnceAndShowsHelpWhenTheWindowIsActive) {
    // The help pages beside the program.
    QDir().mkpath(programDir + "/help");
    ASSERT_TRUE(
        QFile::copy(test::BuiltProgram("bin/help/index.html"), programDir + "/help/index.html"));
    WriteAccount(true);
    {
        ProgramEntry entry(programDir, dialogs);
        ASSERT_TRUE(entry.Start());
        EXPECT_FALSE(FirstTimeStored()) << "reset before the window even shows";
        TfrmMain* window = entry.MainWindow();
        EXPECT_TRUE(window->FirstRun());
        QSignalSpy started(&entry, &ProgramEntry::started);
        ASSERT_TRUE(started.wait(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Help() && window->Help()->isVisible(); }));
        EXPECT_EQ(window->Help()->PageName(), "index.html");
        EXPECT_EQ(window->Help()->Directory(), programDir + "/help");
    }
    ProgramEntry again(programDir, dialogs);
    ASSERT_TRUE(again.Start());
    EXPECT_FALSE(again.MainWindow()->FirstRun());
}

TEST_F(StartupTest, DeletingTheLastAccountMakesTheNextStartEnd) {
    WriteAccount();
    {
        ProgramEntry entry(programDir, dialogs);
        ASSERT_TRUE(entry.Start());
        QSignalSpy started(&entry, &ProgramEntry::started);
        ASSERT_TRUE(started.wait(5000));
        TfrmMain* window = entry.MainWindow();
        auto* tree = window->findChild<QTreeWidget*>("tvAccounts");
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        auto* del = window->findChild<ImageButton*>("butDeleteAccount");
        QTest::mouseClick(del, Qt::LeftButton);
        EXPECT_EQ(dialogs.Questions, QStringList({"Delete account \"Home\"?"}));
    }
    PlaceWizard();
    ProgramEntry next(programDir, dialogs);
    EXPECT_FALSE(next.Start());
    EXPECT_EQ(dialogs.Warnings, QStringList({NoAccounts}));
    QTest::qWait(200);
    EXPECT_FALSE(QFileInfo::exists(WizardMark()));
}

TEST_F(StartupTest, AStoreThatCannotBeOpenedIsReportedAndKept) {
    const QByteArray junk("this is not a settings file, and it must survive", 48);
    home.WriteFile("config/sievra/settings.db", junk);
    ProgramEntry entry(programDir, dialogs);
    EXPECT_FALSE(entry.Start());
    ASSERT_EQ(dialogs.Errors.size(), 1);
    EXPECT_TRUE(dialogs.Errors[0].contains("settings.db")) << dialogs.Errors[0].toStdString();
    QFile file(home.StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), junk);
}

TEST(AboutBoxTest, OkAndTheKeysCloseOnlyTheAboutBox) {
    TfrmSplash about(true);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_TRUE(about.OkButton()->isVisible());
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());

    TfrmSplash splash(false);
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    QTest::keyClick(&splash, Qt::Key_Escape);
    EXPECT_TRUE(splash.isVisible()) << "the splash goes by itself";
}

} // namespace
