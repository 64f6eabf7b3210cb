// One pass of an account whose queue holds 100,000 addresses: the POP3 server refuses the
// connection and the SMTP host is missing, so the pass does nothing but restore the queue,
// merge, sort and write it back. Prints the time of that pass and of a second one.
#include "bench/BenchSupport.h"
#include "engine/ScreeningEngine.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/TestHome.h"
#include "tests/support/WaitFor.h"

#include <QCoreApplication>
#include <cstdio>
#include <ctime>

using namespace sievra;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    test::TestHome home;
    test::AddressBookBytes book;
    book.Add(test::AddressBookBytes::Record(QStringLiteral("friend@example.org")));

    test::QuietWindow window;
    window.Options.WabFile = home.WriteFile(QStringLiteral("book.wab"), book.Bytes());
    Account account;
    account.KeyName = QStringLiteral("00000001");
    account.Active = true;
    account.Pop3Server = QStringLiteral("127.0.0.1");
    account.Pop3Port = QString::number(test::FreeLoopbackPort());
    account.Pop3User = QStringLiteral("user");
    account.Pop3Password = QStringLiteral("password");
    account.Hints = QStringLiteral("a hint|");
    window.Records.push_back(account);

    ScreeningEngine engine(window, nullptr);
    QStringList addresses;
    addresses.reserve(count);
    for (int i = 0; i < count; ++i) {
        // Not in sorted order, so the pass has to sort them.
        addresses.append(
            QStringLiteral("sender%1@host%2.example").arg((i * 7919) % count).arg(i % 97));
    }
    engine.Queue().Update(
        [&](IniDocument& doc) { doc.ReplaceSection(account.KeyName, addresses); });

    for (int pass = 1; pass <= 2; ++pass) {
        bench::Stopwatch watch;
        const std::clock_t cpu = std::clock();
        engine.RunPass();
        // CPU time too: on a shared machine the wall time says more about the neighbours.
        std::printf("queue pass %d: %d addresses restored and rewritten in %.0f ms (%.0f ms CPU)\n",
                    pass, count, watch.Milliseconds(),
                    1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    }
    const qsizetype left = engine.Queue().Read().ReadSection(account.KeyName).size();
    std::printf("entries after the passes: %lld, peak memory %.1f MiB\n",
                static_cast<long long>(left), bench::PeakMemoryMiB());
    return left == count ? 0 : 1;
}
