#include "history/HistoryDatabase.h"

#include "tests/support/TestHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sievra;

namespace {

mode_t Mode(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

QStringList SetAsideFiles() {
    return QDir(HistoryDatabase::DefaultFolder())
        .entryList({QStringLiteral("history.db.damaged-*")}, QDir::Files);
}

class HistoryDatabaseTest : public testing::Test {
protected:
    test::TestHome home;
};

TEST_F(HistoryDatabaseTest, PrivateWalFileInTheDataFolderWhateverTheUmask) {
    const mode_t oldMask = ::umask(022);
    {
        HistoryDatabase db;
        EXPECT_EQ(db.FilePath(), home.DataHome() + "/sievra/history.db");
        db.EnsureTables("test", 1, {"CREATE TABLE IF NOT EXISTS t(x)"});
        db.Exec("INSERT INTO t VALUES(1)");
        HistoryStatement mode = db.Prepare("PRAGMA journal_mode");
        ASSERT_TRUE(mode.Next());
        EXPECT_EQ(mode.Text(0), "wal");
        for (const char* suffix : {"", "-wal", "-shm"}) {
            EXPECT_EQ(Mode(db.FilePath() + suffix), 0600) << suffix;
        }
        EXPECT_EQ(Mode(HistoryDatabase::DefaultFolder()), 0700);
        EXPECT_TRUE(db.SetAsideNotice().isEmpty());
    }
    ::umask(oldMask);
}

// A module's tables survive reopening, and it learns which version wrote them last.
TEST_F(HistoryDatabaseTest, ModulesOwnTheirTablesAndVersions) {
    {
        HistoryDatabase db;
        EXPECT_EQ(db.EnsureTables("learned", 1, {"CREATE TABLE IF NOT EXISTS learned(a TEXT)"}), 0);
        db.Prepare("INSERT INTO learned VALUES(?1)").Bind(1, QString("a@b.example")).Run();
    }
    HistoryDatabase db;
    EXPECT_EQ(db.EnsureTables("learned", 2,
                              {"CREATE TABLE IF NOT EXISTS learned(a TEXT)",
                               "CREATE INDEX IF NOT EXISTS learned_a ON learned(a)"}),
              1);
    EXPECT_EQ(db.EnsureTables("learned", 2, {}), 2);
    HistoryStatement st = db.Prepare("SELECT a FROM learned");
    ASSERT_TRUE(st.Next());
    EXPECT_EQ(st.Text(0), "a@b.example");
    EXPECT_THROW(db.Exec("INSERT INTO nowhere VALUES(1)"), HistoryError);
}

// Garbage and a truncated database are both set aside with their bytes intact, reported once,
// and a working file takes their place.
TEST_F(HistoryDatabaseTest, DamagedFileIsKeptAsideAndReportedOnce) {
    const QByteArray garbage("this is not a database, but the user may want it back\n");
    test::WriteTestFile(HistoryDatabase::DefaultPath(), garbage);
    {
        HistoryDatabase db;
        EXPECT_TRUE(db.SetAsideNotice().contains("was damaged"))
            << db.SetAsideNotice().toStdString();
        db.EnsureTables("test", 1, {"CREATE TABLE IF NOT EXISTS t(x)"});
    }
    const QStringList aside = SetAsideFiles();
    ASSERT_EQ(aside.size(), 1);
    QFile kept(HistoryDatabase::DefaultFolder() + "/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    HistoryDatabase again;
    EXPECT_TRUE(again.SetAsideNotice().isEmpty());
    EXPECT_EQ(again.EnsureTables("test", 1, {}), 1);
}

TEST_F(HistoryDatabaseTest, LinkInPlaceOfTheFileIsRefusedAndLeftAlone) {
    const QString target = home.WriteFile("elsewhere.txt", "mine");
    QDir().mkpath(HistoryDatabase::DefaultFolder());
    ASSERT_TRUE(QFile::link(target, HistoryDatabase::DefaultPath()));
    try {
        HistoryDatabase db;
        FAIL() << "opened through a link";
    } catch (const HistoryError& e) {
        EXPECT_TRUE(e.Message().contains("symbolic link")) << e.what();
    }
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "mine");
    EXPECT_TRUE(SetAsideFiles().isEmpty());
}

} // namespace
