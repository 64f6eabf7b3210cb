#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class QTcpSocket;

namespace sievra::test {

// A scripted TCP server on 127.0.0.1 for the dialogues real servers will not hold: bad
// greetings, replies split anywhere, silence, dropped connections, garbage, overlong lines.
// It runs on the test's own event loop, so a test starts the client and spins the loop
// (WaitFor); there are no threads.
//
//   FakeServer server;
//   server.Says("+OK ready")
//       .Expects("USER alice").Says("+OK")
//       .Expects("PASS secret").Says("-ERR [AUTH] no")
//       .ExpectsClose();
//   ... point the client at 127.0.0.1 and server.PortText(), run it ...
//   EXPECT_TRUE(server.ScriptPlayed());
//   EXPECT_FALSE(server.Received().contains("secret"));
//
// The steps run in order on the first connection. ThenNextConnection() starts the script of
// the next one; connections are served one at a time (a second client waits until the first
// is over) and a connection beyond the scripts is accepted and left silent. When its script
// runs out the server keeps the connection open and silent, still recording what arrives.
//
// Lines the client sends are matched only up to a CR LF; a line that ends otherwise never
// matches, so a client that forgets the CR shows up as an unplayed step. A mismatch is
// recorded and the server falls silent on that connection. ScriptPlayed() reports every
// mismatch and the first step not reached, with the whole dialogue.
class FakeServer : public QObject {
public:
    using LineMatch = std::function<bool(const QByteArray& line)>;

    FakeServer();
    ~FakeServer() override;
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    quint16 Port() const { return server_.serverPort(); }
    QString PortText() const { return QString::number(Port()); }

    // ---- The script
    // One line, CR LF added.
    FakeServer& Says(const QByteArray& line);
    // Several lines in one write, CR LF added to each (a multi-line answer).
    FakeServer& SaysLines(const QByteArrayList& lines);
    // Exactly these bytes: garbage, a line without its end, an overlong line.
    FakeServer& SaysRaw(const QByteArray& bytes);
    // Raw pieces written one by one with a pause between them, so they arrive apart.
    FakeServer& SaysInPieces(const QByteArrayList& pieces, int pauseMs = 50);
    FakeServer& Pauses(int ms);
    // Waits for the client's next line (without its CR LF) and checks it.
    FakeServer& Expects(const QByteArray& line);
    FakeServer& Expects(LineMatch matches, const QString& description);
    // The next line must begin with `prefix` ("EHLO ", whatever host name follows).
    FakeServer& ExpectsPrefix(const QByteArray& prefix);
    // Takes lines up to and including one equal to `last` (a mail text up to its ".").
    FakeServer& ExpectsLinesUntil(const QByteArray& last);
    // Waits until the client closes the connection.
    FakeServer& ExpectsClose();
    // Never answers again on this connection (a hung server).
    FakeServer& StaysSilent();
    // Takes nothing more from the network (and records nothing more), so the client's sends
    // back up and stay pending: for a connection lost while sending.
    FakeServer& StopsReading();
    // Ends the connection: orderly after what was said / at once / with a reset.
    FakeServer& Closes();
    FakeServer& Drops();
    FakeServer& Resets();
    // The steps that follow are for the next connection.
    FakeServer& ThenNextConnection();

    // ---- What happened
    testing::AssertionResult ScriptPlayed() const;
    // Everything received, from all connections or from connection `index` (0 first).
    QByteArray Received(int index = -1) const;
    // The lines received (CR LF removed), from all connections or from one.
    QByteArrayList ReceivedLines(int index = -1) const;
    int Connections() const { return static_cast<int>(conns_.size()); }
    // True once the client has closed connection `index`.
    bool ClientClosed(int index) const;
    // Steps of its script that connection `index` has played, and the number of steps of the
    // script being written: a test notes ScriptSize() before a step to learn later whether
    // the server got as far as that step (StepsPlayed() beyond it).
    std::size_t StepsPlayed(int index) const;
    std::size_t ScriptSize() const;
    // "S: ..." and "C: ..." lines of the whole dialogue, for failure messages.
    QString Dialogue() const;

private:
    struct Step;
    struct Conn;

    FakeServer& Add(Step step);
    void AcceptNext();
    void Run(Conn& conn);
    // Runs one step; false when the step has to wait (for a line, a pause, the client).
    bool RunStep(Conn& conn, const Step& step);
    void OnReadyRead(Conn& conn);
    void OnClientGone(Conn& conn);
    void EndByServer(Conn& conn, int how);
    void Finish(Conn& conn);
    const std::vector<Step>& ScriptOf(const Conn& conn) const;

    QTcpServer server_;
    std::vector<std::vector<Step>> scripts_;
    std::vector<std::unique_ptr<Conn>> conns_;
    Conn* current_ = nullptr;
    QStringList dialogue_;
    QStringList failures_;
};

} // namespace sievra::test
