// Helper of the crash test: writes the settings store and the queue file step after step,
// from the step given, until it is killed. Prints "begin i" before step i, "queue i" before
// its queue change and "end i" after it, each line flushed at once.
//   crash_writer STORE QUEUE FIRST-STEP
#include "engine/PendingReplies.h"
#include "engine/ReplyQueueFile.h"
#include "settings/JoinedList.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/reliability/CrashSteps.h"

#include <QCoreApplication>
#include <cstdio>

using namespace sievra;
namespace crash = sievra::test::crash;

namespace {

void Say(const char* what, int step) {
    std::printf("%s %d\n", what, step);
    std::fflush(stdout);
}

void WriteStore(SettingsStore& store, int step) {
    auto key = store.OpenKey(AccountKeyPath(crash::AccountKey));
    key->WriteNumber(QStringLiteral("Counter"), step);
    key->WriteText(QStringLiteral("Note"), crash::Note(step));
    SaveJoinedList(store, crash::AccountKey, CodeWordsSubkey, crash::CodeWords(step));
    SaveLines(store, HeaderPrefix, crash::HeaderLines(step));
}

QString AddressOf(const QString& entry) {
    return entry.mid(entry.indexOf(QLatin1Char('=')) + 1);
}

// As a pass backs up its replies: restore what is queued, merge the new address, sort, and
// write the whole section anew under keys from 0.
void BackUp(IniDocument& doc, const QString& address) {
    PendingReplies pending;
    for (const QString& entry : doc.ReadSection(crash::QueueSection)) {
        pending.Add(AddressOf(entry));
    }
    pending.Add(address);
    doc.EraseSection(crash::QueueSection);
    for (qsizetype i = 0; i < pending.Size(); ++i) {
        doc.WriteEntry(crash::QueueSection, QString::number(i), pending.Items()[i]);
    }
}

// As a pass forgets a served reply: its entry goes, the others keep their keys.
void Forget(IniDocument& doc, const QString& address) {
    for (const QString& entry : doc.ReadSection(crash::QueueSection)) {
        if (AddressOf(entry) == address) {
            doc.DeleteEntry(crash::QueueSection, entry.left(entry.indexOf(QLatin1Char('='))));
        }
    }
}

void ChangeQueue(ReplyQueueFile& queue, int step) {
    const int k = (step + 1) / 2;
    queue.Update([&](IniDocument& doc) {
        if (step % 2 == 1) {
            BackUp(doc, crash::QueuedAddress(k));
        } else if (k > 10) {
            Forget(doc, crash::QueuedAddress(k - 10));
        }
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        return 2;
    }
    SettingsStore store(args[1]);
    store.OpenKey(AccountKeyPath(crash::AccountKey) + QLatin1Char('\\') + CodeWordsSubkey, true);
    ReplyQueueFile queue(args[2]);
    for (int step = args[3].toInt();; ++step) {
        Say("begin", step);
        WriteStore(store, step);
        Say("queue", step);
        ChangeQueue(queue, step);
        Say("end", step);
    }
}
