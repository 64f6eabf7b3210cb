// A process killed at random moments while it writes the settings store and the queue file:
// after every kill the store opens and holds the old or the new value of each write, each
// list whole, and the queue file holds exactly the addresses before or after the change that
// was cut short, never fewer.
//
// SIEVRA_CRASH_KILLS=N sets the number of kills (default 300); SIEVRA_CRASH_SEED repeats a run.
#include "engine/ReplyQueueFile.h"
#include "settings/JoinedList.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/reliability/CrashSteps.h"
#include "tests/support/TestHome.h"
#include "tests/support/WaitFor.h"
#include "tests/wizard/QtPrinters.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>
#include <iostream>
#include <signal.h>

using namespace sievra;
using namespace sievra::test;

namespace {

// What the writer said before it died: the last step begun, whether its queue change had
// begun, and the last step finished (first - 1 when none).
struct Progress {
    int begun = 0;
    int ended = 0;
    bool queueBegun = false;
};

Progress ReadProgress(const QByteArray& output, int first) {
    Progress p{first - 1, first - 1, false};
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2) {
            continue;
        }
        const int step = words[1].toInt();
        if (words[0] == "begin") {
            p.begun = step;
            p.queueBegun = false;
        } else if (words[0] == "queue") {
            p.queueBegun = true;
        } else if (words[0] == "end") {
            p.ended = step;
        }
    }
    return p;
}

QStringList AddressesOf(const QStringList& entries) {
    QStringList addresses;
    for (const QString& entry : entries) {
        addresses.append(entry.mid(entry.indexOf(QLatin1Char('=')) + 1));
    }
    addresses.sort();
    return addresses;
}

QStringList SortedQueueAfter(int step) {
    QStringList addresses = crash::QueueAfter(step);
    addresses.sort();
    return addresses;
}

class CrashSafety : public testing::Test {
protected:
    void SetUp() override {
        storePath = home.StorePath();
        queuePath = home.DataHome() + QStringLiteral("/sievra/DeleList.ini");
        ReplyQueueFile(queuePath).Update([](IniDocument& doc) {
            for (int i = 0; i < crash::OtherAddresses.size(); ++i) {
                doc.WriteEntry(crash::OtherSection, QString::number(i), crash::OtherAddresses[i]);
            }
        });
    }

    // Starts the writer at `first`, kills it `delayMs` after its first step began; returns
    // what it said.
    QByteArray RunAndKill(int first, int delayUs) {
        QProcess writer;
        writer.start(BuiltProgram(QStringLiteral("tests/reliability/crash_writer")),
                     {storePath, queuePath, QString::number(first)});
        EXPECT_TRUE(writer.waitForStarted(10000));
        QByteArray output;
        EXPECT_TRUE(WaitFor(
            [&] {
                output += writer.readAllStandardOutput();
                return output.contains("begin") || writer.state() == QProcess::NotRunning;
            },
            20000))
            << "the writer never began";
        EXPECT_EQ(writer.state(), QProcess::Running) << writer.readAllStandardError().toStdString();
        QThread::usleep(static_cast<unsigned long>(delayUs));
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        EXPECT_TRUE(writer.waitForFinished(10000));
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);
        output += writer.readAllStandardOutput();
        return output;
    }

    // The store after a kill in step p.begun: every value of the last finished step or of the
    // interrupted one, and each list whole.
    void CheckStore(const Progress& p) {
        SettingsStore store(storePath);
        auto key = store.OpenKey(AccountKeyPath(crash::AccountKey));
        ASSERT_TRUE(key.has_value());
        const int counter = key->ReadNumber(QStringLiteral("Counter"));
        ASSERT_TRUE(counter == p.ended || counter == p.begun)
            << "counter " << counter << " after step " << p.ended << " with " << p.begun
            << " begun";
        // A value written after the counter may still hold the step before.
        const auto oneOf = [&](const auto& actual, const auto& made) {
            return actual == made(counter) || (counter == p.begun && actual == made(counter - 1));
        };
        const QString note = key->ReadText(QStringLiteral("Note"));
        EXPECT_TRUE(oneOf(note, [](int s) { return s > 0 ? crash::Note(s) : QString(); }))
            << note.toStdString();
        const QString words = LoadJoinedList(store, crash::AccountKey, CodeWordsSubkey);
        EXPECT_TRUE(oneOf(
            words, [](int s) { return s > 0 ? JoinEntries(crash::CodeWords(s)) : QString(); }))
            << "code words torn at step " << counter;
        const QStringList lines = LoadLines(*store.OpenKey(ProductKey), HeaderPrefix);
        EXPECT_TRUE(
            oneOf(lines, [](int s) { return s > 0 ? crash::HeaderLines(s) : QStringList(); }))
            << "header lines torn at step " << counter << " (" << p.ended << " done, " << p.begun
            << " begun): " << lines.join(" / ").toStdString();
    }

    // The queue after the kill; returns the step whose state it holds.
    int CheckQueue(const Progress& p) {
        IniDocument doc;
        EXPECT_NO_THROW(doc = ReplyQueueFile(queuePath).Read());
        EXPECT_EQ(AddressesOf(doc.ReadSection(crash::OtherSection)), crash::OtherAddresses);
        const QStringList queued = AddressesOf(doc.ReadSection(crash::QueueSection));
        // Only a step whose queue change began can have finished it; a step that changes
        // nothing in the queue would otherwise pass for done while its store writes were cut.
        if (p.queueBegun && queued == SortedQueueAfter(p.begun)) {
            return p.begun;
        }
        EXPECT_EQ(queued, SortedQueueAfter(p.ended))
            << "after step " << p.ended << " with " << p.begun << " begun";
        return p.ended;
    }

    TestHome home;
    QString storePath;
    QString queuePath;
};

TEST_F(CrashSafety, KilledWritersLeaveOldOrNewValuesAndLoseNoQueuedAddress) {
    const int kills = qEnvironmentVariableIsSet("SIEVRA_CRASH_KILLS")
                          ? qEnvironmentVariableIntValue("SIEVRA_CRASH_KILLS")
                          : 300;
    const quint32 seed =
        qEnvironmentVariableIsSet("SIEVRA_CRASH_SEED")
            ? static_cast<quint32>(qEnvironmentVariableIntValue("SIEVRA_CRASH_SEED"))
            : QRandomGenerator::global()->generate();
    std::cout << "crash safety: seed " << seed << "\n";
    QRandomGenerator random(seed);
    int first = 1;
    int inStore = 0;
    int inQueue = 0;
    int between = 0;
    for (int n = 0; n < kills && !HasFailure(); ++n) {
        const QByteArray output = RunAndKill(first, random.bounded(30000));
        const Progress p = ReadProgress(output, first);
        SCOPED_TRACE(QStringLiteral("kill %1 in step %2").arg(n).arg(p.begun).toStdString());
        if (p.begun == p.ended) {
            ++between;
        } else if (p.queueBegun) {
            ++inQueue;
        } else {
            ++inStore;
        }
        CheckStore(p);
        first = CheckQueue(p) + 1;
    }
    // A kill between the temporary file's naming and its rename leaves that file behind; the
    // queue itself never depends on it.
    const QStringList files =
        QDir(home.DataHome() + QStringLiteral("/sievra")).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(files.contains("DeleList.ini"));
    std::cout << "crash safety: " << kills << " kills, " << inStore << " during store writes, "
              << inQueue << " during queue changes, " << between << " between steps; " << first - 1
              << " steps done; " << files.size() - 2 << " stray temporary queue files\n";
}

} // namespace
