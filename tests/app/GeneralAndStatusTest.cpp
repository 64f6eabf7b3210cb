#include "WindowFixture.h"
#include "app/HeaderPicture.h"
#include "engine/ScreeningEngine.h"
#include "widgets/StatusList.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace sievra;

namespace {

class GeneralPanelTest : public test::WindowFixture {
protected:
    void SetUp() override { WriteStandardStore(); }
    bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }
};

TEST_F(GeneralPanelTest, LoadsTheOptionsAndEnablesThemWithAutomaticMode) {
    auto p = Product();
    p.WriteFlag("Beep", true);
    p.WriteNumber("Interval", 0);
    p.WriteText("WAB File", "/home/alice/book.wab");
    ASSERT_TRUE(OpenWindow());
    EXPECT_TRUE(Find<QCheckBox>("chkBeep")->isChecked());
    EXPECT_EQ(Find<QSpinBox>("spnInterval")->value(), 1) << "kept within 1 to 999";
    EXPECT_EQ(window->WabFile(), "/home/alice/book.wab");
    for (const char* name : {"chkBeep", "chkVisual", "spnInterval", "chkAutoLoad"}) {
        EXPECT_FALSE(Enabled(name)) << name;
    }
    EXPECT_EQ(Find<QWidget>("butGO")->toolTip(), "Begin processing");

    Click("chkAuto");
    EXPECT_EQ(Stored(ProductKey, "AutoRun")->Number, 1);
    for (const char* name : {"chkBeep", "chkVisual", "spnInterval", "chkAutoLoad"}) {
        EXPECT_TRUE(Enabled(name)) << name;
    }
    EXPECT_EQ(Find<QWidget>("butGO")->toolTip(), "Minimize to System Tray and await processing");
    Click("chkBeep");
    EXPECT_EQ(Stored(ProductKey, "Beep")->Number, 0);
    Click("chkVisual");
    EXPECT_EQ(Stored(ProductKey, "Visual Alert")->Number, 1);
    TypeInto("spnInterval", "15");
    Leave();
    EXPECT_EQ(Stored(ProductKey, "Interval")->Number, 15);
    EXPECT_EQ(window->IntervalMinutes(), 15);
}

TEST_F(GeneralPanelTest, InitRunsGoOnlyInAutomaticMode) {
    ASSERT_TRUE(OpenWindow());
    window->Init();
    EXPECT_FALSE(window->AutoTimer()->isActive()) << "manual mode waits for GO";
    EXPECT_TRUE(window->isVisible() && !window->isMinimized());
    CloseWindow();

    Product().WriteFlag("AutoRun", true);
    Product().WriteNumber("Interval", 10);
    AccountKey().WriteFlag("Active", false); // no password to ask for
    ASSERT_TRUE(OpenWindow());
    EXPECT_TRUE(Enabled("chkBeep"));
    window->Init();
    EXPECT_TRUE(window->AutoTimer()->isActive());
    EXPECT_EQ(window->AutoTimer()->interval(), 10 * 60000);
    EXPECT_TRUE(window->isMinimized()) << "no notification area here: minimised, not hidden";
}

TEST_F(GeneralPanelTest, ChoosingTheAddressBookAndTheMailClient) {
    Product().WriteText("WAB File", "/home/alice/books/book.wab");
    ASSERT_TRUE(OpenWindow());
    dialogs.ChosenFile = "";
    Click("butChangeWAB");
    ASSERT_EQ(dialogs.Choices.size(), 1u);
    EXPECT_EQ(dialogs.Choices[0].StartDirectory, "/home/alice/books");
    EXPECT_EQ(dialogs.Choices[0].Filter, "WAB files (*.wab *.WAB)");
    EXPECT_EQ(Stored(ProductKey, "WAB File")->Text, "/home/alice/books/book.wab")
        << "cancelling changes nothing";

    dialogs.ChosenFile = "/srv/other.wab";
    Click("butChangeWAB");
    EXPECT_EQ(Stored(ProductKey, "WAB File")->Text, "/srv/other.wab");
    EXPECT_EQ(window->WabFile(), "/srv/other.wab");

    dialogs.ChosenFile = "/usr/bin/thunderbird";
    Click("butChangeEMailClient");
    ASSERT_EQ(dialogs.Choices.size(), 3u);
    EXPECT_EQ(dialogs.Choices[2].StartDirectory, QDir::homePath()) << "no path yet";
    EXPECT_TRUE(dialogs.Choices[2].ExecutablesOnly);
    EXPECT_EQ(Stored(ProductKey, "EMail Client")->Text, "/usr/bin/thunderbird");
    EXPECT_EQ(window->EmailClient(), "/usr/bin/thunderbird");

    // The field can be cleared; Get Mail then says what is missing and where to set it.
    Click("butClearEMailClient");
    EXPECT_EQ(Stored(ProductKey, "EMail Client")->Text, "");
    window->LaunchMailClient();
    ASSERT_FALSE(dialogs.Warnings.isEmpty());
    EXPECT_TRUE(dialogs.Warnings.last().startsWith("No mail program is set. Choose one under "
                                                   "Settings, EMail Client"));
}

TEST_F(GeneralPanelTest, TheHeaderPictureIsDecodedFromItsJpeg) {
    ASSERT_TRUE(OpenWindow());
    const auto* header = window->findChild<HeaderPicture*>("imgHeader");
    ASSERT_NE(header, nullptr);
    EXPECT_FALSE(header->Picture().isNull());
    EXPECT_GT(header->Picture().width(), 400);
}

class StatusPanelTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        ASSERT_TRUE(OpenWindow());
        label = Find<QLabel>("lblStatus");
        bar = Find<QProgressBar>("pbStatus");
        list = Find<StatusList>("lstTasks");
    }
    QLabel* label = nullptr;
    QProgressBar* bar = nullptr;
    StatusList* list = nullptr;
};

// A pass that stops at the address book still shows why: the view goes to Status.
TEST_F(StatusPanelTest, APassWithoutAnAddressBookShowsTheStatusPanel) {
    window->Accounts().at(0)->Pop3Password = "secret";
    Select({"Settings"});
    Click("butGO");
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlStatus"}));
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->item(list->count() - 1)->text(), "Error: Unable to load address book.");
}

TEST_F(StatusPanelTest, StartsWithStatusAndNoBar) {
    Select({"Status"});
    EXPECT_EQ(Find<QLabel>("lblDateTime")->text(), "Status");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(StatusPanelTest, ALineShowsMarkedUpInTheListAndPlainInTheLabel) {
    Select({"Status"});
    window->Engine().WriteStatus("<B>Connecting to <font color=\"clGreen\">pop.example.org</B>",
                                 false, false);
    EXPECT_EQ(label->text(), "Connecting to pop.example.org");
    EXPECT_EQ(list->Lines(),
              QStringList({"<B>Connecting to <font color=\"clGreen\">pop.example.org</B>"}));
    EXPECT_EQ(label->width(), 400);

    window->Engine().WriteStatus("Retrieving 3 header(s)..", false, true);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(label->width(), 245);
    window->SetStatusBarPosition(250);
    EXPECT_EQ(bar->value(), 100) << "past the end is a full bar";

    // A label-only line replaces the label and leaves the list alone.
    window->Engine().WriteStatus("Retrieving header 2 of 3", true, true);
    EXPECT_EQ(label->text(), "Retrieving header 2 of 3");
    EXPECT_EQ(list->count(), 2);

    window->Engine().WriteStatus("a>b <B>c</B>", true, false);
    EXPECT_EQ(label->text(), "a>b <B>c</B>");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(label->width(), 400);

    window->ClearStatusLines();
    EXPECT_EQ(list->count(), 0);
    window->SetDateLabel("Testing...");
    EXPECT_EQ(Find<QLabel>("lblDateTime")->text(), "Testing...");
}

} // namespace
