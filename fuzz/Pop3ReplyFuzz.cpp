// Arbitrary server bytes into the POP3 client over a scripted transport, in every state that
// waits for a reply. Whatever the server sends, the request must end exactly once, from the event
// loop, and leave the client ready and disconnected once the connection ends.
//
// The pipelined requests (three TOP or two DELE commands in one window) take the same bytes as
// the answers to all their commands: each answer is reported once, in order, and only a request
// that ends well has them all.
//
// Input: byte 0 picks the request the client waits on, byte 1 the size of the pieces the
// bytes arrive in (0: all at once), the rest is what the server sends.
#include "net/Pop3Reply.h"
#include "net/TPop3Cli.h"
#include "tests/support/ScriptedTransport.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>

using namespace sievra;
using sievra::test::ScriptedTransport;

namespace {

void Require(bool condition, int line = __builtin_LINE()) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_pop3_reply: check at line %d failed\n", line);
        std::abort();
    }
}

struct Scenario {
    TPop3Request request;
    TPop3ProtocolState state;
    int each = 0; // commands of a pipelined request; 0 for one command
};

constexpr Scenario Scenarios[] = {
    {pop3Connect, pop3Disconnected}, {pop3User, pop3WaitingUser},   {pop3Pass, pop3WaitingPass},
    {pop3Stat, pop3Transaction},     {pop3Top, pop3Transaction},    {pop3Dele, pop3Transaction},
    {pop3Quit, pop3Transaction},     {pop3Top, pop3Transaction, 3}, {pop3Dele, pop3Transaction, 2},
    {pop3Capa, pop3WaitingUser},     {pop3Uidl, pop3Transaction},
};

// Brings the client, greeted, to `state` the way a session gets there.
void Reach(TPop3Cli& client, ScriptedTransport& net, TPop3ProtocolState state) {
    client.Connect();
    net.Accept();
    net.Deliver("+OK ready\r\n");
    if (state == pop3WaitingPass || state == pop3Transaction) {
        client.User();
        net.Deliver("+OK\r\n");
    }
    if (state == pop3Transaction) {
        client.Pass();
        net.Deliver("+OK\r\n");
    }
    QCoreApplication::sendPostedEvents();
    Require(client.ProtocolState() == state && client.State() == pop3Ready);
}

void Issue(TPop3Cli& client, const Scenario& scenario) {
    const QList<int> numbers = {1, 2, 3};
    switch (scenario.request) {
    case pop3User:
        client.User();
        break;
    case pop3Pass:
        client.Pass();
        break;
    case pop3Stat:
        client.Stat();
        break;
    case pop3Top:
        scenario.each > 0 ? client.TopEach(numbers.first(scenario.each)) : client.Top();
        break;
    case pop3Dele:
        scenario.each > 0 ? client.DeleEach(numbers.first(scenario.each)) : client.Dele();
        break;
    case pop3Capa:
        client.Capa();
        break;
    case pop3Uidl:
        client.Uidl();
        break;
    default:
        client.Quit();
        break;
    }
}

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "fuzz_pop3_reply";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    EnsureApplication();
    const Scenario scenario = Scenarios[data[0] % std::size(Scenarios)];
    const qsizetype piece = data[1];
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 2,
                               static_cast<qsizetype>(size) - 2);

    auto owned = std::make_unique<ScriptedTransport>();
    ScriptedTransport& net = *owned;
    TPop3Cli client(std::move(owned));
    client.SetHost(QStringLiteral("pop.example"));
    client.SetUserName(QStringLiteral("user"));
    client.SetPassWord(QStringLiteral("secret"));
    client.SetMsgNum(1);
    if (scenario.request == pop3Connect) {
        client.Connect();
        net.Accept();
    } else {
        Reach(client, net, scenario.state);
        Issue(client, scenario);
    }

    int done = 0;
    int doneError = -1;
    int begins = 0;
    int ends = 0;
    bool inMessage = false;
    int answered = 0;
    QObject::connect(&client, &TCustomPop3Cli::OnRequestDone, &client,
                     [&](TCustomPop3Cli*, TPop3Request type, quint16 error) {
                         Require(type == scenario.request);
                         ++done;
                         doneError = error;
                     });
    QObject::connect(&client, &TCustomPop3Cli::OnResponse, &client,
                     [&](TCustomPop3Cli*, const QString& line) {
                         Require(!line.contains(QLatin1String("\r\n")));
                         const Pop3ReplyKind kind = ClassifyPop3Reply(line);
                         Require((kind == Pop3ReplyKind::Ok) == line.startsWith(u'+'));
                         Require(kind != Pop3ReplyKind::Err || line.startsWith(u"-ERR"));
                     });
    QObject::connect(&client, &TCustomPop3Cli::OnMessageBegin, &client, [&] {
        Require(scenario.request == pop3Top && !inMessage && begins < std::max(scenario.each, 1));
        ++begins;
        inMessage = true;
    });
    QObject::connect(&client, &TCustomPop3Cli::OnAnswered, &client,
                     [&](TCustomPop3Cli*, int position) {
                         Require(position == answered && answered < scenario.each && !inMessage);
                         Require(scenario.request != pop3Top || ends == answered + 1);
                         ++answered;
                     });
    QObject::connect(&client, &TCustomPop3Cli::OnMessageLine, &client, [&] { Require(inMessage); });
    QObject::connect(&client, &TCustomPop3Cli::OnMessageEnd, &client, [&] {
        Require(inMessage);
        inMessage = false;
        ++ends;
    });

    if (piece == 0) {
        net.Deliver(bytes);
    } else {
        for (qsizetype at = 0; at < bytes.size(); at += piece) {
            net.Deliver(bytes.sliced(at, std::min(piece, bytes.size() - at)));
        }
    }
    net.PeerCloses(0);
    Require(done == 0); // never inside the event that completed the request
    QCoreApplication::sendPostedEvents();

    Require(done == 1);
    Require(doneError == 0 || doneError == 500 || doneError == 10004 || doneError == 10040);
    Require(client.State() == pop3Ready);
    Require(!client.Connected());
    Require(client.ProtocolState() == pop3Disconnected);
    Require(client.MsgCount() >= 0 && client.MsgSize() >= 0);
    Require(ends <= begins);
    if (scenario.request == pop3Top && doneError == 0) {
        Require(ends == std::max(scenario.each, 1));
    }
    Require(doneError != 0 || answered == scenario.each);
    Require(client.UniqueIds().size() <= client.MsgCount());
    return 0;
}
