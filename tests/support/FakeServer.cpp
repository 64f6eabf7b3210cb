#include "FakeServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace sievra::test {

struct FakeServer::Step {
    enum Kind {
        Send,
        Pause,
        Expect,
        ExpectUntil,
        ExpectClose,
        Silent,
        StopReading,
        Close,
        Drop,
        Reset
    };
    Kind kind = Send;
    QByteArray bytes;
    int ms = 0;
    LineMatch match;
    QString description;
};

struct FakeServer::Conn {
    int index = 0;
    QTcpSocket* socket = nullptr;
    std::size_t next = 0;
    QByteArray received;
    QByteArray unmatched; // received bytes not yet taken by an Expects step
    QByteArray unlogged;  // received bytes not yet written to the dialogue
    bool pausing = false;
    bool reading = true;
    bool silent = false;
    bool mismatched = false; // already reported among the failures
    bool clientClosed = false;
    bool ended = false;
    bool running = false;
};

namespace {

// Readable form of bytes for the dialogue: CR and LF shown, long runs cut.
QString Shown(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes.left(160)) {
        if (c == '\r') {
            text += QStringLiteral("\\r");
        } else if (c == '\n') {
            text += QStringLiteral("\\n");
        } else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) {
            text +=
                QStringLiteral("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
        } else {
            text += QLatin1Char(c);
        }
    }
    if (bytes.size() > 160) {
        text += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    }
    return text;
}

} // namespace

FakeServer::FakeServer() {
    scripts_.emplace_back();
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        qFatal("fake server cannot listen: %s", qPrintable(server_.errorString()));
    }
    connect(&server_, &QTcpServer::newConnection, this, [this] { AcceptNext(); });
}

FakeServer::~FakeServer() {
    server_.close();
    for (const auto& conn : conns_) {
        conn->socket->disconnect(this);
        conn->socket->abort();
    }
}

FakeServer& FakeServer::Add(Step step) {
    scripts_.back().push_back(std::move(step));
    return *this;
}

FakeServer& FakeServer::Says(const QByteArray& line) {
    return SaysRaw(line + "\r\n");
}

FakeServer& FakeServer::SaysLines(const QByteArrayList& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines) {
        bytes += line + "\r\n";
    }
    return SaysRaw(bytes);
}

FakeServer& FakeServer::SaysRaw(const QByteArray& bytes) {
    return Add({Step::Send, bytes, 0, {}, QStringLiteral("says \"%1\"").arg(Shown(bytes))});
}

FakeServer& FakeServer::SaysInPieces(const QByteArrayList& pieces, int pauseMs) {
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            Pauses(pauseMs);
        }
        SaysRaw(pieces[i]);
    }
    return *this;
}

FakeServer& FakeServer::Pauses(int ms) {
    return Add({Step::Pause, {}, ms, {}, QStringLiteral("pauses %1 ms").arg(ms)});
}

FakeServer& FakeServer::Expects(const QByteArray& line) {
    return Expects([line](const QByteArray& got) { return got == line; },
                   QStringLiteral("expects \"%1\"").arg(Shown(line)));
}

FakeServer& FakeServer::Expects(LineMatch matches, const QString& description) {
    return Add({Step::Expect, {}, 0, std::move(matches), description});
}

FakeServer& FakeServer::ExpectsPrefix(const QByteArray& prefix) {
    return Expects([prefix](const QByteArray& got) { return got.startsWith(prefix); },
                   QStringLiteral("expects \"%1...\"").arg(Shown(prefix)));
}

FakeServer& FakeServer::ExpectsLinesUntil(const QByteArray& last) {
    return Add({Step::ExpectUntil,
                last,
                0,
                {},
                QStringLiteral("expects lines up to \"%1\"").arg(Shown(last))});
}

FakeServer& FakeServer::ExpectsClose() {
    return Add({Step::ExpectClose, {}, 0, {}, QStringLiteral("expects the client to close")});
}

FakeServer& FakeServer::StaysSilent() {
    return Add({Step::Silent, {}, 0, {}, QStringLiteral("stays silent")});
}

FakeServer& FakeServer::StopsReading() {
    return Add({Step::StopReading, {}, 0, {}, QStringLiteral("stops reading")});
}

FakeServer& FakeServer::Closes() {
    return Add({Step::Close, {}, 0, {}, QStringLiteral("closes")});
}

FakeServer& FakeServer::Drops() {
    return Add({Step::Drop, {}, 0, {}, QStringLiteral("drops the connection")});
}

FakeServer& FakeServer::Resets() {
    return Add({Step::Reset, {}, 0, {}, QStringLiteral("resets the connection")});
}

FakeServer& FakeServer::ThenNextConnection() {
    scripts_.emplace_back();
    return *this;
}

const std::vector<FakeServer::Step>& FakeServer::ScriptOf(const Conn& conn) const {
    static const std::vector<Step> none;
    const auto index = static_cast<std::size_t>(conn.index);
    return index < scripts_.size() ? scripts_[index] : none;
}

void FakeServer::AcceptNext() {
    if (current_ != nullptr || !server_.hasPendingConnections()) {
        return;
    }
    auto conn = std::make_unique<Conn>();
    conn->index = static_cast<int>(conns_.size());
    conn->socket = server_.nextPendingConnection();
    Conn& c = *conn;
    conns_.push_back(std::move(conn));
    current_ = &c;
    dialogue_.append(QStringLiteral("-- connection %1").arg(c.index));
    connect(c.socket, &QTcpSocket::readyRead, this, [this, &c] { OnReadyRead(c); });
    connect(c.socket, &QTcpSocket::disconnected, this, [this, &c] { OnClientGone(c); });
    Run(c);
}

void FakeServer::Run(Conn& conn) {
    if (conn.running) {
        return;
    }
    conn.running = true;
    const std::vector<Step>& script = ScriptOf(conn);
    while (!conn.ended && !conn.silent && !conn.pausing && conn.next < script.size() &&
           RunStep(conn, script[conn.next])) {
    }
    conn.running = false;
}

bool FakeServer::RunStep(Conn& conn, const Step& step) {
    switch (step.kind) {
    case Step::Send:
        dialogue_.append(QStringLiteral("S: ") + Shown(step.bytes));
        if (conn.socket->state() == QAbstractSocket::ConnectedState) {
            conn.socket->write(step.bytes);
        }
        ++conn.next;
        return true;
    case Step::Pause:
        ++conn.next;
        conn.pausing = true;
        QTimer::singleShot(step.ms, this, [this, &conn] {
            conn.pausing = false;
            Run(conn);
        });
        return false;
    case Step::Expect: {
        const qsizetype end = conn.unmatched.indexOf("\r\n");
        if (end < 0) {
            return false;
        }
        const QByteArray line = conn.unmatched.left(end);
        conn.unmatched.remove(0, end + 2);
        if (!step.match(line)) {
            failures_.append(QStringLiteral("connection %1, step %2 %3: got \"%4\"")
                                 .arg(conn.index)
                                 .arg(conn.next + 1)
                                 .arg(step.description, Shown(line)));
            conn.silent = true;
            conn.mismatched = true;
            return false;
        }
        ++conn.next;
        return true;
    }
    case Step::ExpectUntil:
        for (qsizetype end = conn.unmatched.indexOf("\r\n"); end >= 0;
             end = conn.unmatched.indexOf("\r\n")) {
            const QByteArray line = conn.unmatched.left(end);
            conn.unmatched.remove(0, end + 2);
            if (line == step.bytes) {
                ++conn.next;
                return true;
            }
        }
        return false;
    case Step::ExpectClose:
        if (!conn.clientClosed) {
            return false;
        }
        ++conn.next;
        return true;
    case Step::Silent:
        ++conn.next;
        conn.silent = true;
        return false;
    case Step::StopReading:
        // Qt stops pulling from the system once its own buffer is full.
        conn.socket->setReadBufferSize(1);
        conn.reading = false;
        ++conn.next;
        return true;
    case Step::Close:
    case Step::Drop:
    case Step::Reset:
        ++conn.next;
        EndByServer(conn, step.kind);
        return false;
    }
    return false;
}

void FakeServer::OnReadyRead(Conn& conn) {
    if (!conn.reading) {
        return;
    }
    const QByteArray data = conn.socket->readAll();
    conn.received += data;
    conn.unmatched += data;
    conn.unlogged += data;
    for (qsizetype end = conn.unlogged.indexOf("\r\n"); end >= 0;
         end = conn.unlogged.indexOf("\r\n")) {
        dialogue_.append(QStringLiteral("C: ") + Shown(conn.unlogged.left(end)));
        conn.unlogged.remove(0, end + 2);
    }
    if (!conn.ended) {
        Run(conn);
    }
}

void FakeServer::OnClientGone(Conn& conn) {
    if (conn.ended) {
        return;
    }
    OnReadyRead(conn);
    if (!conn.unlogged.isEmpty()) {
        dialogue_.append(QStringLiteral("C: ") + Shown(conn.unlogged) +
                         QStringLiteral(" (no CR LF)"));
        conn.unlogged.clear();
    }
    dialogue_.append(QStringLiteral("C: <closes>"));
    conn.clientClosed = true;
    Run(conn);
    conn.ended = true;
    QTimer::singleShot(0, this, [this, &conn] { Finish(conn); });
}

void FakeServer::EndByServer(Conn& conn, int how) {
    conn.ended = true;
    if (how == Step::Close) {
        dialogue_.append(QStringLiteral("S: <closes>"));
        conn.socket->disconnectFromHost();
    } else {
        // What was said before still goes out; only then does the connection end.
        conn.socket->flush();
        if (how == Step::Reset) {
            // Linger on with no time: the close sends a reset instead of a FIN.
            dialogue_.append(QStringLiteral("S: <resets>"));
            const linger now{1, 0};
            ::setsockopt(static_cast<int>(conn.socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                         &now, sizeof now);
        } else {
            dialogue_.append(QStringLiteral("S: <drops>"));
        }
        conn.socket->abort();
    }
    QTimer::singleShot(0, this, [this, &conn] { Finish(conn); });
}

void FakeServer::Finish(Conn& conn) {
    if (current_ == &conn) {
        current_ = nullptr;
    }
    AcceptNext();
}

testing::AssertionResult FakeServer::ScriptPlayed() const {
    QStringList problems = failures_;
    for (std::size_t i = 0; i < scripts_.size(); ++i) {
        const std::vector<Step>& script = scripts_[i];
        if (i >= conns_.size()) {
            if (!script.empty()) {
                problems.append(QStringLiteral("connection %1 never came").arg(i));
            }
            continue;
        }
        const Conn& conn = *conns_[i];
        if (conn.next < script.size() && !conn.mismatched) {
            problems.append(QStringLiteral("connection %1 stopped before step %2: %3")
                                .arg(i)
                                .arg(conn.next + 1)
                                .arg(script[conn.next].description));
        }
    }
    if (problems.isEmpty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << problems.join(QLatin1Char('\n')).toStdString() << "\nDialogue:\n"
           << Dialogue().toStdString();
}

QByteArray FakeServer::Received(int index) const {
    QByteArray all;
    for (const auto& conn : conns_) {
        if (index < 0 || conn->index == index) {
            all += conn->received;
        }
    }
    return all;
}

QByteArrayList FakeServer::ReceivedLines(int index) const {
    QByteArrayList lines;
    for (const auto& conn : conns_) {
        if (index >= 0 && conn->index != index) {
            continue;
        }
        QByteArray rest = conn->received;
        for (qsizetype end = rest.indexOf("\r\n"); end >= 0; end = rest.indexOf("\r\n")) {
            lines.append(rest.left(end));
            rest.remove(0, end + 2);
        }
    }
    return lines;
}

bool FakeServer::ClientClosed(int index) const {
    return index >= 0 && index < Connections() &&
           conns_[static_cast<std::size_t>(index)]->clientClosed;
}

std::size_t FakeServer::ScriptSize() const {
    return scripts_.back().size();
}

std::size_t FakeServer::StepsPlayed(int index) const {
    return index >= 0 && index < Connections() ? conns_[static_cast<std::size_t>(index)]->next : 0;
}

QString FakeServer::Dialogue() const {
    return dialogue_.join(QLatin1Char('\n'));
}

} // namespace sievra::test
