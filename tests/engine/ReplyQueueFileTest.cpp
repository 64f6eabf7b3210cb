#include "engine/ReplyQueueFile.h"

#include "engine/ReplyLedger.h"
#include "tests/support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sievra;

namespace {

TEST(IniDocument, SectionsAndKeysIgnoreCaseAndKeepOtherLines) {
    IniDocument doc = IniDocument::Parse("; kept\r\n[00000001]\r\n0=b@x.org\r\n1=a@x.org\r\n"
                                         "junk line\r\n[Other]\r\nk=v\r\n");
    EXPECT_EQ(doc.ReadSection("00000001"), QStringList({"0=b@x.org", "1=a@x.org", "junk line"}));
    EXPECT_EQ(doc.ReadEntry("other", "K"), "v");
    doc.WriteEntry("OTHER", "k", "w");
    doc.WriteEntry("00000002", "0", "c@x.org");
    EXPECT_TRUE(doc.DeleteEntry("00000001", "0"));
    EXPECT_FALSE(doc.DeleteEntry("00000001", "0"));
    EXPECT_FALSE(doc.DeleteEntry("missing", "0"));
    EXPECT_EQ(doc.ToText(), "; kept\n[00000001]\n1=a@x.org\njunk line\n[Other]\nk=w\n"
                            "[00000002]\n0=c@x.org\n");
    doc.EraseSection("00000001");
    EXPECT_TRUE(doc.ReadSection("00000001").isEmpty());
    EXPECT_EQ(IniDocument::Parse(doc.ToText()).ToText(), doc.ToText());
}

TEST(IniDocument, ValueIsEverythingAfterTheFirstEquals) {
    const IniDocument doc = IniDocument::Parse("[s]\n0=a=b@x.org\n");
    EXPECT_EQ(doc.ReadEntry("s", "0"), "a=b@x.org");
}

class ReplyQueueFileTest : public testing::Test {
protected:
    test::TestHome home;
};

TEST_F(ReplyQueueFileTest, LivesInTheDataFolderAndIsCreatedByTheFirstWrite) {
    ReplyQueueFile queue;
    EXPECT_EQ(queue.Path(), home.DataHome() + "/sievra/DeleList.ini");
    EXPECT_TRUE(queue.Read().ReadSection("00000001").isEmpty());
    EXPECT_FALSE(QFile::exists(queue.Path()));
    queue.Update([](IniDocument& doc) { doc.WriteEntry("00000001", "0", "a@x.org"); });
    QFile file(queue.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[00000001]\n0=a@x.org\n");
}

TEST_F(ReplyQueueFileTest, FailedChangeLeavesTheOldFile) {
    ReplyQueueFile queue;
    queue.Update([](IniDocument& doc) { doc.WriteEntry("s", "0", "a@x.org"); });
    EXPECT_THROW(queue.Update([](IniDocument& doc) {
        doc.WriteEntry("s", "1", "b@x.org");
        throw QueueFileError("disk full");
    }),
                 QueueFileError);
    EXPECT_EQ(queue.Read().ReadSection("s"), QStringList({"0=a@x.org"}));
}

mode_t Mode(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

// The queue holds the addresses of people who wrote: its folder is 0700 and every file 0600
// whatever the umask, and an older file readable by all is tightened at the next change.
TEST_F(ReplyQueueFileTest, FilesArePrivateWhateverTheUmask) {
    const mode_t oldMask = ::umask(022);
    ReplyQueueFile queue;
    const QString folder = home.DataHome() + "/sievra";
    test::WriteTestFile(queue.Path() + ".lock", "");
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(queue.Path() + ".lock").constData(), 0644);
    queue.Update([](IniDocument& doc) { doc.WriteEntry("s", "0", "a@x.org"); });
    EXPECT_EQ(Mode(folder), 0700);
    EXPECT_EQ(Mode(queue.Path()), 0600);
    EXPECT_EQ(Mode(queue.Path() + ".lock"), 0600);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              QStringList({"DeleList.ini", "DeleList.ini.lock"}))
        << "no temporary file left behind";
    ::umask(oldMask);
}

// A link in place of the queue or its lock is refused, and whatever it points to stays as it
// was: neither rewritten nor created.
TEST_F(ReplyQueueFileTest, SymbolicLinksAreNeverFollowed) {
    ReplyQueueFile queue;
    const QString target = home.WriteFile("precious.gz", "\x1f\x8b gzip bytes");
    QDir().mkpath(home.DataHome() + "/sievra");
    for (const QString& link : {queue.Path() + ".lock", queue.Path()}) {
        SCOPED_TRACE(link.toStdString());
        const QString pointed = link.endsWith(".lock") ? home.Path() + "/created-by-lock" : target;
        ASSERT_TRUE(QFile::link(pointed, link));
        try {
            queue.Update([](IniDocument& doc) { doc.WriteEntry("s", "0", "a@x.org"); });
            ADD_FAILURE() << "a link was followed";
        } catch (const QueueFileError& error) {
            EXPECT_TRUE(error.Message().contains("is a symbolic link"))
                << error.Message().toStdString();
        }
        QFile::remove(link);
    }
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "\x1f\x8b gzip bytes");
    EXPECT_FALSE(QFile::exists(home.Path() + "/created-by-lock"));
}

TEST_F(ReplyQueueFileTest, UnwritableLocationIsAnError) {
    home.WriteFile("data/blocker", "a file where the folder should be");
    ReplyQueueFile queue(home.DataHome() + "/blocker/DeleList.ini");
    EXPECT_THROW(queue.Update([](IniDocument& doc) { doc.WriteEntry("s", "0", "a@x.org"); }),
                 QueueFileError);
}

TEST_F(ReplyQueueFileTest, TwoProcessesUpdatingAtOnceLoseNoEntry) {
    ReplyQueueFile queue;
    queue.Update([](IniDocument& doc) { doc.WriteEntry("00000001", "seed", "s@x.org"); });
    const int count = 150;
    QProcess a;
    QProcess b;
    const QString writer = test::BuiltProgram("tests/engine/queue_writer");
    a.start(writer, {queue.Path(), "00000001", "a", QString::number(count)});
    b.start(writer, {queue.Path(), "00000001", "b", QString::number(count)});
    ASSERT_TRUE(a.waitForFinished(120000) && b.waitForFinished(120000));
    ASSERT_EQ(a.exitCode() + b.exitCode(), 0);
    const IniDocument doc = queue.Read();
    EXPECT_EQ(doc.ReadSection("00000001").size(), 2 * count + 1);
    for (int n = 0; n < count; ++n) {
        EXPECT_EQ(doc.ReadEntry("00000001", QStringLiteral("a%1").arg(n)),
                  QStringLiteral("a%1@example.org").arg(n));
        EXPECT_EQ(doc.ReadEntry("00000001", QStringLiteral("b%1").arg(n)),
                  QStringLiteral("b%1@example.org").arg(n));
    }
}

// The reply record beside the queue: several addresses in one write, read back by another
// connection (the other program) without case, and old entries pruned by a later write.
TEST_F(ReplyQueueFileTest, ReplyLedgerKeepsEachAddressAndDropsOldOnes) {
    const QString path = home.DataHome() + "/sievra/history.db";
    const QDateTime now = QDateTime::currentDateTimeUtc();
    HistoryDatabase first(path);
    ReplyLedger(first).Note({"Old@x.org"}, now.addDays(-100), 90);
    ReplyLedger(first).Note({"A@x.org", "b@x.org"}, now, 90);

    HistoryDatabase other(path);
    ReplyLedger reader(other);
    reader.Load();
    ASSERT_TRUE(reader.LastReplied("a@X.org").has_value());
    EXPECT_EQ(reader.LastReplied("a@X.org")->toSecsSinceEpoch(), now.toSecsSinceEpoch());
    EXPECT_TRUE(reader.LastReplied("B@x.org").has_value());
    EXPECT_FALSE(reader.LastReplied("old@x.org").has_value());
    EXPECT_FALSE(reader.LastReplied("c@x.org").has_value());
}

} // namespace
