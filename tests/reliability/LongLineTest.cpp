// Header lines longer than the receive buffer: cut, the rest of the line dropped, and the
// lines after it intact, wherever the reads happen to split the bytes.
#include "net/LineReceiver.h"
#include "net/TPop3Cli.h"
#include "tests/support/ScriptedTransport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

using namespace sievra;

namespace {

constexpr int Size = LineReceiver::BufferSize;

// A client in its transaction state over a scripted transport, whose message lines and
// request results are written down as they come.
struct RecordedClient {
    RecordedClient()
        : owned(std::make_unique<test::ScriptedTransport>())
        , net(*owned)
        , client(std::move(owned)) {
        client.SetHost(QStringLiteral("pop.example"));
        client.Connect();
        net.Accept();
        net.Deliver("+OK ready\r\n");
        client.User();
        net.Deliver("+OK\r\n");
        client.Pass();
        net.Deliver("+OK\r\n");
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(client.ProtocolState(), pop3Transaction);
        QObject::connect(&client, &TCustomPop3Cli::OnMessageLine,
                         [this] { lines.append(client.LastResponse()); });
        QObject::connect(
            &client, &TCustomPop3Cli::OnRequestDone,
            [this](TCustomPop3Cli*, TPop3Request, quint16 error) { done.append(error); });
    }
    // Declared first, so they outlive anything the client reports while it is torn down.
    QStringList lines;
    QList<quint16> done;
    std::unique_ptr<test::ScriptedTransport> owned;
    test::ScriptedTransport& net;
    TPop3Cli client;
};

// Feeds `bytes` in pieces of `piece` bytes (the whole at once for 0), taking lines after each.
QList<QByteArray> Split(const QByteArray& bytes, qsizetype piece, bool cut = true) {
    LineReceiver receiver;
    receiver.SetCutLongLines(cut);
    QList<QByteArray> lines;
    QByteArrayView rest(bytes);
    while (!rest.isEmpty()) {
        const qsizetype n = piece == 0 ? rest.size() : std::min(piece, rest.size());
        QByteArrayView chunk = rest.first(n);
        rest = rest.sliced(n);
        while (!chunk.isEmpty()) {
            chunk = chunk.sliced(receiver.Feed(chunk));
            EXPECT_EQ(receiver.TakeLines([&](const QByteArray& l) { lines.append(l); }),
                      LineReceiver::Status::Ok);
        }
    }
    return lines;
}

TEST(LongHeaderLine, IsCutAndTheLinesAfterItArriveWhole) {
    const QByteArray longLine = "X-Long: " + QByteArray(3 * Size, 'x');
    const QByteArray bytes = "First\r\n" + longLine + "\r\nFrom: a@b.example\r\n.\r\n";
    for (const qsizetype piece : {0, 1, 7, 100, Size - 1, Size, Size + 1}) {
        SCOPED_TRACE(piece);
        const QList<QByteArray> lines = Split(bytes, piece);
        ASSERT_EQ(lines.size(), 4);
        EXPECT_EQ(lines[0], "First");
        EXPECT_EQ(lines[1], longLine.left(Size));
        EXPECT_EQ(lines[2], "From: a@b.example");
        EXPECT_EQ(lines[3], ".");
    }
}

TEST(LongHeaderLine, CrLfRightAtTheCutIsNotTakenForText) {
    // 4095 bytes and CR LF: the CR fills the buffer; the line is whole, and the LF that comes
    // next must not start a line of its own.
    const QByteArray exact(Size - 1, 'y');
    for (const qsizetype piece : {0, 1, Size}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(Split(exact + "\r\nnext\r\n", piece), QList<QByteArray>({exact, "next"}));
    }
    // One byte longer: the CR LF falls after the cut and is dropped with the rest.
    const QByteArray longer(Size, 'z');
    EXPECT_EQ(Split(longer + "\r\nnext\r\n", 0), QList<QByteArray>({longer, "next"}));
    // A lone CR inside the dropped rest does not end it.
    EXPECT_EQ(Split(longer + "ab\rc\nd\r\nnext\r\n", 1), QList<QByteArray>({longer, "next"}));
}

TEST(LongHeaderLine, OutsideAMessageStillFailsAtOnce) {
    LineReceiver receiver;
    receiver.Feed(QByteArray(Size, 'x'));
    EXPECT_EQ(receiver.TakeLines([](const QByteArray&) {}), LineReceiver::Status::LineTooLong);
}

// The POP3 client cuts only inside a TOP answer: the reply line itself, and every reply after
// the answer has ended, still fail at once.
TEST(LongHeaderLine, Pop3ClientCutsOnlyInsideTheHeaderItFetches) {
    RecordedClient recorded;
    TPop3Cli& client = recorded.client;
    QStringList& lines = recorded.lines;
    QList<quint16>& done = recorded.done;
    client.Top();
    recorded.net.Deliver("+OK\r\nSubject: " + QByteArray(2 * Size, 's') + "\r\n..Dotted\r\n.\r\n");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(done, QList<quint16>({0}));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), Size);
    EXPECT_EQ(lines[1], ".Dotted");

    client.Dele();
    recorded.net.Deliver("+OK " + QByteArray(Size, 'x'));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(done, QList<quint16>({0, LineReceiver::LineTooLongError}));
}

// A header without end is held to its bounds (2,000 lines, 256 KB): the lines beyond are
// read and dropped up to the ".", the request completes, and the next header starts afresh.
TEST(HeaderBounds, LinesBeyondTheBoundsAreReadAndDropped) {
    RecordedClient recorded;
    TPop3Cli& client = recorded.client;
    QStringList& lines = recorded.lines;
    QList<quint16>& done = recorded.done;
    const struct {
        QByteArray line;
        int count;
        qsizetype kept;
    } rows[] = {{"a", 5000, 2000}, {"", 5000, 2000}, {QByteArray(4000, 'b'), 100, 65}};
    for (const auto& row : rows) {
        lines.clear();
        client.Top();
        QByteArray answer = "+OK\r\n";
        for (int i = 0; i < row.count; ++i) {
            answer += row.line + "\r\n";
        }
        recorded.net.Deliver(answer + ".\r\n");
        EXPECT_EQ(lines.size(), row.kept) << row.line.size();
        EXPECT_TRUE(client.MessageCut());
    }
    client.Top();
    recorded.net.Deliver("+OK\r\nFrom: a@b.example\r\n.\r\n");
    EXPECT_FALSE(client.MessageCut());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(done, QList<quint16>({0, 0, 0, 0}));
}

// No mailbox holds fewer than no messages: a negative count is the server's fault.
TEST(HeaderBounds, NegativeStatCountIsAProtocolError) {
    RecordedClient recorded;
    TPop3Cli& client = recorded.client;
    const QList<quint16>& done = recorded.done;
    client.Stat();
    recorded.net.Deliver("+OK -5 100\r\n");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(done, QList<quint16>({500}));
    EXPECT_EQ(client.MsgCount(), 0);
    EXPECT_EQ(client.ErrorMessage(), "-ERR Negative message count in the STAT reply");
}

} // namespace
