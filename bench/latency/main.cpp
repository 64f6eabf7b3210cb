// What a distant mail server costs a pass: the engine and a plain one-command-at-a-time
// Python script (poplib and smtplib) run the same jobs against a local dovecot and aiosmtpd
// behind a proxy that delays every answer, and the proxy counts the round trips each needed.
//
//   bench_latency [--delay MS] [--first N] [--kept N] [--loopback N] [--smtp-step-by-step]
//
// --first: a first pass over N messages, one in ten rejected and replied to (default 300).
// --kept: a second pass over N messages that the first pass kept, nothing new (default 5000);
//   the first pass runs without the delay.
// --loopback: a first pass over N messages without the proxy, timed against the script
//   (default 5000).
// --smtp-step-by-step: the SMTP server does not offer PIPELINING (it does by default).
#include "DelayProxy.h"
#include "bench/BenchSupport.h"
#include "bench/FriendBook.h"
#include "engine/ScreeningEngine.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/SmtpSink.h"
#include "tests/support/TestHome.h"

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <cstdio>

using namespace sievra;

namespace {

// One in ten messages comes from a stranger when `spam` is set.
void Seed(test::DovecotServer& pop, const QString& user, int count, bool spam) {
    constexpr int Slice = 500;
    pop.AddUser(user, QStringLiteral("pw"));
    for (int first = 0; first < count; first += Slice) {
        QList<QByteArray> mails;
        for (int i = first; i < std::min(count, first + Slice); ++i) {
            const QString from = spam && i % 10 == 9
                                     ? QStringLiteral("sender%1@spam.example").arg(i)
                                     : bench::FriendAddress(i);
            mails.append(QStringLiteral("Return-Path: <%1>\nFrom: Someone <%1>\nTo: "
                                        "me@home.example\nSubject: Message number %2\nDate: "
                                        "Tue, 8 Dec 2026 10:00:00 +0000\nMessage-ID: "
                                        "<%2@bench>\n\nBody.\n")
                             .arg(from)
                             .arg(i)
                             .toUtf8());
        }
        pop.AddMessages(user, mails);
    }
}

struct Servers {
    test::DovecotServer& pop;
    test::SmtpSink& smtp;
    quint16 popPort;
    quint16 smtpPort;
};

struct Run {
    double Seconds = 0;
    QString Results;
};

Run RunEngine(const Servers& at, const QString& user, const QString& book) {
    test::QuietWindow window;
    window.Options.WabFile = book;
    Account a;
    a.KeyName = QStringLiteral("00000001");
    a.Active = true;
    a.Pop3Server = QStringLiteral("127.0.0.1");
    a.Pop3Port = QString::number(at.popPort);
    a.Pop3User = user;
    a.Pop3Password = QStringLiteral("pw");
    a.Pop3Timeout = 600;
    a.SmtpServer = QStringLiteral("127.0.0.1");
    a.SmtpPort = QString::number(at.smtpPort);
    a.SmtpAddress = QStringLiteral("me@home.example");
    a.SmtpTimeout = 600;
    a.Hints = QStringLiteral("a fruit with a crown|");
    window.Records.push_back(a);
    ScreeningEngine engine(window, nullptr);
    const bench::Stopwatch watch;
    engine.RunPass();
    const double seconds = watch.Milliseconds() / 1000.0;
    return {seconds, QStringLiteral("%1 waiting, %2 deleted, %3 errors")
                         .arg(engine.Counters().WaitingCount)
                         .arg(engine.Counters().DeletedCount)
                         .arg(engine.Counters().ErrorCount)};
}

double RunPython(const Servers& at, const QString& user, const QString& bookList) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(SIEVRA_PYTHON_PASS), QString::number(at.popPort),
             QString::number(at.smtpPort), user, QStringLiteral("pw"), bookList});
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput()).section(QLatin1Char(' '), 0, 0).toDouble();
}

int Option(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

void PrintRoundTrips(const char* who, double seconds, const bench::DelayProxy& pop,
                     const bench::DelayProxy& smtp) {
    std::printf("  %-14s %7.3f s, %5d round trips (POP3 %d, SMTP %d)\n", who, seconds,
                pop.RoundTrips() + smtp.RoundTrips(), pop.RoundTrips(), smtp.RoundTrips());
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int delay = Option(args, QStringLiteral("--delay"), 20);
    const int first = Option(args, QStringLiteral("--first"), 300);
    const int kept = Option(args, QStringLiteral("--kept"), 5000);
    const int loopback = Option(args, QStringLiteral("--loopback"), 5000);

    test::TestHome home;
    test::DovecotServer pop;
    test::SmtpSinkOptions smtpOptions;
    smtpOptions.Pipelining = !args.contains(QStringLiteral("--smtp-step-by-step"));
    test::SmtpSink smtp(smtpOptions);
    const bench::FriendBook friends = bench::WriteFriendBook(home);
    const QString& bookPath = friends.BookPath;
    const QString& listPath = friends.ListPath;
    bench::DelayProxy popProxy(pop.Pop3Port(), delay);
    bench::DelayProxy smtpProxy(smtp.Port(), delay);
    const Servers direct{pop, smtp, pop.Pop3Port(), smtp.Port()};
    const Servers proxied{pop, smtp, popProxy.Port(), smtpProxy.Port()};
    const auto reset = [&] {
        popProxy.ResetRoundTrips();
        smtpProxy.ResetRoundTrips();
    };

    std::printf("proxy delay: %d ms per round trip; SMTP server %s PIPELINING\n", delay,
                smtpOptions.Pipelining ? "offers" : "does not offer");
    if (first > 0) {
        std::printf("first pass over %d messages, %d rejected and replied to:\n", first,
                    first / 10);
        Seed(pop, QStringLiteral("first"), first, true);
        reset();
        const Run run = RunEngine(proxied, QStringLiteral("first"), bookPath);
        PrintRoundTrips("engine:", run.Seconds, popProxy, smtpProxy);
        std::printf("  (%s; target at most 60 round trips)\n", qPrintable(run.Results));
        Seed(pop, QStringLiteral("pyfirst"), first, true);
        reset();
        PrintRoundTrips("plain Python:", RunPython(proxied, QStringLiteral("pyfirst"), listPath),
                        popProxy, smtpProxy);
    }
    if (kept > 0) {
        std::printf("second pass over %d kept messages, nothing new:\n", kept);
        Seed(pop, QStringLiteral("kept"), kept, false);
        // The first pass goes through the proxy too (the cache belongs to one server and
        // port), without the delay.
        popProxy.SetDelay(0);
        smtpProxy.SetDelay(0);
        const Run filled = RunEngine(proxied, QStringLiteral("kept"), bookPath);
        std::printf("  first pass, without the delay: %.3f s (%s)\n", filled.Seconds,
                    qPrintable(filled.Results));
        popProxy.SetDelay(delay);
        smtpProxy.SetDelay(delay);
        reset();
        const Run run = RunEngine(proxied, QStringLiteral("kept"), bookPath);
        PrintRoundTrips("engine:", run.Seconds, popProxy, smtpProxy);
        std::printf("  (%s; target at most 10 round trips)\n", qPrintable(run.Results));
        // The script looks at every message again; its round trips do not depend on the delay.
        popProxy.SetDelay(0);
        smtpProxy.SetDelay(0);
        reset();
        RunPython(proxied, QStringLiteral("kept"), listPath);
        std::printf("  plain Python:  %5d round trips (counted without the delay; about %.0f s "
                    "with it)\n",
                    popProxy.RoundTrips() + smtpProxy.RoundTrips(),
                    (popProxy.RoundTrips() + smtpProxy.RoundTrips()) * delay / 1000.0);
    }
    if (loopback > 0) {
        std::printf("first pass over %d messages on loopback, no proxy:\n", loopback);
        Seed(pop, QStringLiteral("loop"), loopback, true);
        const Run run = RunEngine(direct, QStringLiteral("loop"), bookPath);
        Seed(pop, QStringLiteral("pyloop"), loopback, true);
        const double python = RunPython(direct, QStringLiteral("pyloop"), listPath);
        std::printf("  engine: %.3f s (%s)\n  plain Python: %.3f s\n", run.Seconds,
                    qPrintable(run.Results), python);
        std::printf("  engine / Python time: %.2f (target at most 0.30)\n", run.Seconds / python);
    }
    return 0;
}
