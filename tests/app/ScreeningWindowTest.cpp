// GO, Abort, automatic passes and the mail client, with the engine screening a real dovecot
// mailbox (and a scripted server where a server must fall silent).
#include "WindowFixture.h"
#include "app/TfrmNotify.h"
#include "app/TrayIcon.h"
#include "engine/ScreeningEngine.h"
#include "settings/PasswordCipher.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/FakeServer.h"
#include "tests/support/WaitFor.h"
#include "widgets/ImageButton.h"
#include "widgets/StatusList.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

using namespace sievra;

namespace {

// A minute of "Interval" lasts this long here.
constexpr int TestMinuteMs = 300;

QByteArray Mail(const QString& from, const QString& subject) {
    return QStringLiteral("From: %1\nSubject: %2\nDate: Tue, 8 Dec 2026 10:00:00 +0000\n\nBody.\n")
        .arg(from, subject)
        .toUtf8();
}

class ScreeningWindowTest : public test::WindowFixture {
public:
    static void SetUpTestSuite() { pop = new test::DovecotServer(); }
    static void TearDownTestSuite() {
        delete pop;
        pop = nullptr;
    }

protected:
    void SetUp() override {
        minuteMs = TestMinuteMs;
        user = QStringLiteral("user%1").arg(++users);
        pop->AddUser(user, user + "-pw");
        pop->AddMessages(user, {Mail("Friend <friend@example.org>", "hello"),
                                Mail("Spam <spam@example.net>", "buy now")});
    }
    void TearDown() override { TrayIcon::SetAvailableForTests(std::nullopt); }

    // The product key and one account "Home" that screens this test's mailbox on `port`.
    void WriteStore(bool autoRun, quint16 port, bool tested = true) {
        test::AddressBookBytes book(2);
        book.Add(test::AddressBookBytes::Record("friend@example.org", "Friend"));
        auto p = Product();
        p.WriteFlag("AutoRun", autoRun);
        p.WriteNumber("Interval", 1);
        p.WriteText("WAB File", home.WriteFile("book.wab", book.Bytes()));
        p.WriteText("EMail Client", "/nonexistent/mail-client");
        auto a = AccountKey();
        a.WriteFlag("Active", true);
        a.WriteText("Account Name", "Home");
        a.WriteText("POP3 Server", "127.0.0.1");
        a.WriteText("POP3 Port", QString::number(port));
        a.WriteNumber("POP3 Security", 0); // chosen: the test server's STLS is not for it
        a.WriteText("POP3 User Name", user);
        a.WriteText("POP3 Password", EncodePassword(user + "-pw"));
        a.WriteFlag("Save POP3 Password", true);
        a.WriteNumber("POP3 Timeout", 60);
        a.WriteFlag("POP3 Tested", tested);
        store->OpenKey(AccountKeyPath("00000001") + "\\Code Words", true)
            ->WriteText("1", "orchard|");
        store->OpenKey(AccountKeyPath("00000001") + "\\Hints", true);
    }

    // Opens the window and follows its status list: every line as it is written.
    bool OpenWatchedWindow() {
        if (!OpenWindow()) {
            return false;
        }
        auto* list = Find<StatusList>("lstTasks");
        QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                         [this, list](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i) {
                                 const QString line = list->item(i)->text();
                                 lines.append(line);
                                 if (onLine) {
                                     onLine(line);
                                 }
                             }
                         });
        return true;
    }
    int Passes() const { return static_cast<int>(lines.filter(QStringLiteral("RESULTS:")).size()); }
    bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }
    // Runs `act` once the event loop turns again, from inside whatever waits then.
    static void Soon(const std::function<void()>& act) { QTimer::singleShot(20, act); }

    static test::DovecotServer* pop;
    static int users;
    QString user;
    QStringList lines;
    std::function<void(const QString&)> onLine;
};

test::DovecotServer* ScreeningWindowTest::pop = nullptr;
int ScreeningWindowTest::users = 0;

TEST_F(ScreeningWindowTest, GoInManualModeTestsThenScreensWithTheWindowLocked) {
    WriteStore(false, pop->Pop3Port(), false);
    ASSERT_TRUE(OpenWatchedWindow());
    struct Look {
        bool go, close, abort, tree, add;
    };
    std::optional<Look> inTest, inPass;
    onLine = [&](const QString& line) {
        const Look now{Enabled("butGO"), Enabled("butClose"), Enabled("butAbort"),
                       Enabled("tvAccounts"), Enabled("butAddAccount")};
        if (line == "Getting status.." && !inTest) {
            inTest = now;
        } else if (line.startsWith("Retrieving")) {
            inPass = now;
        }
    };
    Click("butGO");

    ASSERT_TRUE(inTest && inPass) << lines.join('\n').toStdString();
    EXPECT_FALSE(inTest->go || inTest->close || inTest->tree || inTest->add);
    EXPECT_FALSE(inPass->go || inPass->close || inPass->tree || inPass->add);
    EXPECT_TRUE(inPass->abort);
    EXPECT_TRUE(Enabled("butGO") && Enabled("butClose") && Enabled("tvAccounts"));
    EXPECT_FALSE(Enabled("butAbort"));
    EXPECT_EQ(lines.last(), "RESULTS: 1 waiting. 1 deleted. 0 Error(s)");
    EXPECT_EQ(Stored(AccountKeyPath("00000001"), "POP3 Tested")->Number, 1)
        << "the connection test is remembered in the store";
    const QList<QByteArray> left = pop->Messages(user);
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left[0].contains("friend@example.org"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->AutoTimer()->isActive());
    EXPECT_TRUE(dialogs.Warnings.isEmpty()) << dialogs.Warnings.join('\n').toStdString();
}

TEST_F(ScreeningWindowTest, GoInAutomaticModeScreensAtOnceThenWaitsOutOfSight) {
    for (const bool tray : {false, true}) {
        SCOPED_TRACE(tray ? "with a notification area" : "without one");
        TrayIcon::SetAvailableForTests(tray);
        WriteStore(true, pop->Pop3Port());
        minuteMs = 60000;
        ASSERT_TRUE(OpenWatchedWindow());
        EXPECT_TRUE(window->Tray().Added());
        Click("butGO");
        if (tray) {
            EXPECT_FALSE(window->isVisible());
        } else {
            EXPECT_TRUE(window->isVisible() && window->isMinimized())
                << "without a tray the window stays within reach";
        }
        EXPECT_EQ(window->Tray().Tip(), "Sievra\rWaiting to run...");
        EXPECT_EQ(window->Tray().Icon()->toolTip(), "Sievra\nWaiting to run...");
        EXPECT_TRUE(window->AutoTimer()->isActive());
        EXPECT_EQ(window->AutoTimer()->interval(), 60000);
        EXPECT_TRUE(lines.isEmpty()) << "GO itself returns first";
        ASSERT_TRUE(test::WaitFor([&] { return Passes() == 1 && !window->Busy(); }, 20000))
            << "the first pass runs right after GO, not an interval later";
        EXPECT_TRUE(window->AutoTimer()->isActive());
        CloseWindow();
        lines.clear();
    }
}

TEST_F(ScreeningWindowTest, TheTimerScreensWhileHiddenAndOpeningTheWindowStopsIt) {
    TrayIcon::SetAvailableForTests(true);
    WriteStore(true, pop->Pop3Port());
    ASSERT_TRUE(OpenWatchedWindow());
    Click("butGO");
    ASSERT_TRUE(test::WaitFor([&] { return Passes() >= 1; }, 20000));
    EXPECT_EQ(lines.last(), "RESULTS: 1 waiting. 1 deleted. 0 Error(s)");
    EXPECT_EQ(window->Tray().Tip(), "Sievra\r1 Message Waiting\r1 Spam deleted\r0 Errors");
    EXPECT_FALSE(window->Tray().Animating());
    EXPECT_EQ(window->Tray().ShownFrame(), -1) << "the program's icon is back";
    EXPECT_TRUE(window->Tray().LaunchEMailClientAction()->isEnabled());
    EXPECT_TRUE(window->AutoTimer()->isActive()) << "hidden: the next pass is due";
    EXPECT_FALSE(window->isVisible());

    ASSERT_TRUE(test::WaitFor([&] { return Passes() >= 2; }, 20000));
    EXPECT_EQ(window->Tray().Tip(), "Sievra\r1 Message Waiting\r1 Spam deleted\r0 Errors");
    EXPECT_EQ(pop->Messages(user).size(), 1);

    emit window->Tray().Icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->AutoTimer()->isActive());
    const int passes = Passes();
    test::RunEventsFor(3 * TestMinuteMs);
    EXPECT_EQ(Passes(), passes) << "no pass while the user has the window";
}

TEST_F(ScreeningWindowTest, AWindowOpenedDuringAPassKeepsTheTimerOff) {
    TrayIcon::SetAvailableForTests(false);
    WriteStore(true, pop->Pop3Port());
    ASSERT_TRUE(OpenWatchedWindow());
    onLine = [&](const QString& line) {
        if (line == "Getting status..") {
            window->Tray().OpenAction()->trigger();
        }
    };
    Click("butGO");
    ASSERT_TRUE(window->isMinimized());
    ASSERT_TRUE(test::WaitFor([&] { return Passes() >= 1; }, 20000));
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->AutoTimer()->isActive());
    test::RunEventsFor(3 * TestMinuteMs);
    EXPECT_EQ(Passes(), 1);
    EXPECT_TRUE(Enabled("butGO"));
}

TEST_F(ScreeningWindowTest, NoSecondPassStartsInsideARunningOne) {
    TrayIcon::SetAvailableForTests(true);
    WriteStore(true, pop->Pop3Port());
    ASSERT_TRUE(OpenWatchedWindow());
    QAction* checkNow = window->Tray().CheckEMailAction();
    bool checkNowEnabledInPass = true;
    onLine = [&](const QString& line) {
        if (line == "Getting status..") {
            checkNowEnabledInPass = checkNow->isEnabled();
            checkNow->trigger();
            window->AutoTimer()->start(0); // the timer falling due meanwhile
        }
    };
    checkNow->trigger();
    test::RunEventsFor(200);
    onLine = nullptr;

    EXPECT_FALSE(checkNowEnabledInPass);
    EXPECT_TRUE(checkNow->isEnabled());
    const qsizetype results = lines.indexOf("RESULTS: 1 waiting. 1 deleted. 0 Error(s)");
    ASSERT_GE(results, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.mid(0, results).filter("Connecting to").size(), 1)
        << lines.join('\n').toStdString();
    EXPECT_FALSE(window->AutoTimer()->isActive()) << "GO never started automatic mode";
}

TEST_F(ScreeningWindowTest, TheMailClientFromThePopupAndTheTrayMenu) {
    TrayIcon::SetAvailableForTests(true);
    WriteStore(true, pop->Pop3Port());
    Product().WriteFlag("Visual Alert", true);
    ASSERT_TRUE(OpenWatchedWindow());
    // The pop-up is modal inside the pass: press Get Mail as soon as it shows.
    QString popupText;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (TfrmNotify* notify = window->Notify(); notify != nullptr && notify->isVisible()) {
            popupText = notify->lblMessage->text();
            QTest::mouseClick(notify->butGetmail, Qt::LeftButton);
        }
    });
    watcher.start(10);
    Click("butGO");
    ASSERT_TRUE(test::WaitFor([&] { return Passes() >= 1 && !window->Busy(); }, 20000));
    watcher.stop();
    window->AutoTimer()->stop();

    EXPECT_EQ(popupText, "You have 1 message waiting!");
    EXPECT_EQ(dialogs.Warnings, QStringList({"Error launching /nonexistent/mail-client!"}));
    EXPECT_EQ(window->Engine().Counters().WaitingCount, 1) << "nothing was launched";
    EXPECT_TRUE(window->Tray().LaunchEMailClientAction()->isEnabled());

    // A client that leaves a mark when it runs, chosen in the window.
    const QString mark = home.Path() + "/client-ran";
    const QString client = home.WriteFile(
        "bin/mail-client", QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(mark).toUtf8());
    QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    window->Tray().OpenAction()->trigger();
    Select({"Settings"});
    dialogs.ChosenFile = client;
    Click("butChangeEMailClient");
    window->Tray().LaunchEMailClientAction()->trigger();
    EXPECT_TRUE(test::WaitFor([&] { return QFileInfo::exists(mark); }, 10000));
    EXPECT_EQ(window->Engine().Counters().WaitingCount, 0);
    EXPECT_FALSE(window->Tray().LaunchEMailClientAction()->isEnabled());
    EXPECT_EQ(dialogs.Warnings.size(), 1);
}

// A server that answers up to TOP and then says nothing more.
void ScriptSilentTop(test::FakeServer& server, const QString& user) {
    server.Says("+OK ready")
        .Expects("CAPA")
        .Says("-ERR")
        .Expects(("USER " + user).toUtf8())
        .Says("+OK")
        .Expects(("PASS " + user + "-pw").toUtf8())
        .Says("+OK logged in")
        .Expects("STAT")
        .Says("+OK 1 120")
        .Expects("TOP 1 0")
        .StaysSilent();
}

TEST_F(ScreeningWindowTest, AbortEndsAPassThatWaitsOnTheServer) {
    test::FakeServer server;
    ScriptSilentTop(server, user);
    WriteStore(false, server.Port());
    ASSERT_TRUE(OpenWatchedWindow());
    onLine = [&](const QString& line) {
        if (line.startsWith("Retrieving 1 header")) {
            Soon([&] { Click("butAbort"); });
        }
    };
    Click("butGO");
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_TRUE(lines.contains("Aborting!")) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression("^Error \\d+: Aborted$")).size(), 1)
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.last(), "RESULTS: 0 waiting. 0 deleted. 1 not screened. 1 Error(s)");
    EXPECT_FALSE(Enabled("butAbort"));
    EXPECT_TRUE(Enabled("butGO") && Enabled("butClose"));
}

// A server that takes the connection and never greets: Abort (or Esc) ends the connection
// test at once instead of after the whole time-out, and nothing counts as tested.
TEST_F(ScreeningWindowTest, AbortEndsAConnectionTestThatWaitsOnASilentServer) {
    test::FakeServer server;
    server.StaysSilent();
    WriteStore(false, server.Port(), false);
    ASSERT_TRUE(OpenWatchedWindow());
    bool abortOn = false;
    onLine = [&](const QString& line) {
        if (line.startsWith("Connecting to")) {
            abortOn = Enabled("butAbort");
            Soon([&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
        }
    };
    Click("butGO");
    EXPECT_TRUE(abortOn);
    EXPECT_TRUE(lines.contains("Aborting!")) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression("^Error \\d+: Aborted$")).size(), 1);
    EXPECT_FALSE(Enabled("butAbort"));
    EXPECT_TRUE(Enabled("butGO") && Enabled("tvAccounts"));
    EXPECT_TRUE(dialogs.Warnings.isEmpty()) << "an abort is no failed test";
    EXPECT_EQ(Stored(AccountKeyPath("00000001"), "POP3 Tested")->Number, 0);
}

TEST_F(ScreeningWindowTest, QuitDuringAPassAbortsItAndEndsAfterIt) {
    test::FakeServer server;
    ScriptSilentTop(server, user);
    WriteStore(true, server.Port());
    ASSERT_TRUE(OpenWatchedWindow());
    QSignalSpy quit(window.get(), &TfrmMain::quitRequested);
    int quitsAtResults = -1;
    onLine = [&](const QString& line) {
        if (line.startsWith("Retrieving 1 header")) {
            Soon([&] { window->Tray().ExitAction()->trigger(); });
        }
        if (line.startsWith("RESULTS:")) {
            quitsAtResults = static_cast<int>(quit.count());
        }
    };
    window->Tray().CheckEMailAction()->trigger();
    EXPECT_TRUE(lines.contains("Aborting!")) << lines.join('\n').toStdString();
    EXPECT_EQ(quitsAtResults, 0) << "the program must not end inside the pass";
    EXPECT_EQ(quit.count(), 1);
    EXPECT_FALSE(window->AutoTimer()->isActive());
}

} // namespace
