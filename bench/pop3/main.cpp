// Header fetching as the screening pass does it: one "TOP i 0" at a time, each awaited through
// the event loop, against a private dovecot with 5,000 small messages. The same run times a
// minimal blocking-socket loop against the same mailbox: one request at a time is bound by
// the server's answer time, so that loop is the ceiling the client is measured against. The
// client then runs over TLS (from the first byte, and through STLS) against the same dovecot
// with a certificate of its own authority, to show what encryption costs per header.
// Needs root (dovecot), like the tests.
#include "bench/BenchSupport.h"
#include "net/TPop3Cli.h"
#include "net/TlsTrust.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/TestCertificates.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSslSocket>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace sievra;

namespace {

constexpr int MessageCount = 5000;
const char* const User = "bench";
const char* const Password = "benchpw";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench_pop3: %s\n", what.c_str());
    std::exit(1);
}

QList<QByteArray> Mailbox() {
    QList<QByteArray> messages;
    for (int i = 1; i <= MessageCount; ++i) {
        const QByteArray n = QByteArray::number(i);
        messages.append("Return-Path: <sender" + n + "@example.org>\n" + "From: Sender " + n +
                        " <sender" + n + "@example.org>\n" + "To: bench@example.org\n" +
                        "Subject: Message number " + n + " of the benchmark mailbox\n" +
                        "Date: Mon, 1 Jan 2024 10:00:00 +0000\n" + "Message-ID: <" + n +
                        ".bench@example.org>\n" + "MIME-Version: 1.0\n" +
                        "Content-Type: text/plain; charset=us-ascii\n\n" + "Body " + n + "\n");
    }
    return messages;
}

struct Round {
    double ms = 0;
    long lines = 0;
    double connectMs = 0; // the connect request: TCP, greeting and any TLS handshake
};

// ---- The client, driven the way the engine drives it

class ClientRun {
public:
    explicit ClientRun(quint16 port, ConnectionSecurity security = ConnectionSecurity::None,
                       const QString& host = QStringLiteral("127.0.0.1")) {
        client_.SetHost(host);
        client_.SetPort(QString::number(port));
        client_.SetSecurity(security);
        client_.SetUserName(User);
        client_.SetPassWord(Password);
        QObject::connect(&client_, &TCustomPop3Cli::OnRequestDone, &loop_,
                         [this](TCustomPop3Cli*, TPop3Request, quint16 error) {
                             error_ = error;
                             loop_.quit();
                         });
        QObject::connect(&client_, &TCustomPop3Cli::OnMessageLine, &loop_, [this] { ++lines_; });
        timeout_.setSingleShot(true);
        QObject::connect(&timeout_, &QTimer::timeout, &loop_, [this] {
            error_ = -1;
            loop_.quit();
        });
    }

    [[gnu::noinline]] Round Run() {
        const bench::Stopwatch connectWatch;
        Await([&] { client_.Connect(); }, "connect");
        const double connectMs = connectWatch.Milliseconds();
        Await([&] { client_.User(); }, "USER");
        Await([&] { client_.Pass(); }, "PASS");
        Await([&] { client_.Stat(); }, "STAT");
        if (client_.MsgCount() != MessageCount) {
            Fail("STAT gave " + std::to_string(client_.MsgCount()) + " messages");
        }
        lines_ = 0;
        client_.SetMsgLines(0);
        const bench::Stopwatch watch;
        for (int i = 1; i <= MessageCount; ++i) {
            client_.SetMsgNum(i);
            Await([&] { client_.Top(); }, "TOP");
        }
        const Round round{watch.Milliseconds(), lines_, connectMs};
        Await([&] { client_.Quit(); }, "QUIT");
        return round;
    }

private:
    template <typename Request> void Await(Request request, const char* what) {
        error_ = 0;
        request();
        timeout_.start(30000);
        loop_.exec();
        timeout_.stop();
        if (error_ != 0) {
            Fail(std::string(what) + " failed with " + std::to_string(error_) + ": " +
                 client_.ErrorMessage().toStdString());
        }
    }

    TPop3Cli client_;
    QEventLoop loop_;
    QTimer timeout_;
    int error_ = 0;
    long lines_ = 0;
};

// ---- The minimal blocking loop

class BlockingConnection {
public:
    explicit BlockingConnection(quint16 port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 ||
            ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            Fail("blocking connect failed");
        }
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    ~BlockingConnection() { ::close(fd_); }
    BlockingConnection(const BlockingConnection&) = delete;
    BlockingConnection& operator=(const BlockingConnection&) = delete;

    void Send(const std::string& line) {
        const std::string bytes = line + "\r\n";
        if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            Fail("blocking write failed");
        }
    }
    // Reads until the reply ends with `end`; returns the reply.
    const std::string& ReadUntil(const char* end) {
        reply_.clear();
        const std::size_t endLength = std::strlen(end);
        char buffer[8192];
        while (reply_.size() < endLength ||
               reply_.compare(reply_.size() - endLength, endLength, end) != 0) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                Fail("blocking read failed");
            }
            reply_.append(buffer, static_cast<std::size_t>(n));
        }
        return reply_;
    }
    const std::string& Command(const std::string& line) {
        Send(line);
        const std::string& reply = ReadUntil("\r\n");
        if (reply.rfind("+OK", 0) != 0) {
            Fail(line + " refused: " + reply);
        }
        return reply;
    }

private:
    int fd_ = -1;
    std::string reply_;
};

Round MinimalLoop(quint16 port) {
    BlockingConnection c(port);
    c.ReadUntil("\r\n");
    c.Command(std::string("USER ") + User);
    c.Command(std::string("PASS ") + Password);
    c.Command("STAT");
    Round round;
    const bench::Stopwatch watch;
    for (int i = 1; i <= MessageCount; ++i) {
        c.Send("TOP " + std::to_string(i) + " 0");
        const std::string& reply = c.ReadUntil("\r\n.\r\n");
        if (reply.rfind("+OK", 0) != 0) {
            Fail("TOP refused: " + reply);
        }
        // Lines between the "+OK" line and the final dot, as the client hands them over.
        round.lines += std::count(reply.begin(), reply.end(), '\n') - 2;
    }
    round.ms = watch.Milliseconds();
    c.Command("QUIT");
    return round;
}

// ---- The event-loop floor: what any client on Qt's socket and event loop pays

// The same dialogue with nothing but Qt's TLS-capable socket in plain mode and a posted
// completion awaited by a local event loop: the part of the client's cost that is the event
// loop's, not the client's.
[[gnu::noinline]] Round EventLoopFloor(quint16 port) {
    QSslSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(10000)) {
        Fail("event-loop connect failed");
    }
    QByteArray reply;
    const auto line = [&] {
        while (!reply.contains("\r\n")) {
            if (!socket.waitForReadyRead(10000)) {
                Fail("event-loop login timed out");
            }
            reply += socket.readAll();
        }
        reply.clear();
    };
    line();
    socket.write(QByteArray("USER ") + User + "\r\n");
    line();
    socket.write(QByteArray("PASS ") + Password + "\r\n");
    line();

    Round round;
    QEventLoop loop;
    QObject::connect(&socket, &QIODevice::readyRead, &loop, [&] {
        reply += socket.readAll();
        if (reply.endsWith("\r\n.\r\n")) {
            round.lines += reply.count('\n') - 2;
            reply.clear();
            QMetaObject::invokeMethod(
                &loop, [&] { loop.quit(); }, Qt::QueuedConnection);
        }
    });
    const bench::Stopwatch watch;
    for (int i = 1; i <= MessageCount; ++i) {
        socket.write("TOP " + QByteArray::number(i) + " 0\r\n");
        socket.flush();
        loop.exec();
    }
    round.ms = watch.Milliseconds();
    socket.disconnect(&loop);
    socket.write("QUIT\r\n");
    socket.flush();
    socket.waitForDisconnected(10000);
    return round;
}

double Rate(const Round& round) {
    return MessageCount / (round.ms / 1000.0);
}

// Best and median rate of a contender over the rounds.
struct Rates {
    std::vector<double> values;
    double Best() const { return *std::max_element(values.begin(), values.end()); }
    double Median() const {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // bench_pop3 [rounds]; more rounds steady the figures on a busy machine.
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // A certificate for "localhost" from an authority trusted for this run only.
    test::TestCertificates pki;
    const test::TestCertificates::Files cert = pki.Issue("localhost", {"DNS:localhost"});
    SetAdditionalCaCertificates(pki.Authority());
    test::DovecotServer server(cert.Cert, cert.Key);
    server.AddUser(User, Password);
    server.AddMessages(User, Mailbox());
    const quint16 port = server.Pop3Port();
    std::printf("POP3 header fetch: %d messages, one TOP i 0 at a time, %d rounds\n", MessageCount,
                rounds);

    MinimalLoop(port); // warms dovecot's index and the page cache for all
    Rates client;
    Rates floor;
    Rates minimal;
    Rates tls;
    Rates stls;
    Rates connectClear;
    Rates connectTls;
    double clientMs = 0;
    for (int r = 1; r <= rounds; ++r) {
        ClientRun run(port);
        const Round ours = run.Run();
        const Round qt = EventLoopFloor(port);
        const Round blocking = MinimalLoop(port);
        ClientRun tlsRun(server.Pop3sPort(), ConnectionSecurity::Tls, QStringLiteral("localhost"));
        const Round overTls = tlsRun.Run();
        ClientRun stlsRun(port, ConnectionSecurity::StartTls, QStringLiteral("localhost"));
        const Round overStls = stlsRun.Run();
        for (const Round* other : {&qt, &overTls, &overStls}) {
            if (other->lines != blocking.lines || ours.lines != blocking.lines) {
                Fail("header lines differ: client " + std::to_string(ours.lines) + ", other " +
                     std::to_string(other->lines) + ", minimal loop " +
                     std::to_string(blocking.lines));
            }
        }
        std::printf("round %d: client %6.0f/s (%4.0f ms)  event-loop floor %6.0f/s  minimal loop "
                    "%6.0f/s  TLS %6.0f/s  STLS %6.0f/s  (%ld header lines each)\n",
                    r, Rate(ours), ours.ms, Rate(qt), Rate(blocking), Rate(overTls), Rate(overStls),
                    ours.lines);
        client.values.push_back(Rate(ours));
        floor.values.push_back(Rate(qt));
        minimal.values.push_back(Rate(blocking));
        tls.values.push_back(Rate(overTls));
        stls.values.push_back(Rate(overStls));
        // Kept as a rate list for the median; these are milliseconds.
        connectClear.values.push_back(ours.connectMs);
        connectTls.values.push_back(overTls.connectMs);
        clientMs = r == 1 ? ours.ms : std::min(clientMs, ours.ms);
    }
    std::printf("\nheaders per second           best     median\n");
    std::printf("client (TPop3Cli)         %7.0f   %7.0f   TOP of all %d in %.0f ms (best)\n",
                client.Best(), client.Median(), MessageCount, clientMs);
    std::printf("event-loop floor (Qt)     %7.0f   %7.0f\n", floor.Best(), floor.Median());
    std::printf("minimal blocking loop     %7.0f   %7.0f\n", minimal.Best(), minimal.Median());
    std::printf("client / minimal loop     %6.1f%%   %6.1f%%   (target 90%% or more)\n",
                100.0 * client.Best() / minimal.Best(), 100.0 * client.Median() / minimal.Median());
    std::printf("client / event-loop floor %6.1f%%   %6.1f%%\n",
                100.0 * client.Best() / floor.Best(), 100.0 * client.Median() / floor.Median());
    std::printf("\nover TLS, headers per second  best     median\n");
    std::printf("clear text (as above)     %7.0f   %7.0f\n", client.Best(), client.Median());
    std::printf("TLS from the first byte   %7.0f   %7.0f   (%.1f%% of clear, median)\n", tls.Best(),
                tls.Median(), 100.0 * tls.Median() / client.Median());
    std::printf("STLS on the plain port    %7.0f   %7.0f   (%.1f%% of clear, median)\n",
                stls.Best(), stls.Median(), 100.0 * stls.Median() / client.Median());
    std::printf("connect with greeting (median): clear %.1f ms, TLS %.1f ms\n",
                connectClear.Median(), connectTls.Median());
    // Per request, the time over the minimal loop is what the client and the event loop add.
    std::printf("microseconds per request (median): client %.1f, event-loop floor %.1f, minimal "
                "loop %.1f\n",
                1e6 / client.Median(), 1e6 / floor.Median(), 1e6 / minimal.Median());
    std::printf("peak memory: %.1f MiB\n", bench::PeakMemoryMiB());
    return 0;
}
