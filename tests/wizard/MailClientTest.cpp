#include "tests/support/TestHome.h"
#include "tests/wizard/QtPrinters.h"
#include "wizard/MailClientDiscovery.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

// A private XDG data home with application folders and a PATH of our own.
class MailClientTest : public testing::Test {
protected:
    MailClientTest()
        : oldDirs_(qgetenv("XDG_DATA_DIRS"))
        , oldPath_(qgetenv("PATH")) {
        qputenv("XDG_DATA_DIRS", (home_.Path() + "/system").toUtf8());
        qputenv("PATH", (home_.Path() + "/bin").toUtf8());
    }
    ~MailClientTest() override {
        qputenv("XDG_DATA_DIRS", oldDirs_);
        qputenv("PATH", oldPath_);
    }

    QString Program(const QString& relative) {
        const QString path = home_.WriteFile(relative, "#!/bin/sh\n");
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    // folder is relative to the home: "data" is XDG_DATA_HOME, "system" XDG_DATA_DIRS.
    void Desktop(const QString& folder, const QString& id, const QByteArray& exec) {
        home_.WriteFile(folder + "/applications/" + id,
                        "[Desktop Entry]\nName=Mail\nExec=" + exec +
                            "\n\n[Desktop Action compose]\nExec=other %u\n");
    }
    QString Found(const QString& answer) {
        return FindMailClient(
            [&](const QString& program, const QStringList& arguments) -> std::optional<QString> {
                EXPECT_EQ(program, "xdg-mime");
                EXPECT_EQ(arguments, QStringList({"query", "default", "x-scheme-handler/mailto"}));
                return answer;
            },
            home_.Path());
    }

    test::TestHome home_;
    QByteArray oldDirs_;
    QByteArray oldPath_;
};

TEST(ExecLineTest, QuotingEscapesAndFieldCodes) {
    EXPECT_EQ(SplitExecLine("thunderbird %u"), QStringList({"thunderbird"}));
    EXPECT_EQ(SplitExecLine(R"("/opt/My Mail/mail" --compose %U 100%% "a \"b\"")"),
              QStringList({"/opt/My Mail/mail", "--compose", "100%", "a \"b\""}));
    EXPECT_EQ(SplitExecLine(R"("/opt/with\sspace/mail")"), QStringList({"/opt/with space/mail"}));
    EXPECT_EQ(SplitExecLine(R"(/opt/split\sin\stwo)"), QStringList({"/opt/split", "in", "two"}))
        << "an escaped blank outside quotes still separates arguments";
    EXPECT_EQ(SplitExecLine(""), QStringList());
}

TEST_F(MailClientTest, DesktopEntryOfTheMailtoHandlerGivesTheFullProgramPath) {
    const QString inPath = Program("bin/tbird");
    Desktop("data", "user.desktop", "tbird -compose %u");
    EXPECT_EQ(Found("user.desktop\n"), inPath) << "a bare name is looked up on PATH";

    const QString quoted = Program("opt/Mail Client/run-mail");
    Desktop("system", "system.desktop", "\"" + quoted.toUtf8() + "\" %U");
    EXPECT_EQ(Found("system.desktop"), quoted) << "XDG_DATA_DIRS is searched too";

    // The user's own entry hides the system one of the same id.
    Desktop("system", "user.desktop", quoted.toUtf8());
    EXPECT_EQ(Found("user.desktop"), inPath);

    const QString snap = Program("snap/bin/thunderbird");
    Desktop("data", "snap.desktop",
            "env BAMF_DESKTOP_FILE_HINT=/x.desktop " + snap.toUtf8() + " %u");
    EXPECT_EQ(Found("snap.desktop"), snap);
}

TEST_F(MailClientTest, FlatpakEntryGivesTheExportedLauncher) {
    const QString root = home_.Path() + "/flatpak/exports";
    qputenv("XDG_DATA_DIRS", (root + "/share").toUtf8());
    Program("bin/flatpak");
    const QString launcher = Program("flatpak/exports/bin/org.example.Mail");
    home_.WriteFile("flatpak/exports/share/applications/org.example.Mail.desktop",
                    "[Desktop Entry]\nExec=flatpak run --command=mail org.example.Mail @@u %u @@\n"
                    "X-Flatpak=org.example.Mail\n");
    EXPECT_EQ(Found("org.example.Mail.desktop"), launcher);
}

TEST_F(MailClientTest, NothingFoundLeavesThePathEmpty) {
    EXPECT_EQ(FindMailClient([](const QString&, const QStringList&) { return std::nullopt; },
                             home_.Path()),
              "")
        << "xdg-mime missing or failing";
    EXPECT_EQ(Found(""), "") << "no handler set";
    EXPECT_EQ(Found("missing.desktop"), "");
    Desktop("data", "gone.desktop", "/nowhere/mail %u");
    EXPECT_EQ(Found("gone.desktop"), "") << "the program does not exist";
    Desktop("data", "unknown.desktop", "not-on-path %u");
    EXPECT_EQ(Found("unknown.desktop"), "");
    EXPECT_EQ(Found("../escape.desktop"), "");
}

} // namespace
