// The tray icon and its menu, the new-mail pop-up, help and the autostart entry.
#include "WindowFixture.h"
#include "app/AutostartEntry.h"
#include "app/HelpWindow.h"
#include "app/TfrmNotify.h"
#include "app/TrayIcon.h"
#include "widgets/DesktopIntegration.h"
#include "widgets/ImageButton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

using namespace sievra;

namespace {

class TrayTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        Product().WriteFlag("AutoRun", true);
        TrayIcon::SetAvailableForTests(true);
    }
    void TearDown() override {
        TrayIcon::SetAvailableForTests(std::nullopt);
        TfrmNotify::SetCloseDelayForTests(0);
    }
    // Runs `act` against the modal window that opens next.
    static void WhenModalOpens(const std::function<void(QWidget*)>& act) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll, act] {
            QWidget* modal = QApplication::activeModalWidget();
            for (QWidget* top : QApplication::topLevelWidgets()) {
                // The new-mail pop-up is waited for without being modal.
                if (modal == nullptr && top->isVisible() && qobject_cast<TfrmNotify*>(top)) {
                    modal = top;
                }
            }
            if (modal != nullptr) {
                poll->stop();
                poll->deleteLater();
                act(modal);
            }
        });
        poll->start(10);
    }
    QStringList MenuTexts() {
        QStringList texts;
        for (const QAction* action : window->Tray().Menu()->actions()) {
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return texts;
    }
};

TEST_F(TrayTest, AutomaticModeAddsTheIconWithItsMenuAndUncheckingRemovesIt) {
    ASSERT_TRUE(OpenWindow());
    TrayIcon& tray = window->Tray();
    EXPECT_TRUE(tray.Added());
    EXPECT_FALSE(window->ShowMainWindowFlag()) << "automatic mode starts without the window";
    EXPECT_EQ(MenuTexts(), QStringList({"Open", "-", "Check EMail Now", "-", "Launch EMail Client",
                                        "-", "About..", "Quit"}));
    EXPECT_EQ(tray.Menu()->defaultAction(), tray.OpenAction());
    EXPECT_FALSE(tray.LaunchEMailClientAction()->isEnabled());
    EXPECT_EQ(tray.Icon()->contextMenu(), tray.Menu());

    Click("chkAuto");
    EXPECT_FALSE(tray.Added());
    EXPECT_FALSE(tray.Icon()->isVisible());
    EXPECT_TRUE(window->ShowMainWindowFlag());
    Click("chkAuto");
    EXPECT_TRUE(tray.Added());
}

TEST_F(TrayTest, NineTicksShowFramesZeroToSevenThenZeroAndGoOnWhereTheyStopped) {
    ASSERT_TRUE(OpenWindow());
    TrayIcon& tray = window->Tray();
    QSignalSpy frames(&tray, &TrayIcon::frameShown);
    window->StartTrayAnimation();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frames.count() >= 9; }, 5000));
    window->StopTrayAnimation();
    QList<int> shown;
    for (const QList<QVariant>& args : frames.mid(0, 9)) {
        shown.append(args.at(0).toInt());
    }
    EXPECT_EQ(shown, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 0}));
    EXPECT_EQ(tray.ShownFrame(), -1);
    const qint64 onShow = tray.Icon()->icon().cacheKey();
    for (const QIcon& frame : tray.Frames()) {
        EXPECT_NE(frame.cacheKey(), onShow) << "stopped: the program's icon again";
    }

    const int next = (frames.last().at(0).toInt() + 1) % TrayIcon::FrameCount;
    frames.clear();
    window->StartTrayAnimation();
    ASSERT_TRUE(frames.wait(2000));
    window->StopTrayAnimation();
    EXPECT_EQ(frames.first().at(0).toInt(), next) << "the index is not reset between passes";
}

TEST_F(TrayTest, ALeftClickOpensTheWindowAndStopsTheTimerExceptWhileAboutIsOpen) {
    ASSERT_TRUE(OpenWindow());
    TrayIcon& tray = window->Tray();
    window->StartAutomaticMode(10);
    ASSERT_FALSE(window->isVisible());
    ASSERT_TRUE(window->AutoTimer()->isActive());

    bool aboutSeen = false;
    WhenModalOpens([&](QWidget* about) {
        aboutSeen = about->objectName() == "frmSplash";
        EXPECT_EQ(tray.Tag(), 1);
        EXPECT_EQ(tray.Icon()->contextMenu(), nullptr) << "no menu over the About box";
        emit tray.Icon()->activated(QSystemTrayIcon::Trigger);
        EXPECT_FALSE(window->isVisible());
        EXPECT_TRUE(window->AutoTimer()->isActive());
        QTest::keyClick(about, Qt::Key_Escape);
    });
    tray.AboutAction()->trigger();
    EXPECT_TRUE(aboutSeen);
    EXPECT_EQ(tray.Tag(), 0);
    EXPECT_EQ(tray.Icon()->contextMenu(), tray.Menu());

    emit tray.Icon()->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(window->isVisible()) << "a right click only shows the menu";
    emit tray.Icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->AutoTimer()->isActive());
}

TEST_F(TrayTest, ThePopupSaysHowManyMessagesWaitAndEndsWithCancel) {
    ASSERT_TRUE(OpenWindow());
    struct Case {
        int count;
        QString text;
        std::function<void(TfrmNotify*)> close;
    };
    const QList<Case> cases = {
        {1, "You have 1 message waiting!",
         [](TfrmNotify* n) {
             QTest::mouseClick(n->butClose, Qt::LeftButton);
         }},
        {3, "You have 3 messages waiting!",
         [](TfrmNotify* n) {
             QTest::keyClick(n, Qt::Key_Escape);
         }},
    };
    for (const Case& c : cases) {
        QString text;
        WhenModalOpens([&](QWidget* modal) {
            auto* notify = qobject_cast<TfrmNotify*>(modal);
            ASSERT_NE(notify, nullptr);
            text = notify->lblMessage->text();
            EXPECT_TRUE(notify->lblMessage->font().bold());
            EXPECT_EQ(notify->windowTitle(), "Message");
            EXPECT_TRUE(notify->windowFlags().testFlag(Qt::FramelessWindowHint));
            EXPECT_TRUE(notify->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            EXPECT_EQ(notify->size(), QSize(352, 147));
            EXPECT_EQ(notify->Timer1->interval(), 60000);
            c.close(notify);
        });
        window->ShowNewMailPopup(c.count);
        EXPECT_EQ(text, c.text);
    }
    EXPECT_TRUE(dialogs.Warnings.isEmpty()) << "Cancel starts no mail client";
    EXPECT_EQ(window->Notify(), nullptr);
}

TEST_F(TrayTest, ThePopupLeftAloneClosesByItselfWithoutTheMailClient) {
    Product().WriteText("EMail Client", "/nonexistent/mail-client");
    ASSERT_TRUE(OpenWindow());
    TfrmNotify::SetCloseDelayForTests(150);
    window->ShowNewMailPopup(2);
    EXPECT_TRUE(dialogs.Warnings.isEmpty());
    EXPECT_EQ(window->Notify(), nullptr);
}

// With a notification service the news goes there, nothing waits for it, and a click on it
// is Get Mail. A notification area that goes away while the window is hidden brings it back.
TEST_F(TrayTest, NewMailGoesToTheDesktopAndALostTrayBringsTheWindowBack) {
    Product().WriteText("EMail Client", "/nonexistent/mail-client");
    Product().WriteFlag("AutoRun", true);
    TrayIcon::SetAvailableForTests(true);
    TrayIcon::SetMessagesForTests(true);
    ASSERT_TRUE(OpenWindow());
    window->ShowNewMailPopup(2);
    EXPECT_EQ(window->Notify(), nullptr);
    emit window->Tray().Icon()->messageClicked();
    EXPECT_EQ(dialogs.Warnings, QStringList({"Error launching /nonexistent/mail-client!"}));

    window->hide();
    TrayIcon::SetAvailableForTests(false);
    window->Tray().CheckAvailability();
    EXPECT_TRUE(window->isVisible());
    TrayIcon::SetMessagesForTests(std::nullopt);
    TrayIcon::SetAvailableForTests(std::nullopt);
}

TEST_F(TrayTest, AMissingMailClientIsReported) {
    Product().WriteText("EMail Client", "/nonexistent/mail-client");
    ASSERT_TRUE(OpenWindow());
    window->EnableLaunchMailClient();
    window->Tray().LaunchEMailClientAction()->trigger();
    EXPECT_EQ(dialogs.Warnings, QStringList({"Error launching /nonexistent/mail-client!"}));
    EXPECT_TRUE(window->Tray().LaunchEMailClientAction()->isEnabled());
}

class HelpTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        Product().WriteFlag("AutoRun", true); // so the automatic options take the focus
    }
    bool OpenWithHelp(const QString& directory) {
        if (!OpenWindow()) {
            return false;
        }
        window->SetHelpDirectory(directory);
        return true;
    }
    void PressF1On(const QString& control) {
        QWidget* widget = Find<QWidget>(control);
        ASSERT_NE(widget, nullptr);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        widget->setFocus();
        ASSERT_TRUE(widget->hasFocus()) << control.toStdString();
        QTest::keyClick(widget, Qt::Key_F1);
    }
};

TEST_F(HelpTest, F1OpensThePageOfTheControlsTopic) {
    ASSERT_TRUE(OpenWithHelp(test::BuiltProgram("bin/help")));
    struct Case {
        QStringList node;
        QString control;
        QString page;
    };
    const QList<Case> cases = {
        {{"Settings"}, "chkVisual", "general-settings.html"},
        {{"Settings"}, "spnInterval", "general-settings.html"},
        {{"Settings"}, "butAddSourceFile", "address-book.html"},
        {{"Settings", "Home"}, "txtHost", "account-pop3.html"},
        {{"Settings", "Home"}, "txtAccountName", "account-pop3.html"},
        {{"Settings", "Home"}, "txtSMTPPort", "account-smtp.html"},
        {{"Settings", "Home", "Code Words"}, "lstHints", "code-words.html"},
        {{"Message"}, "memFooter", "reply-text.html"},
        {{"Status"}, "lstTasks", "status-list.html"},
        {{"Status"}, "tvAccounts", "account-tree.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control.toStdString());
        Select(c.node);
        PressF1On(c.control);
        ASSERT_NE(window->Help(), nullptr);
        EXPECT_TRUE(window->Help()->isVisible());
        EXPECT_EQ(window->Help()->PageName(), c.page);
        EXPECT_FALSE(window->Help()->txtHelp->toPlainText().isEmpty());
        window->Help()->close();
    }

    window->close();
    EXPECT_FALSE(window->Help()->isVisible()) << "closing the main window closes help";
}

TEST_F(HelpTest, WithoutThePagesHelpDoesNothing) {
    ASSERT_TRUE(OpenWithHelp(home.Path() + "/no-help-here"));
    Select({"Settings", "Home"});
    PressF1On("txtHost");
    EXPECT_TRUE(window->Help() == nullptr || !window->Help()->isVisible());
    EXPECT_TRUE(window->isActiveWindow());
}

// The first-run contents open once: closed with Esc (or Ctrl+W), they stay closed when the
// window becomes active again, and they do not take the focus from it.
TEST_F(HelpTest, AFirstRunShowsTheContentsOnceAndEscOrCtrlWClosesThem) {
    Product().WriteFlag("First Time", true);
    window = std::make_unique<TfrmMain>(*store, dialogs);
    window->SetHelpDirectory(test::BuiltProgram("bin/help"));
    ASSERT_TRUE(window->FormCreate());
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Help() && window->Help()->isVisible(); }));
    EXPECT_EQ(window->Help()->PageName(), "index.html");
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->Help()));
    QTest::keyClick(window->Help()->txtHelp, Qt::Key_Escape);
    EXPECT_FALSE(window->Help()->isVisible());

    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::qWait(50);
    EXPECT_FALSE(window->Help()->isVisible());

    // Asked for with F1, it opens again; Ctrl+W closes it too.
    Select({"Settings", "Home"});
    PressF1On("txtHost");
    ASSERT_TRUE(window->Help()->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->Help()));
    QTest::keyClick(window->Help()->txtHelp, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->Help()->isVisible());
}

class AutostartTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        Product().WriteFlag("AutoRun", true);
    }
    QString EntryPath() const { return home.ConfigHome() + "/autostart/sievra.desktop"; }
    QString Entry() const {
        QFile file(EntryPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

TEST_F(AutostartTest, LoadAtStartupWritesTheEntryAndLeavingAutomaticModeRemovesIt) {
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ReadUser | QFileDevice::WriteUser;
    test::WriteTestFile(EntryPath(), "[Desktop Entry]\n"); // as an older version left it
    QFile::setPermissions(EntryPath(), ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    ASSERT_TRUE(OpenWindow());
    EXPECT_EQ(QFileInfo(EntryPath()).permissions() & 0x7777, ownerOnly) << "tightened at start";
    EXPECT_EQ(AutostartEntryPath(), EntryPath());
    Click("chkAutoLoad");
    const QString entry = Entry();
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"" + QCoreApplication::applicationFilePath() + "\"\n"))
        << entry.toStdString();
    EXPECT_EQ(Stored(ProductKey, "AutoLoad")->Number, 1);
    EXPECT_EQ(QFileInfo(EntryPath()).permissions() & 0x7777, ownerOnly);

    Click("chkAuto");
    EXPECT_FALSE(QFileInfo::exists(EntryPath()));
    EXPECT_EQ(Stored(ProductKey, "AutoRun")->Number, 0);
    EXPECT_EQ(Stored(ProductKey, "AutoLoad")->Number, 0);
    auto* autoLoad = Find<QCheckBox>("chkAutoLoad");
    EXPECT_FALSE(autoLoad->isChecked());
    EXPECT_FALSE(autoLoad->isEnabled());
    EXPECT_FALSE(window->Tray().Added());
}

TEST_F(AutostartTest, AnEntryThatCannotBeWrittenLeavesAutoLoadAlone) {
    // A file where the autostart folder should be.
    home.WriteFile("config/autostart", "not a folder");
    ASSERT_TRUE(OpenWindow());
    Click("chkAutoLoad");
    EXPECT_FALSE(Stored(ProductKey, "AutoLoad").has_value());
    ASSERT_EQ(dialogs.Warnings.size(), 1);
    EXPECT_TRUE(dialogs.Warnings[0].contains("sievra.desktop"))
        << dialogs.Warnings[0].toStdString();
    EXPECT_TRUE(Find<QCheckBox>("chkAutoLoad")->isChecked()) << "shows the new state";
}

// An installed tree as cmake --install lays it out under any prefix: everything is found from
// the program's folder, and "Load at startup" runs what the menu entry runs.
TEST_F(AutostartTest, AnInstalledProgramFindsItsFilesAndAutostartsAsItsMenuEntry) {
    const QString bin = home.Path() + "/prefix/bin";
    test::WriteTestFile(bin + "/sievra", "");
    EXPECT_EQ(HelpDirectory(bin), home.Path() + "/prefix/share/sievra/help");
    EXPECT_EQ(WizardProgram(bin), bin + "/sievra-wizard") << "named in the warning";
    EXPECT_TRUE(InstalledDesktopEntry(bin).isEmpty());
    test::WriteTestFile(bin + "/wizard", "");
    EXPECT_EQ(WizardProgram(bin), bin + "/wizard") << "as built";
    test::WriteTestFile(bin + "/sievra-wizard", "");
    EXPECT_EQ(WizardProgram(bin), bin + "/sievra-wizard") << "as installed";
    test::WriteTestFile(bin + "/help/index.html", "");
    EXPECT_EQ(HelpDirectory(bin), bin + "/help");

    const QString entry = home.Path() + "/prefix/share/applications/" + AppId() + ".desktop";
    test::WriteTestFile(entry, "[Desktop Action x]\nExec=other\n[Desktop Entry]\nName=Sievra\n"
                               "Exec=sievra --flag\n");
    EXPECT_EQ(QFileInfo(InstalledDesktopEntry(bin)), QFileInfo(entry));
    ASSERT_TRUE(WriteAutostartEntry(bin + "/sievra"));
    EXPECT_TRUE(Entry().contains("\nExec=sievra --flag\n")) << Entry().toStdString();
    EXPECT_TRUE(Entry().contains("\nIcon=" + AppId() + "\n"));
}

TEST(AutostartEntryText, QuotesThePathAsTheExecKeyNeeds) {
    const QString text = AutostartEntryText("/opt/my apps/$HOME/sie\"vra\\x%1");
    EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/\\\\$HOME/sie\\\\\"vra\\\\\\\\x%%1\"\n"))
        << text.toStdString();
    EXPECT_TRUE(AutostartEntryText("/opt/sie\nvra").isEmpty()) << "no line break in a key";
    EXPECT_TRUE(AutostartEntryText("").isEmpty());
}

} // namespace
