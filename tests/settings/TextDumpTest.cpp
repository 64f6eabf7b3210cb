#include "settings/TextDump.h"

#include "settings/InitialGlobals.h"
#include "settings/NewAccount.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    QString Value(const QString& keyName, const QString& name) {
        SettingsStore store(home.StorePath());
        const auto value = store.OpenKey(AccountKeyPath(keyName))->Read(name);
        return !value                              ? "(missing)"
               : value->Type == ValueType::Integer ? QString::number(value->Number)
                                                   : value->Text;
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
    // Known values keep their type: a port stored as an integer would read as missing.
    EXPECT_EQ(Run({"set", key, "pop3 port", "--int", "110"}), 2);
    EXPECT_TRUE(err.contains("\"pop3 port\" is stored as text: use --text")) << err.toStdString();
    EXPECT_EQ(Run({"set", key, "POP3 Timeout", "--text", "60"}), 2);
    EXPECT_TRUE(err.contains("use --int")) << err.toStdString();
    EXPECT_EQ(Run({"set", "\\Software\\Orlent Software\\Sievra", "Interval", "--text", "5"}), 2);
    EXPECT_EQ(Run({"get", key, "POP3 Port"}), 1) << "nothing written";
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

// A headless account is the window's new account: same values, same order, same subkeys.
TEST_F(SettingsTool, AccountAddWritesWhatTheWindowWrites) {
    ASSERT_EQ(Run({"account", "add"}), 0) << err.toStdString();
    EXPECT_EQ(out, "00000001\n");
    SettingsStore window(home.Path() + "/window.db");
    WriteInitialGlobals(window, "", "");
    ASSERT_TRUE(CreateAccount(window));
    SettingsStore tool(home.StorePath());
    EXPECT_EQ(Dump(tool), Dump(window));

    ASSERT_EQ(Run({"account",       "set",          "1",
                   "--name",        "Home",         "--security",
                   "starttls",      "--pop3",       "mail.example.org:995",
                   "--user",        "bob",          "--code-word",
                   "abc",           "--code-word",  "xyz",
                   "--hint",        "say abc",      "--auth",
                   "yes",           "--smtp-login", "pop3",
                   "--smtp",        "[::1]:465",    "--pop3-certificate",
                   QString(64, 'a')}),
              0)
        << err.toStdString();
    EXPECT_EQ(Value("00000001", "POP3 Port"), "995");
    EXPECT_EQ(Value("00000001", "POP3 Security"), "1") << "the named security wins over the port";
    EXPECT_EQ(Value("00000001", "SMTP Server"), "::1");
    EXPECT_EQ(Value("00000001", "SMTP Security"), "2") << "port 465 means TLS";
    EXPECT_EQ(Value("00000001", "Use POP3"), "1");
    EXPECT_EQ(Value("00000001", "POP3 Certificate"), QString("AA:").repeated(31) + "AA");
    EXPECT_EQ(Run({"account", "show", "home"}), 0);
    EXPECT_TRUE(out.contains("Code Words: abc, xyz\nHints: say abc\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("POP3 Security: starttls\n"));
    EXPECT_TRUE(out.contains("Remember Code-Word Senders: yes\n"));
    ASSERT_EQ(Run({"account", "set", "Home", "--remember", "no"}), 0);
    EXPECT_EQ(Value("00000001", "Remember Code-Word Senders"), "0");

    // Refused values change nothing, not even the ones before them.
    for (const QStringList& bad :
         {QStringList{"account", "set", "Home", "--user", "eve", "--security", "maybe"},
          QStringList{"account", "add", "--code-word", "a|b"},
          QStringList{"account", "set", "Home", "--pop3", "host:70000"},
          QStringList{"account", "set", "Home", "--pop3-certificate", "12:34"},
          QStringList{"account", "set", "Home", "--timeout"}}) {
        EXPECT_EQ(Run(bad), 2) << bad.join(' ').toStdString();
    }
    EXPECT_EQ(Value("00000001", "POP3 User Name"), "bob");
    EXPECT_EQ(Run({"account", "show", "00000002"}), 1);
    EXPECT_EQ(Run({"account", "set", "Nobody", "--name", "x"}), 1);
}

TEST_F(SettingsTool, PasswordsStayOffCommandLinesAndOutOfPlainExports) {
    ASSERT_EQ(Run({"account", "add", "--name", "Home"}), 0);
    ASSERT_EQ(Run({"set", "\\Software\\Orlent Software\\Sievra", "Password Storage", "--text",
                   "Settings Store"}),
              0);
    EXPECT_EQ(Run({"set-password", "Home", "POP3 Password", "--stdin"}, "s3cret\n"), 0)
        << err.toStdString();
    EXPECT_EQ(DecodePassword(Value("00000001", "POP3 Password")), "s3cret");
    EXPECT_EQ(Value("00000001", "Save POP3 Password"), "1");
    EXPECT_EQ(Run({"set-password", "Home", "SMTP Password", "--stdin"}, "\n"), 2);
    EXPECT_EQ(Run({"set-password", "Hom", "SMTP Password", "--stdin"}, "x\n"), 1);
    EXPECT_EQ(Run({"get", "\\Hom", "SMTP Password"}), 1) << "no key made of a typo";
    EXPECT_EQ(Value("00000001", "SMTP Password"), "");
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(out.contains("shows in ps and in the shell history"));

    EXPECT_EQ(Run({"export"}), 0);
    EXPECT_FALSE(out.contains("\"POP3 Password\"")) << out.toStdString();
    EXPECT_TRUE(out.contains("\"Save POP3 Password\"=int:1"));
    const QString backup = home.Path() + "/backup.txt";
    EXPECT_EQ(Run({"export", "--with-passwords", "--output", backup}), 0) << err.toStdString();
    struct stat info {};
    ASSERT_EQ(stat(backup.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Run({"export", "--with-passwords"}), 0);
    const QString full = out;
    EXPECT_TRUE(full.contains("\"POP3 Password\"=text:"));

    // Merging keeps what came later; replacing restores the backup exactly.
    ASSERT_EQ(Run({"account", "add", "--name", "Later"}), 0);
    ASSERT_EQ(Run({"set", "\\Software\\Orlent Software\\Sievra\\00000001", "Extra", "--int", "7"}),
              0);
    EXPECT_EQ(Run({"import", backup}), 0);
    EXPECT_EQ(Run({"export", "--with-passwords"}), 0);
    EXPECT_NE(out, full);
    EXPECT_EQ(Run({"import", "--replace", backup}), 0) << err.toStdString();
    EXPECT_EQ(Run({"export", "--with-passwords"}), 0);
    EXPECT_EQ(out, full);
}

TEST_F(SettingsTool, ReadingCommandsNeverCreateAStore) {
    for (const QStringList& args :
         {QStringList{"list"}, QStringList{"get", "\\Software", "x"}, QStringList{"export"},
          QStringList{"account", "show", "1"}, QStringList{"password-storage"}}) {
        EXPECT_EQ(Run(args), 1) << args.join(' ').toStdString();
        EXPECT_TRUE(err.contains("there are no settings yet")) << err.toStdString();
    }
    QProcess pass;
    pass.start(test::BuiltProgram("bin/sievra-pass"), {});
    ASSERT_TRUE(pass.waitForFinished(30000));
    EXPECT_EQ(pass.exitCode(), 2);
    EXPECT_TRUE(pass.readAllStandardError().contains("there are no settings yet"));
    EXPECT_FALSE(QFile::exists(home.StorePath()));
}

} // namespace
