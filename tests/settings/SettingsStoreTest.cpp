#include "settings/SettingsStore.h"

#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace sievra;

namespace {

mode_t Mode(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

class SettingsStoreTest : public testing::Test {
protected:
    test::TestHome home;
};

TEST_F(SettingsStoreTest, DefaultPathFollowsXdgConfigHome) {
    EXPECT_EQ(SettingsStore::DefaultPath(), home.StorePath());
    SettingsStore store;
    EXPECT_TRUE(QFile::exists(home.StorePath()));
}

// The store holds passwords: its files are 0600 and its folder 0700 under the usual umask,
// and what an older version left readable by all is tightened when opened.
TEST_F(SettingsStoreTest, FilesArePrivateWhateverTheUmask) {
    const mode_t oldMask = ::umask(022);
    const QString folder = home.ConfigHome() + "/sievra";
    test::WriteTestFile(SettingsStore::DefaultPath() + "-wal", "");
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(SettingsStore::DefaultPath() + "-wal").constData(), 0644);
    {
        SettingsStore store;
        store.OpenKey(ProductKey, true)->WriteText("x", "y");
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const QString path = SettingsStore::DefaultPath() + suffix;
            ASSERT_TRUE(QFile::exists(path)) << suffix;
            EXPECT_EQ(Mode(path), 0600) << suffix;
        }
        EXPECT_EQ(Mode(folder), 0700);
    }
    ::umask(oldMask);
}

TEST_F(SettingsStoreTest, NamesCompareWithoutRegardToCase) {
    SettingsStore store;
    auto key = store.OpenKey(AccountKeyPath("00000001"), true);
    ASSERT_TRUE(key);
    key->WriteText("SMTP User name", "alice");
    key->WriteText("SMTP User Name", "bob");
    EXPECT_EQ(key->ReadText("smtp user NAME"), "bob");
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(key->Values()[0].Name, "SMTP User name") << "the first spelling stays";

    EXPECT_TRUE(store.OpenKey("\\SOFTWARE\\orlent software\\SIEVRA\\00000001"));
    EXPECT_TRUE(store.OpenKey("software\\Orlent Software\\Sievra")) << "leading backslash optional";
    // Case folding is Unicode, not only ASCII.
    key->WriteText("Größe", "1");
    EXPECT_EQ(key->ReadText("GRÖßE"), "1");
}

TEST_F(SettingsStoreTest, MissingAndMistypedValuesReadAsDefaults) {
    SettingsStore store;
    auto key = store.OpenKey(ProductKey, true);
    key->WriteText("Interval", "10");
    key->WriteNumber("Subject", 7);
    key->WriteNumber("Beep", 5);
    EXPECT_EQ(key->ReadNumber("Interval"), 0) << "a text is not an integer";
    EXPECT_EQ(key->ReadText("Subject"), "") << "an integer is not a text";
    EXPECT_FALSE(key->ReadFlag("Interval"));
    EXPECT_TRUE(key->ReadFlag("Beep")) << "any non-zero integer is true";
    EXPECT_EQ(key->ReadText("Nothing"), "");
    EXPECT_EQ(key->ReadNumber("Nothing"), 0);
    EXPECT_FALSE(key->ReadFlag("Nothing"));
    EXPECT_FALSE(key->ValueExists("Nothing"));
    EXPECT_TRUE(key->ValueExists("interval"));
}

TEST_F(SettingsStoreTest, KeysOpenWithoutCreatingUnlessAsked) {
    SettingsStore store;
    EXPECT_FALSE(store.OpenKey(ProductKey));
    EXPECT_FALSE(store.KeyExists(ProductKey));
    EXPECT_TRUE(store.OpenKey(ProductKey, true));
    EXPECT_TRUE(store.KeyExists("\\Software\\Orlent Software"));
}

TEST_F(SettingsStoreTest, SubkeysListSortedAndDeleteTakesEverythingBelow) {
    SettingsStore store;
    for (const char* name : {"00000010", "00000002", "Hints", "00000001"}) {
        store.OpenKey(AccountKeyPath(name), true)->WriteFlag("Active", true);
    }
    store.OpenKey(AccountKeyPath("00000002") + "\\Code Words", true)->WriteText("1", "a|");
    EXPECT_EQ(store.OpenKey(ProductKey)->SubkeyNames(),
              QStringList({"00000001", "00000002", "00000010", "Hints"}));

    EXPECT_TRUE(store.DeleteKey(AccountKeyPath("00000002")));
    EXPECT_FALSE(store.KeyExists(AccountKeyPath("00000002") + "\\Code Words"));
    EXPECT_FALSE(store.DeleteKey(AccountKeyPath("00000002")));
    EXPECT_EQ(store.OpenKey(ProductKey)->SubkeyNames().size(), 3);
}

TEST_F(SettingsStoreTest, WriteIntoDeletedKeyIsSkipped) {
    SettingsStore store;
    auto key = store.OpenKey(AccountKeyPath("00000001"), true);
    SettingsStore other;
    other.DeleteKey(AccountKeyPath("00000001"));
    EXPECT_FALSE(key->WriteText("Account Name", "x"));
    EXPECT_FALSE(store.KeyExists(AccountKeyPath("00000001")));
}

TEST_F(SettingsStoreTest, ValuesSurviveReopening) {
    {
        SettingsStore store;
        auto key = store.OpenKey(ProductKey, true);
        key->WriteText("Subject", "Grüße \"quoted\"");
        key->WriteNumber("Interval", -5);
    }
    SettingsStore store;
    auto key = store.OpenKey(ProductKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadText("Subject"), "Grüße \"quoted\"");
    EXPECT_EQ(key->ReadNumber("Interval"), -5);
}

TEST_F(SettingsStoreTest, FailedTransactionWritesNothing) {
    SettingsStore store;
    store.OpenKey(ProductKey, true)->WriteNumber("LastID", 1);
    EXPECT_THROW(store.InTransaction([&] {
        store.OpenKey(ProductKey)->WriteNumber("LastID", 2);
        throw StoreError("stop");
    }),
                 StoreError);
    EXPECT_EQ(store.OpenKey(ProductKey)->ReadNumber("LastID"), 1);
}

TEST_F(SettingsStoreTest, DamagedFileGivesErrorAndStaysUntouched) {
    const QByteArray garbage = QByteArray("this is not a database ").repeated(200);
    home.WriteFile("config/sievra/settings.db", garbage);
    try {
        SettingsStore store;
        FAIL() << "a damaged file must not open";
    } catch (const StoreError& error) {
        EXPECT_TRUE(error.Message().contains(home.StorePath())) << error.what();
    }
    QFile file(home.StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}

TEST_F(SettingsStoreTest, DamagedPagesAreFoundAtOpen) {
    {
        SettingsStore store;
        auto key = store.OpenKey(ProductKey, true);
        for (int i = 0; i < 2000; ++i) {
            key->WriteText(QString::number(i), QString(100, 'x'));
        }
    }
    QFile file(home.StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    // Keep the header, scramble the pages behind it.
    for (qsizetype i = 8192; i < bytes.size(); i += 7) {
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    }
    file.seek(0);
    file.write(bytes);
    file.close();
    EXPECT_THROW(SettingsStore store, StoreError);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
}

TEST_F(SettingsStoreTest, ForeignDatabaseIsRefused) {
    home.WriteFile("config/sievra/settings.db", {});
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.StorePath().toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1)", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    QFile file(home.StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    ASSERT_FALSE(before.isEmpty());
    EXPECT_THROW(SettingsStore store, StoreError);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(SettingsStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    { SettingsStore create; }
    const int count = 300;
    QProcess a;
    QProcess b;
    const QString writer = test::BuiltProgram("tests/settings/store_writer");
    a.start(writer, {home.StorePath(), "a", QString::number(count)});
    b.start(writer, {home.StorePath(), "b", QString::number(count)});
    ASSERT_TRUE(a.waitForFinished(120000));
    ASSERT_TRUE(b.waitForFinished(120000));
    ASSERT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    ASSERT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();

    SettingsStore store;
    auto key = store.OpenKey(ProductKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadNumber("Counter"), 2 * count) << "an increment was lost";
    for (int n = 0; n < count; ++n) {
        ASSERT_EQ(key->ReadNumber(QStringLiteral("a %1").arg(n)), n);
        ASSERT_EQ(key->ReadNumber(QStringLiteral("b %1").arg(n)), n);
    }
}

} // namespace
