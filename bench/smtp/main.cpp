// Sends N one-recipient messages of 20 lines through a local aiosmtpd in one session, the way
// the reply phase does: one request at a time, waiting for each OnRequestDone in an event loop.
//   bench_smtp [messages]     (default 1000)
#include "bench/BenchSupport.h"
#include "net/TSmtpCli.h"
#include "tests/support/SmtpSink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <functional>

using namespace sievra;

namespace {

// Runs one request to its OnRequestDone, as the engine's wait does; -1 on a 30 s time-out.
int Await(TSmtpCli& client, const std::function<void()>& request) {
    QEventLoop loop;
    int result = -1;
    const auto connection = QObject::connect(&client, &TCustomSmtpClient::OnRequestDone, &loop,
                                             [&](TCustomSmtpClient*, SmtpRequest, quint16 error) {
                                                 result = error;
                                                 loop.quit();
                                             });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    request();
    loop.exec();
    QObject::disconnect(connection);
    return result;
}

QStringList ReplyBody() {
    QStringList body;
    for (int i = 1; i <= 20; ++i) {
        body.append(
            QStringLiteral("Line %1 of the reply: your message was removed unread.").arg(i));
    }
    return body;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 1000;
    test::SmtpSink sink;

    TSmtpCli client;
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(QString::number(sink.Port()));
    client.SetHdrFrom(QStringLiteral("Sievra <me@example.org>"));
    client.SetHdrReplyTo(QStringLiteral("me@example.org"));
    client.SetHdrSubject(QStringLiteral("Your message was deleted"));
    client.SetMailMessage(ReplyBody());

    const bench::Stopwatch session;
    if (Await(client, [&] { client.Connect(); }) != 0 ||
        Await(client, [&] { client.Helo(); }) != 0) {
        std::fprintf(stderr, "cannot open the session: %s\n", qPrintable(client.ErrorMessage()));
        return 1;
    }
    const bench::Stopwatch sending;
    for (int i = 0; i < messages; ++i) {
        const QString to = QStringLiteral("sender%1@example.org").arg(i);
        client.SetRcptName({to});
        client.SetHdrTo(to);
        const int error = Await(client, [&] { client.Mail(); });
        if (error != 0) {
            std::fprintf(stderr, "message %d failed with %d: %s\n", i + 1, error,
                         qPrintable(client.ErrorMessage()));
            return 1;
        }
    }
    const double sendMs = sending.Milliseconds();
    Await(client, [&] { client.Quit(); });
    const double sessionMs = session.Milliseconds();
    const bool arrived = sink.WaitForMessages(messages, 30000);

    std::printf("messages sent:        %d (%s at the server)\n", messages,
                arrived ? "all arrived" : "NOT all arrived");
    std::printf("sending time:         %.0f ms\n", sendMs);
    std::printf("messages per second:  %.0f\n", messages * 1000.0 / sendMs);
    std::printf("whole session:        %.0f ms\n", sessionMs);
    std::printf("peak memory:          %.1f MiB\n", bench::PeakMemoryMiB());
    return arrived ? 0 : 1;
}
