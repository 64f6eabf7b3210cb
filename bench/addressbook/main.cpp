// Writes an address book file of 100,000 records, loads it the way every screening pass
// does, and decides 10,000 messages against it; then 100,000 contacts as a vCard file and as
// a Thunderbird book, first read and unchanged. Prints the times and the peak memory.
#include "addressbook/AddressBook.h"
#include "addressbook/StatusOutput.h"
#include "bench/BenchSupport.h"
#include "bench/addressbook/SourcesBench.h"
#include "engine/AcceptanceRules.h"
#include "mail/GMimeLibrary.h"
#include "settings/JoinedList.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>

using namespace sievra;

namespace {

constexpr int RecordCount = 100000;
constexpr int DecisionCount = 10000;
constexpr qsizetype RecordSize = 640; // a 500-byte window and the rest of a small record

class PrintedStatus : public StatusOutput {
public:
    void WriteStatus(const QString& text, bool, bool) override {
        std::printf("status: %s\n", qPrintable(text));
    }
};

QString AddressOf(int i) {
    return QStringLiteral("Contact.%1@Example-%2.org").arg(i).arg(i % 97);
}

void PutField(QByteArray& record, qsizetype at, quint8 tag, const QString& text) {
    const QByteArray marker = QByteArray::fromHex("1f00") + char(tag) + '\x30';
    for (const qsizetype offset : {at - 24, at}) { // the second occurrence is the field
        record.replace(offset, 4, marker);
    }
    record[at + 4] = static_cast<char>(text.size() * 2);
    for (qsizetype c = 0; c < text.size(); ++c) {
        qToLittleEndian<char16_t>(text[c].unicode(), record.data() + at + 8 + 2 * c);
    }
}

// Streams the file out so that the peak memory printed is the loader's, not the writer's.
bool WriteBook(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const qsizetype recordsStart = 2224 + 8 * qsizetype(RecordCount);
    QByteArray head(recordsStart, '\0');
    qToLittleEndian<qint32>(RecordCount - 1, head.data() + 100);
    // The index lists the records in an order unlike the file's, as a used book does.
    QList<int> entryAtSlot(RecordCount);
    for (int i = 0; i < RecordCount; ++i) {
        const int slot = int((qint64(i) * 7919) % RecordCount);
        entryAtSlot[slot] = i;
        qToLittleEndian<qint32>(qint32(recordsStart + RecordSize * slot),
                                head.data() + 2224 + 8 * qsizetype(i));
    }
    bool written = file.write(head) == head.size();
    for (int slot = 0; slot < RecordCount && written; ++slot) {
        const int i = entryAtSlot[slot];
        QByteArray record(RecordSize, '\x01');
        PutField(record, 60, 0x01, QStringLiteral("Contact number %1").arg(i));
        PutField(record, 200, 0x03, AddressOf(i));
        written = file.write(record) == record.size();
    }
    return written;
}

struct Figures {
    double ReadMs = 0;   // cutting (and reading) the values out of the header lines
    double DecideMs = 0; // the decisions
    int Accepted = 0;
};

// Half the senders are contacts written in other case, half are strangers; of those, every
// other one has a code word in the subject.
Figures Decide(HeaderReading reading, const AddressIndex& index, const QStringList& codeWords) {
    QList<QStringList> headers;
    for (int m = 0; m < DecisionCount; ++m) {
        const QString from = m % 2 == 0 ? AddressOf((m * 31) % RecordCount).toUpper()
                                        : QStringLiteral("stranger%1@spam.example").arg(m);
        headers.append({QStringLiteral("From: \"Someone\" <%1>").arg(from),
                        QStringLiteral("Subject: Message %1 %2")
                            .arg(m)
                            .arg(m % 4 == 1 ? QStringLiteral("re: KILO") : QString())});
    }
    Figures figures;
    MessageLists lists;
    bench::Stopwatch readWatch;
    for (const QStringList& header : headers) {
        AppendHeaderValues(header, lists, reading);
    }
    figures.ReadMs = readWatch.Milliseconds();
    bench::Stopwatch decideWatch;
    for (int m = 0; m < DecisionCount; ++m) {
        figures.Accepted += DecideMessage(lists, m, index, codeWords) ? 1 : 0;
    }
    figures.DecideMs = decideWatch.Milliseconds();
    return figures;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + "/contacts.wab";
    if (!WriteBook(path)) {
        std::printf("cannot write the address book file\n");
        return 1;
    }
    const double before = bench::PeakMemoryMiB();

    PrintedStatus status;
    AddressBook book;
    bench::Stopwatch loadWatch;
    const bool loaded = LoadAddressBook(path, status, book);
    const double readMs = loadWatch.Milliseconds();
    const AddressIndex index(book);
    const double loadMs = loadWatch.Milliseconds();

    const QStringList codeWords = SplitJoined(QStringLiteral(
        "alpha|bravo|charlie|delta|echo|foxtrot|golf|hotel|india|juliett|kilo|lima|"));
    // The raw rules alone (as before the header reader) and with the reader, on the same headers.
    // GMime starts once per process; its start is counted apart from the decisions.
    bench::Stopwatch startWatch;
    UseGMime();
    const double gmimeStartMs = startWatch.Milliseconds();
    const Figures raw = Decide(HeaderReading::RawLines, index, codeWords);
    const Figures read = Decide(HeaderReading::Fields, index, codeWords);
    const int accepted = read.Accepted;

    std::printf("address book: %d records, %lld valid addresses loaded (%s)\n", RecordCount,
                static_cast<long long>(book.size()), loaded ? "complete" : "FAILED");
    std::printf("load time: %.1f ms (target < 100 ms): %.1f ms reading, %.1f ms index\n", loadMs,
                readMs, loadMs - readMs);
    std::printf("peak memory: %.1f MiB (%.1f MiB before loading)\n", bench::PeakMemoryMiB(),
                before);
    for (const auto& [name, figures] :
         {std::pair{"raw rules alone", raw}, {"header reader", read}}) {
        std::printf("%d decisions, %s: %.2f ms (target < 20 ms), %d accepted; reading the "
                    "headers %.2f ms\n",
                    DecisionCount, name, figures.DecideMs, figures.Accepted, figures.ReadMs);
    }
    std::printf("starting GMime (once per process): %.2f ms\n", gmimeStartMs);
    const bool sourcesOk = bench::RunSourceBenchmarks(dir.path());
    return loaded && book.size() == RecordCount && accepted == DecisionCount * 3 / 4 &&
                   raw.Accepted == accepted && sourcesOk
               ? 0
               : 1;
}
