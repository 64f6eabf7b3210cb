#include "settings/TextDump.h"

#include "settings/PasswordCipher.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

QString Dump(SettingsStore& store, const QString& path = "\\") {
    QString text;
    QTextStream out(&text);
    ExportKey(store, path, out);
    out.flush();
    return text;
}

TEST(TextDump, RoundTripsEveryTypeAndAwkwardText) {
    test::TestHome home;
    QString dump;
    const QString awkward = "quote \" backslash \\ tab \t cr \r lf \n bell \x07 é 漢字 =|[x]";
    {
        SettingsStore store;
        auto key = store.OpenKey(AccountKeyPath("00000001"), true);
        key->WriteText("Account Name", awkward);
        key->WriteText("", "default value");
        key->WriteText("weird \"name\" = [x]", "v");
        key->WriteNumber("POP3 Timeout", -2147483647 - 1);
        key->WriteFlag("Active", true);
        key->WriteText("Empty", "");
        store.OpenKey(AccountKeyPath("00000001") + "\\Code Words", true);
        store.OpenKey(ProductKey, true)->WriteNumber("LastID", 1);
        dump = Dump(store);
    }
    EXPECT_TRUE(dump.contains("[\\Software\\Orlent Software\\Sievra\\00000001\\Code Words]"))
        << dump.toStdString();
    EXPECT_TRUE(dump.contains("\"Active\"=int:1"));

    test::TestHome other;
    SettingsStore fresh;
    QTextStream in(&dump);
    ImportDump(fresh, in);
    EXPECT_EQ(Dump(fresh), dump);
    auto key = fresh.OpenKey(AccountKeyPath("00000001"));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadText("Account Name"), awkward);
    EXPECT_EQ(key->ReadNumber("POP3 Timeout"), -2147483647 - 1);
    EXPECT_EQ(key->Read("Empty")->Type, ValueType::Text);
    EXPECT_TRUE(fresh.KeyExists(AccountKeyPath("00000001") + "\\Code Words"));
}

TEST(TextDump, MalformedDumpWritesNothing) {
    test::TestHome home;
    SettingsStore store;
    QString dump = "[\\A]\n\"x\"=int:1\n\"y\"=text:\"unterminated\n";
    QTextStream in(&dump);
    EXPECT_THROW(ImportDump(store, in), StoreError);
    EXPECT_FALSE(store.KeyExists("\\A"));
    for (QString bad : {QString("\"x\"=int:1\n"), QString("[\\A]\n\"x\"=int:abc\n"),
                        QString("[\\A]\n\"x\"=float:1\n"), QString("[\\A]\n\"x\\q\"=int:1\n")}) {
        QTextStream s(&bad);
        EXPECT_THROW(ImportDump(store, s), StoreError) << bad.toStdString();
    }
}

class SettingsTool : public testing::Test {
protected:
    int Run(const QStringList& args, const QByteArray& input = {}) {
        QProcess p;
        p.start(test::BuiltProgram("bin/sievra-settings"), args);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(30000));
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }
    test::TestHome home;
    QString out;
    QString err;
};

TEST_F(SettingsTool, SetGetListDeleteWithExitCodes) {
    const QString key = "\\Software\\Orlent Software\\Sievra\\00000001";
    EXPECT_EQ(Run({"get", key, "Active"}), 1);
    EXPECT_EQ(Run({"set", key, "Active", "--flag", "1"}), 0) << err.toStdString();
    EXPECT_EQ(Run({"set", key, "POP3 Timeout", "--int", "45"}), 0);
    EXPECT_EQ(Run({"set", key, "Account Name", "--text", "Home \"mail\""}), 0);
    EXPECT_EQ(Run({"get", key, "account name"}), 0);
    EXPECT_EQ(out, "Home \"mail\"\n");
    EXPECT_EQ(Run({"get", key, "POP3 Timeout"}), 0);
    EXPECT_EQ(out, "45\n");
    EXPECT_EQ(Run({"list", "\\Software"}), 0);
    EXPECT_TRUE(out.contains("\"POP3 Timeout\" (int) 45")) << out.toStdString();

    EXPECT_EQ(Run({"set", key, "Active", "--flag", "2"}), 2);
    EXPECT_EQ(Run({"set", key, "Active", "--int", "x"}), 2);
    EXPECT_EQ(Run({"set", key, "Active"}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(out.contains("set-password"));

    EXPECT_EQ(Run({"delete", key, "Nothing"}), 1);
    EXPECT_EQ(Run({"delete", key, "Active"}), 0);
    EXPECT_EQ(Run({"get", key, "Active"}), 1);
    EXPECT_EQ(Run({"delete", key}), 0);
    EXPECT_EQ(Run({"delete", key}), 1);
    EXPECT_EQ(Run({"list", key}), 1);
}

TEST_F(SettingsTool, PasswordIsStoredProtectedAndExportImportRoundTrips) {
    const QString key = "\\Software\\Orlent Software\\Sievra\\00000002";
    EXPECT_EQ(Run({"set-password", key, "POP3 Password", "hunter2"}), 0);
    EXPECT_EQ(Run({"get", key, "POP3 Password"}), 0);
    EXPECT_NE(out.trimmed(), "hunter2");
    EXPECT_EQ(DecodePassword(out.trimmed()), "hunter2");

    EXPECT_EQ(Run({"set", key, "Subject", "--text", "Grüße \\ \"x\""}), 0);
    EXPECT_EQ(Run({"export"}), 0);
    const QString dump = out;
    EXPECT_EQ(Run({"delete", "\\Software"}), 0);
    EXPECT_EQ(Run({"import", "-"}, dump.toUtf8()), 0) << err.toStdString();
    EXPECT_EQ(Run({"export"}), 0);
    EXPECT_EQ(out, dump);
    EXPECT_EQ(Run({"import", home.Path() + "/missing.txt"}), 1);
    EXPECT_EQ(Run({"import", "-"}, "garbage\n"), 2);
}

} // namespace
