// Passwords in a real Secret Service (gnome-keyring-daemon on a private session bus, started
// by with-keyring.sh around this program).
#include "settings/Keyring.h"

#include "settings/PasswordCipher.h"
#include "settings/PasswordStorage.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/TestHome.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

class KeyringPasswords : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Keyring::Answers()) << "no Secret Service: run under with-keyring.sh";
        auto product = store.OpenKey(ProductKey, true);
        AddAccount("00000001", "Home", "pop-one", "");
        AddAccount("00000002", "Work", "pop-two", "smtp-two");
    }
    void TearDown() override {
        for (const QString entry :
             {"00000001/POP3", "00000002/POP3", "00000002/SMTP", "00000003/POP3"}) {
            Keyring::Remove(entry);
        }
    }

    void AddAccount(const QString& keyName, const QString& name, const QString& pop3,
                    const QString& smtp) {
        auto key = store.OpenKey(AccountKeyPath(keyName), true);
        key->WriteFlag("Active", true);
        key->WriteText("Account Name", name);
        key->WriteText("POP3 Password", pop3.isEmpty() ? QString() : EncodePassword(pop3));
        key->WriteText("SMTP Password", smtp.isEmpty() ? QString() : EncodePassword(smtp));
    }
    QString Stored(const QString& keyName, const QString& name) {
        return store.OpenKey(AccountKeyPath(keyName))->ReadText(name);
    }
    bool Flag(const QString& keyName, const QString& name) {
        return store.OpenKey(AccountKeyPath(keyName))->ReadFlag(name);
    }

    test::TestHome home;
    SettingsStore store;
};

TEST_F(KeyringPasswords, EntriesRoundTripAndAMissingOneIsNoFailure) {
    EXPECT_EQ(Keyring::Write("probe/POP3", "pässword").Status, Keyring::Outcome::Ok);
    const Keyring::Result read = Keyring::Read("probe/POP3");
    EXPECT_EQ(read.Status, Keyring::Outcome::Ok) << read.Error.toStdString();
    EXPECT_EQ(read.Password, "pässword");
    EXPECT_EQ(Keyring::Remove("probe/POP3").Status, Keyring::Outcome::Ok);
    EXPECT_EQ(Keyring::Read("probe/POP3").Status, Keyring::Outcome::NotFound);
    EXPECT_EQ(Keyring::Remove("probe/POP3").Status, Keyring::Outcome::Ok);
}

// The switch of sievra-settings moves every saved password; the store keeps only the flags,
// and loading reads them back from the keyring.
TEST_F(KeyringPasswords, SwitchingMovesEveryPasswordBothWays) {
    QProcess tool;
    tool.start(test::BuiltProgram("bin/sievra-settings"), {"password-storage", "keyring"});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(tool.readAllStandardOutput(), "Moved 3 password(s); they now live in keyring.\n");

    EXPECT_EQ(store.OpenKey(ProductKey)->ReadText(PasswordStorageValue), "Keyring");
    for (const QString keyName : {"00000001", "00000002"}) {
        EXPECT_EQ(Stored(keyName, "POP3 Password"), "");
        EXPECT_EQ(Stored(keyName, "SMTP Password"), "");
        EXPECT_TRUE(Flag(keyName, "POP3 Password In Keyring"));
    }
    EXPECT_FALSE(Flag("00000001", "SMTP Password In Keyring")) << "no password, no entry";
    EXPECT_EQ(Keyring::Read("00000002/SMTP").Password, "smtp-two");

    const LoadedSettings loaded = LoadSettings(store);
    ASSERT_EQ(loaded.Accounts.size(), 2u);
    EXPECT_EQ(loaded.Accounts[0].Pop3Password, "pop-one");
    EXPECT_EQ(loaded.Accounts[1].SmtpPassword, "smtp-two");
    EXPECT_EQ(loaded.Accounts[1].KeyringError, "");

    const MoveResult back = MovePasswords(store, PasswordPlace::Store);
    ASSERT_TRUE(back.Ok) << back.Error.toStdString();
    EXPECT_EQ(back.Moved, 3);
    EXPECT_EQ(DecodePassword(Stored("00000002", "SMTP Password")), "smtp-two");
    EXPECT_FALSE(Flag("00000002", "SMTP Password In Keyring"));
    EXPECT_EQ(Keyring::Read("00000002/SMTP").Status, Keyring::Outcome::NotFound);
    EXPECT_EQ(store.OpenKey(ProductKey)->ReadText(PasswordStorageValue), "Settings Store");
}

// One password the keyring has lost stops the whole move: every other one stays where it is.
TEST_F(KeyringPasswords, AFailedMoveMovesNone) {
    ASSERT_TRUE(MovePasswords(store, PasswordPlace::Keyring).Ok);
    Keyring::Remove("00000002/SMTP");
    const MoveResult failed = MovePasswords(store, PasswordPlace::Store);
    EXPECT_FALSE(failed.Ok);
    EXPECT_EQ(failed.Error, "the keyring holds no password for account 00000002");
    EXPECT_EQ(Stored("00000001", "POP3 Password"), "");
    EXPECT_TRUE(Flag("00000001", "POP3 Password In Keyring"));
    EXPECT_EQ(Keyring::Read("00000001/POP3").Password, "pop-one");
    EXPECT_EQ(store.OpenKey(ProductKey)->ReadText(PasswordStorageValue), "Keyring");
}

// Without a stored choice a new password goes to the keyring that answers; clearing it
// removes the entry too.
TEST_F(KeyringPasswords, SavingFollowsTheChoiceAndForgettingClearsBothPlaces) {
    auto key = store.OpenKey(AccountKeyPath("00000001"));
    SavePassword(store, *key, PasswordKind::Smtp, "fresh");
    EXPECT_EQ(Stored("00000001", "SMTP Password"), "");
    EXPECT_EQ(Keyring::Read("00000001/SMTP").Password, "fresh");

    store.OpenKey(ProductKey)->WriteText(PasswordStorageValue, "Settings Store");
    SavePassword(store, *key, PasswordKind::Smtp, "moved");
    EXPECT_EQ(DecodePassword(Stored("00000001", "SMTP Password")), "moved");
    EXPECT_EQ(Keyring::Read("00000001/SMTP").Status, Keyring::Outcome::NotFound);
    SavePassword(store, *key, PasswordKind::Smtp, "");
    EXPECT_EQ(Stored("00000001", "SMTP Password"), "");
}

// sievra-pass reads a keyring password at its start (through GLib's loop, which it keeps on
// for it) and screens the account with it.
TEST_F(KeyringPasswords, SievraPassScreensWithAKeyringPassword) {
    test::DovecotServer pop;
    pop.AddUser("kim", "kim-pw");
    pop.AddMessages("kim", {"From: spam@bad.example\nSubject: buy\n\nx\n"});
    test::AddressBookBytes book;
    book.Add(test::AddressBookBytes::Record("friend@example.org"));
    store.OpenKey(ProductKey)->WriteText("WAB File", home.WriteFile("book.wab", book.Bytes()));
    for (const QString keyName : {"00000001", "00000002"}) {
        store.OpenKey(AccountKeyPath(keyName))->WriteFlag("Active", false);
    }
    auto key = store.OpenKey(AccountKeyPath("00000003"), true);
    key->WriteFlag("Active", true);
    key->WriteText("POP3 Server", "127.0.0.1");
    key->WriteText("POP3 Port", QString::number(pop.Pop3Port()));
    key->WriteNumber("POP3 Security", 0); // clear, on loopback
    key->WriteText("POP3 User Name", "kim");
    key->WriteNumber("POP3 Timeout", 60);
    key->WriteFlag("POP3 Tested", true);
    key->WriteFlag("POP3 Password In Keyring", true);
    ASSERT_EQ(Keyring::Write("00000003/POP3", "kim-pw").Status, Keyring::Outcome::Ok);

    QProcess pass;
    pass.start(test::BuiltProgram("bin/sievra-pass"), {});
    ASSERT_TRUE(pass.waitForFinished(60000));
    EXPECT_EQ(pass.exitCode(), 0) << pass.readAllStandardOutput().toStdString()
                                  << pass.readAllStandardError().toStdString();
    EXPECT_TRUE(pop.Messages("kim").isEmpty());
}

} // namespace
