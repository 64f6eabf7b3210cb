#pragma once

#include "tests/support/FakeServer.h"
#include "tests/support/UnansweredPort.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace sievra::test {

// What a server does wrong at one step of its dialogue.
enum class Fault {
    Drop,     // ends the connection instead of answering
    Error,    // answers with a negative reply
    Silence,  // never answers: the client runs into its time-out
    Garbage,  // answers bytes that are no reply at all
    Overlong, // answers a line longer than the client's receive buffer
};
inline constexpr Fault AllFaults[] = {Fault::Drop, Fault::Error, Fault::Silence, Fault::Garbage,
                                      Fault::Overlong};
QString FaultName(Fault fault);

// One step of a dialogue, by kind and, where it repeats, by message and line (from 1).
struct DialogueStep {
    enum Kind {
        Connect,
        Greeting,
        // POP3
        User,
        Pass,
        Stat,
        Top,
        Dele,
        // SMTP
        Helo,
        Ehlo,
        AuthLogin,
        AuthUser,
        AuthPass,
        MailFrom,
        RcptTo,
        Data,
        TextLine,
        Dot,
        // both
        Quit,
    };
    Kind kind = Connect;
    int message = 0;
    int line = 0;

    QString Name() const;
    bool operator==(const DialogueStep&) const = default;
};

// Where a faulty server listens: a scripted FakeServer or, for faults of the connect step,
// a port that refuses or never answers.
class FaultyPeer {
public:
    FaultyPeer() = default;
    FaultyPeer(const FaultyPeer&) = delete;
    FaultyPeer& operator=(const FaultyPeer&) = delete;

    QString PortText() const;
    FakeServer* Server() const { return server_.get(); }
    // Whether the script is meant to play to its end whatever the client's timing.
    bool ScriptMustPlay() const { return scriptMustPlay_; }

protected:
    void SetUpConnectFault(Fault fault);
    void UseRefusedPort();
    void UseUnansweredPort();
    FakeServer& UseServer();
    bool scriptMustPlay_ = true;

private:
    std::unique_ptr<FakeServer> server_;
    std::unique_ptr<UnansweredPort> unanswered_;
    quint16 refusedPort_ = 0;
};

// A POP3 server with a fixed mailbox, misbehaving at one step. The mailbox: message 1 from a
// stranger (reply to its Return-Path), message 2 from the address book's friend, message 3
// from a stranger with a Reply-To, message 4 from a stranger with the code word in its subject.
class FaultyPop3Server : public FaultyPeer {
public:
    static constexpr int MessageCount = 4;
    static const QString User;
    static const QString Password;
    static const QString CodeWords; // the account's, for message 4
    // The reply address of a message the rules reject, empty for accepted ones.
    static QString ReplyAddress(int message);
    static bool Accepted(int message) { return ReplyAddress(message).isEmpty(); }

    // The steps of a healthy pass, in order.
    static QList<DialogueStep> Steps();

    // With `pipelining` the server offers PIPELINING in its CAPA list; else it refuses CAPA.
    FaultyPop3Server(DialogueStep step, Fault fault, bool pipelining = false);

    // After the pass: the messages whose DELE the server acknowledged, and whether it then
    // acknowledged QUIT, which is when a POP3 server applies deletions.
    QList<int> DeletesAcknowledged() const;
    bool QuitAcknowledged() const;
    QList<int> DeletedOnServer() const;

private:
    void ScriptHealthy(FakeServer& server, DialogueStep step);
    void ScriptFault(FakeServer& server, DialogueStep step, Fault fault);
    bool Played(std::size_t mark) const;

    bool pipelining_;
    QList<std::pair<int, std::size_t>> deleMarks_;
    std::optional<std::size_t> quitMark_;
};

// An SMTP server taking a fixed number of replies, misbehaving at one step. With AUTH LOGIN it
// expects the user "smtp-user" and the password "smtp-pw"; without, EHLO (the HELO step).
class FaultySmtpServer : public FaultyPeer {
public:
    static const QString User;
    static const QString Password;

    // The steps of a healthy session sending `messages` replies of `textLines` lines each.
    static QList<DialogueStep> Steps(bool auth, int messages, int textLines);

    FaultySmtpServer(bool auth, int messages, DialogueStep step, Fault fault);
    // A server offering PIPELINING (after EHLO, no AUTH) that misbehaves at the reply to the
    // first message's "." while the second message's commands are already in.
    explicit FaultySmtpServer(Fault fault);

    // The recipients whose reply the server accepted (its 250 after the final ".").
    QStringList Served() const;

private:
    void ScriptHealthy(FakeServer& server, DialogueStep step);
    static bool RecipientOnlyFault(DialogueStep step, Fault fault);
    void ScriptFault(FakeServer& server, DialogueStep step, Fault fault);

    bool auth_;
    QList<std::pair<int, std::size_t>> servedMarks_;
};

} // namespace sievra::test
