#include "DialogueFaults.h"

#include "tests/support/WaitFor.h"

namespace sievra::test {

namespace {

// Bytes no mail server sends: a TLS record header, control and high bytes.
const QByteArray GarbageLine = QByteArray("\x16\x03\x01\x00\xa5\xff\xfe\x01 garbage \x7f", 16);
// Longer than the 4096-byte receive buffer before its CR LF.
const QByteArray OverlongLine = QByteArray(5000, 'x') + "\r\n";

bool AnyTextLine(const QByteArray& line) {
    return line != ".";
}

// The server's answer at a faulty step, with `error` as its error reply; false when the
// session is over for the server (dropped, silent, or cut off by an overlong line).
bool SaysFault(FakeServer& server, Fault fault, const QByteArray& error) {
    switch (fault) {
    case Fault::Drop:
        server.Drops();
        return false;
    case Fault::Silence:
        server.StaysSilent();
        return false;
    case Fault::Overlong:
        server.SaysRaw(OverlongLine).ExpectsClose();
        return false;
    case Fault::Garbage:
        server.SaysRaw(GarbageLine + "\r\n");
        return true;
    case Fault::Error:
        server.Says(error);
        return true;
    }
    return true;
}

} // namespace

QString FaultName(Fault fault) {
    switch (fault) {
    case Fault::Drop:
        return QStringLiteral("Drop");
    case Fault::Error:
        return QStringLiteral("Error");
    case Fault::Silence:
        return QStringLiteral("Silence");
    case Fault::Garbage:
        return QStringLiteral("Garbage");
    case Fault::Overlong:
        return QStringLiteral("Overlong");
    }
    return {};
}

QString DialogueStep::Name() const {
    static const char* const names[] = {"Connect",  "Greeting", "User",     "Pass",   "Stat",
                                        "Top",      "Dele",     "Helo",     "Ehlo",   "AuthLogin",
                                        "AuthUser", "AuthPass", "MailFrom", "RcptTo", "Data",
                                        "TextLine", "Dot",      "Quit"};
    QString name = QString::fromLatin1(names[kind]);
    if (message > 0) {
        name += QString::number(message);
    }
    if (line > 0) {
        name += QStringLiteral("_%1").arg(line);
    }
    return name;
}

// ---- Peers

QString FaultyPeer::PortText() const {
    if (server_) {
        return server_->PortText();
    }
    if (unanswered_) {
        return QString::number(unanswered_->Port());
    }
    return QString::number(refusedPort_);
}

void FaultyPeer::UseRefusedPort() {
    refusedPort_ = FreeLoopbackPort();
}

void FaultyPeer::UseUnansweredPort() {
    unanswered_ = std::make_unique<UnansweredPort>();
}

FakeServer& FaultyPeer::UseServer() {
    server_ = std::make_unique<FakeServer>();
    return *server_;
}

// What a client meets at the connect step, for either protocol: the connection refused, reset
// at once, never answered, answered by some other service, or flooded without a line end.
void FaultyPeer::SetUpConnectFault(Fault fault) {
    switch (fault) {
    case Fault::Drop:
        UseServer().Resets();
        break;
    case Fault::Error:
        UseRefusedPort();
        break;
    case Fault::Silence:
        UseUnansweredPort();
        break;
    case Fault::Garbage:
        UseServer().SaysLines({"HTTP/1.1 400 Bad Request", "Connection: close", ""}).Closes();
        break;
    case Fault::Overlong:
        UseServer().SaysRaw(QByteArray(1 << 20, '\x01')).StaysSilent();
        break;
    }
}

// ---- POP3

const QString FaultyPop3Server::User = QStringLiteral("fake");
const QString FaultyPop3Server::Password = QStringLiteral("fake-pw");
const QString FaultyPop3Server::CodeWords = QStringLiteral("PINEAPPLE|");

QString FaultyPop3Server::ReplyAddress(int message) {
    switch (message) {
    case 1:
        return QStringLiteral("a@bad.example");
    case 3:
        return QStringLiteral("answers@bad.example");
    default:
        return {};
    }
}

namespace {

QByteArrayList HeaderOf(int message) {
    switch (message) {
    case 1:
        return {"Return-Path: <a@bad.example>", "From: Spammer <a@bad.example>",
                "Subject: buy now"};
    case 2:
        return {"Return-Path: <friend@example.org>", "From: Friend <friend@example.org>",
                "Subject: dinner"};
    case 3:
        return {"Return-Path: <b@bad.example>", "From: b@bad.example",
                "Reply-To: Answers <answers@bad.example>", "Subject: cheap"};
    default:
        return {"Return-Path: <stranger@x.example>", "From: stranger@x.example",
                "Subject: about the pineapple"};
    }
}

} // namespace

QList<DialogueStep> FaultyPop3Server::Steps() {
    using K = DialogueStep;
    QList<DialogueStep> steps = {{K::Connect}, {K::Greeting}, {K::User}, {K::Pass}, {K::Stat}};
    for (int m = 1; m <= MessageCount; ++m) {
        steps.append(DialogueStep{K::Top, m});
    }
    for (int m = 1; m <= MessageCount; ++m) {
        if (!Accepted(m)) {
            steps.append(DialogueStep{K::Dele, m});
        }
    }
    steps.append(DialogueStep{K::Quit});
    return steps;
}

FaultyPop3Server::FaultyPop3Server(DialogueStep step, Fault fault, bool pipelining)
    : pipelining_(pipelining) {
    if (step.kind == DialogueStep::Connect) {
        SetUpConnectFault(fault);
        return;
    }
    FakeServer& server = UseServer();
    for (const DialogueStep& s : Steps()) {
        if (s == step) {
            ScriptFault(server, s, fault);
            return;
        }
        ScriptHealthy(server, s);
    }
}

void FaultyPop3Server::ScriptHealthy(FakeServer& server, DialogueStep step) {
    using K = DialogueStep;
    switch (step.kind) {
    case K::Greeting:
        // Without CAPA the dialogue is the one the client always held.
        server.Says("+OK fake POP3 ready").Expects("CAPA");
        if (pipelining_) {
            server.SaysLines({"+OK", "TOP", "PIPELINING", "."});
        } else {
            server.Says("-ERR unknown command");
        }
        break;
    case K::User:
        server.Expects("USER " + User.toUtf8()).Says("+OK");
        break;
    case K::Pass:
        server.Expects("PASS " + Password.toUtf8()).Says("+OK logged in");
        break;
    case K::Stat:
        server.Expects("STAT").Says("+OK " + QByteArray::number(MessageCount) + " 1000");
        break;
    case K::Top:
        server.Expects("TOP " + QByteArray::number(step.message) + " 0")
            .SaysLines(QByteArrayList{"+OK"} + HeaderOf(step.message) + QByteArrayList{"", "."});
        break;
    case K::Dele:
        server.Expects("DELE " + QByteArray::number(step.message));
        deleMarks_.append({step.message, server.ScriptSize()});
        server.Says("+OK deleted");
        break;
    case K::Quit:
        server.Expects("QUIT");
        quitMark_ = server.ScriptSize();
        server.Says("+OK bye").Closes();
        break;
    default:
        break;
    }
}

void FaultyPop3Server::ScriptFault(FakeServer& server, DialogueStep step, Fault fault) {
    using K = DialogueStep;
    switch (step.kind) {
    case K::User:
        server.Expects("USER " + User.toUtf8());
        break;
    case K::Pass:
        server.Expects("PASS " + Password.toUtf8());
        break;
    case K::Stat:
        server.Expects("STAT");
        break;
    case K::Top:
        server.Expects("TOP " + QByteArray::number(step.message) + " 0");
        break;
    case K::Dele:
        server.Expects("DELE " + QByteArray::number(step.message));
        break;
    case K::Quit:
        server.Expects("QUIT");
        break;
    default:
        break; // the greeting: the server speaks first
    }
    if (!SaysFault(server, fault, "-ERR fault injected")) {
        return;
    }
    // After a refusal the client has nothing more to ask than QUIT; a refused greeting or
    // QUIT ends the connection.
    if (step.kind == K::Greeting) {
        server.ExpectsClose();
    } else if (pipelining_ && (step.kind == K::Top || step.kind == K::Dele)) {
        scriptMustPlay_ = false; // how many commands of the window arrive first is timing
    } else if (step.kind == K::Quit) {
        server.Closes();
    } else {
        server.Expects("QUIT");
        quitMark_ = server.ScriptSize();
        server.Says("+OK bye").Closes();
    }
}

bool FaultyPop3Server::Played(std::size_t mark) const {
    return Server() != nullptr && Server()->StepsPlayed(0) > mark;
}

QList<int> FaultyPop3Server::DeletesAcknowledged() const {
    QList<int> messages;
    for (const auto& [message, mark] : deleMarks_) {
        if (Played(mark)) {
            messages.append(message);
        }
    }
    return messages;
}

bool FaultyPop3Server::QuitAcknowledged() const {
    return quitMark_ && Played(*quitMark_);
}

QList<int> FaultyPop3Server::DeletedOnServer() const {
    return QuitAcknowledged() ? DeletesAcknowledged() : QList<int>{};
}

// ---- SMTP

const QString FaultySmtpServer::User = QStringLiteral("smtp-user");
const QString FaultySmtpServer::Password = QStringLiteral("smtp-pw");

QList<DialogueStep> FaultySmtpServer::Steps(bool auth, int messages, int textLines) {
    using K = DialogueStep;
    QList<DialogueStep> steps = {{K::Connect}, {K::Greeting}};
    if (auth) {
        steps += QList<DialogueStep>{{K::Ehlo}, {K::AuthLogin}, {K::AuthUser}, {K::AuthPass}};
    } else {
        steps.append(DialogueStep{K::Helo});
    }
    for (int m = 1; m <= messages; ++m) {
        steps += QList<DialogueStep>{{K::MailFrom, m}, {K::RcptTo, m}, {K::Data, m}};
        for (int line = 1; line <= textLines; ++line) {
            steps.append(DialogueStep{K::TextLine, m, line});
        }
        steps.append(DialogueStep{K::Dot, m});
    }
    steps.append(DialogueStep{K::Quit});
    return steps;
}

FaultySmtpServer::FaultySmtpServer(bool auth, int messages, DialogueStep step, Fault fault)
    : auth_(auth) {
    if (step.kind == DialogueStep::Connect) {
        SetUpConnectFault(fault);
        return;
    }
    FakeServer& server = UseServer();
    // The text lines are expected one by one up to the fault; how many there are does not
    // matter to a healthy message, which is taken up to its ".".
    bool faultDone = false;
    int abandoned = 0; // the message the client gave up after a recipient's refusal
    for (const DialogueStep& s : Steps(auth, messages, 0)) {
        if (abandoned != 0 && s.message == abandoned) {
            continue;
        }
        if (!faultDone && step.kind == DialogueStep::TextLine && s.kind == DialogueStep::Dot &&
            s.message == step.message) {
            for (int line = 1; line <= step.line; ++line) {
                server.Expects(AnyTextLine, QStringLiteral("text line %1").arg(line));
            }
            faultDone = true;
            ScriptFault(server, step, fault);
            if (fault != Fault::Garbage) {
                return;
            }
            // Garbage in the middle of the text is noise the client may take for the reply
            // to its "."; the server goes on as if nothing had happened.
            scriptMustPlay_ = false;
        }
        if (!faultDone && s == step) {
            ScriptFault(server, s, fault);
            if (!RecipientOnlyFault(s, fault)) {
                return;
            }
            faultDone = true;
            abandoned = s.message;
            continue;
        }
        ScriptHealthy(server, s);
    }
}

FaultySmtpServer::FaultySmtpServer(Fault fault)
    : auth_(false) {
    FakeServer& server = UseServer();
    server.Says("220 fake.example ESMTP")
        .ExpectsPrefix("EHLO ")
        .SaysLines({"250-fake.example", "250 PIPELINING"});
    const auto group = [&server] {
        server.Expects("MAIL FROM:<>").ExpectsPrefix("RCPT TO:<").Expects("DATA");
    };
    const QByteArrayList groupTaken = {"250 2.1.0 Ok", "250 2.1.5 Ok",
                                       "354 End data with <CR><LF>.<CR><LF>"};
    group();
    server.SaysLines(groupTaken);
    server.ExpectsLinesUntil(".");
    group(); // the second message rides behind the first one's "."
    if (!SaysFault(server, fault, "451 4.3.0 Try again later")) {
        return;
    }
    // The second message's replies come all the same; it never gets its text, as the
    // session ends before it.
    server.SaysLines(groupTaken);
    server.ExpectsClose();
}

void FaultySmtpServer::ScriptHealthy(FakeServer& server, DialogueStep step) {
    using K = DialogueStep;
    switch (step.kind) {
    case K::Greeting:
        server.Says("220 fake.example ESMTP");
        break;
    case K::Helo:
        server.ExpectsPrefix("EHLO ").Says("250 fake.example");
        break;
    case K::Ehlo:
        server.ExpectsPrefix("EHLO ").SaysLines({"250-fake.example", "250 AUTH LOGIN"});
        break;
    case K::AuthLogin:
        server.Expects("AUTH LOGIN").Says("334 VXNlcm5hbWU6");
        break;
    case K::AuthUser:
        server.Expects(User.toUtf8().toBase64()).Says("334 UGFzc3dvcmQ6");
        break;
    case K::AuthPass:
        server.Expects(Password.toUtf8().toBase64()).Says("235 2.7.0 Authentication successful");
        break;
    case K::MailFrom:
        server.Expects("MAIL FROM:<>").Says("250 2.1.0 Ok");
        break;
    case K::RcptTo:
        server.ExpectsPrefix("RCPT TO:<").Says("250 2.1.5 Ok");
        break;
    case K::Data:
        server.Expects("DATA").Says("354 End data with <CR><LF>.<CR><LF>");
        break;
    case K::Dot:
        server.ExpectsLinesUntil(".");
        servedMarks_.append({step.message, server.ScriptSize()});
        server.Says("250 2.0.0 Ok: queued");
        break;
    case K::Quit:
        server.Expects("QUIT").Says("221 2.0.0 Bye").Closes();
        break;
    default:
        break;
    }
}

// A temporary refusal of one recipient holds up only that reply: the others follow.
bool FaultySmtpServer::RecipientOnlyFault(DialogueStep step, Fault fault) {
    return step.kind == DialogueStep::RcptTo && fault == Fault::Error;
}

void FaultySmtpServer::ScriptFault(FakeServer& server, DialogueStep step, Fault fault) {
    using K = DialogueStep;
    switch (step.kind) {
    case K::Helo:
        server.ExpectsPrefix("EHLO ");
        break;
    case K::Ehlo:
        server.ExpectsPrefix("EHLO ");
        break;
    case K::AuthLogin:
        server.Expects("AUTH LOGIN");
        break;
    case K::AuthUser:
        server.Expects(User.toUtf8().toBase64());
        break;
    case K::AuthPass:
        server.Expects(Password.toUtf8().toBase64());
        break;
    case K::MailFrom:
        server.Expects("MAIL FROM:<>");
        break;
    case K::RcptTo:
        server.ExpectsPrefix("RCPT TO:<");
        break;
    case K::Data:
        server.Expects("DATA");
        break;
    case K::Dot:
        server.ExpectsLinesUntil(".");
        break;
    case K::Quit:
        server.Expects("QUIT");
        break;
    default:
        break; // the greeting, or a text line already taken
    }
    // A temporary failure: the reply must wait for a later pass. In the middle of the text a
    // server can only give up on the whole session.
    if (!SaysFault(server, fault,
                   step.kind == K::TextLine ? "421 4.3.0 Closing, try again later"
                                            : "451 4.3.0 Try again later")) {
        return;
    }
    switch (step.kind) {
    case K::TextLine:
        if (fault == Fault::Error) {
            server.Closes();
        }
        return; // garbage: the caller goes on with the healthy script
    case K::Greeting:
    case K::Quit:
        server.ExpectsClose();
        return;
    case K::RcptTo:
    case K::Data:
        // The client tidies up the refused transaction before it goes on or leaves.
        server.Expects("RSET").Says("250 2.0.0 Ok");
        break;
    default:
        break;
    }
    if (RecipientOnlyFault(step, fault)) {
        return;
    }
    server.Expects("QUIT").Says("221 2.0.0 Bye").Closes();
}

QStringList FaultySmtpServer::Served() const {
    QStringList served;
    if (Server() == nullptr) {
        return served;
    }
    QStringList recipients;
    for (const QByteArray& line : Server()->ReceivedLines(0)) {
        if (line.startsWith("RCPT TO:<") && line.endsWith('>')) {
            recipients.append(QString::fromUtf8(line.mid(9, line.size() - 10)));
        }
    }
    for (const auto& [message, mark] : servedMarks_) {
        if (Server()->StepsPlayed(0) > mark && message <= recipients.size()) {
            served.append(recipients[message - 1]);
        }
    }
    return served;
}

} // namespace sievra::test
