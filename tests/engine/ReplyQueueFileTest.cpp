#include "engine/ReplyQueueFile.h"

#include "tests/support/TestHome.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

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

} // namespace
