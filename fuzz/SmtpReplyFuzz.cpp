// Arbitrary server bytes fed to the SMTP client over a scripted transport. The first byte picks the
// request the client waits on and whether each message has a next one following its "." (sent
// before its replies are in, as on a pipelining server); byte 0xFE splits the rest into separate
// reads. Whatever arrives, the
// client must not crash, must end every request exactly once and never inside the event that
// ends it, and must send only whole lines within the SMTP limit.
#include "net/TSmtpCli.h"
#include "tests/support/ScriptedTransport.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

using namespace sievra;
using sievra::test::ScriptedTransport;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Every line sent ends with CR LF, holds no other CR or LF and fits 1000 bytes with it.
void CheckWire(const QByteArray& sent) {
    Require(sent.isEmpty() || sent.endsWith("\r\n"));
    qsizetype start = 0;
    while (start < sent.size()) {
        const qsizetype end = sent.indexOf("\r\n", start);
        Require(end >= 0 && end - start <= 998);
        const QByteArrayView line(sent.constData() + start, end - start);
        Require(!line.contains('\r') && !line.contains('\n'));
        start = end + 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_smtp_reply";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size == 0) {
        return 0;
    }

    auto owned = std::make_unique<ScriptedTransport>();
    ScriptedTransport& net = *owned;
    TSmtpCli client(std::move(owned));
    client.SetHost(QStringLiteral("smtp.example"));
    client.SetRcptName({QStringLiteral("a@example.org"), QStringLiteral("b@example.org")});
    client.SetHdrFrom(QStringLiteral("me@example.org"));
    client.SetHdrSubject(QStringList(250, QStringLiteral("long")).join(u' '));
    client.SetMailMessage({QStringLiteral("Hello"), QStringLiteral("."),
                           QStringLiteral(".") + QString(1500, u'x'), QStringLiteral("a\rb\nc")});
    const int first = data[0];
    const bool follow = first / 6 % 2 == 1;
    if (follow) {
        client.SetRcptName({QStringLiteral("a@example.org")});
    }
    int offered = 0;
    int attached = 0;
    QObject::connect(&client, &TCustomSmtpClient::OnMailFollows,
                     [&](TCustomSmtpClient*, bool* follows) {
                         *follows = follow;
                         offered += follow ? 1 : 0;
                     });
    int started = 0;
    int done = 0;
    bool inside = false;
    QObject::connect(&client, &TCustomSmtpClient::OnRequestDone,
                     [&](TCustomSmtpClient*, SmtpRequest, quint16) {
                         Require(!inside);
                         ++done;
                     });
    // The requests of a session, started one after the other as each one ends.
    const auto startNext = [&](int which) {
        inside = true;
        // A message that followed must be the next request.
        switch (attached < offered ? 3 : which % 5) {
        case 0:
            client.Ehlo();
            break;
        case 1:
            client.AuthLogin();
            break;
        case 2:
            client.Helo();
            break;
        case 3:
            attached = offered;
            client.Mail();
            break;
        default:
            client.Quit();
            break;
        }
        inside = false;
        ++started;
    };

    client.Connect();
    net.Accept();
    if (first % 6 == 5) {
        started = 1; // waiting for the greeting
    } else {
        net.Deliver("220 ready\r\n");
        QCoreApplication::processEvents();
        Require(done == 1 && client.State() == smtpReady);
        done = 0;
        startNext(first);
    }

    const QByteArrayView input(reinterpret_cast<const char*>(data) + 1,
                               static_cast<qsizetype>(size - 1));
    qsizetype pos = 0;
    while (pos <= input.size()) {
        qsizetype end = input.indexOf('\xfe', pos);
        if (end < 0) {
            end = input.size();
        }
        inside = true;
        net.Deliver(input.sliced(pos, end - pos));
        for (int i = 0; i < 64; ++i) {
            net.Drain();
        }
        inside = false;
        QCoreApplication::processEvents();
        Require(done <= started);
        const bool idle = client.State() == smtpReady || attached < offered;
        if (done == started && idle && client.Connected() && started < 8) {
            startNext(first + started);
        }
        pos = end + 1;
    }
    QCoreApplication::processEvents();
    Require(done <= started);
    if (!client.Connected()) {
        Require(done == started && client.State() == smtpReady);
    }
    CheckWire(net.Sent());
    return 0;
}
