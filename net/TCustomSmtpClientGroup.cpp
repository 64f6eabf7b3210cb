// The pipelined Mail of TCustomSmtpClient (RFC 2920): MAIL FROM, each RCPT TO and, with one
// recipient, DATA leave in one write; the replies come back in that order and are weighed as
// the step-by-step dialogue weighs them, so the outcome and the RSET after a refusal agree.
#include "SocketError.h"
#include "TCustomSmtpClient.h"

#include <utility>

namespace sievra {

namespace {

const QList<int> Accepts250 = {250};
const QList<int> AcceptsRecipient = {250, 251};

} // namespace

void TCustomSmtpClient::SendGroup() {
    reported_ = false;
    // With several recipients a refused last one must keep DATA from going, as it does one
    // step at a time; a server may still take DATA for the others.
    groupData_ = mail_.RcptTo().size() == 1;
    if (groupData_ && !PrepareHeader()) {
        return; // nothing sent; the failure is reported
    }
    BeginGroup();
    SendWire(GroupWire());
}

void TCustomSmtpClient::BeginGroup() {
    groupAnswered_ = 0;
    groupSenderTaken_ = false;
    groupRefusal_ = 0;
    groupRefusalLine_.clear();
    accepted_ = Accepts250;
    SetPhase(Phase::Group);
}

QByteArray TCustomSmtpClient::GroupWire() {
    QStringList commands{mail_.MailFrom()};
    commands.append(mail_.RcptTo());
    if (mail_.RcptTo().size() == 1) {
        commands.append(QStringLiteral("DATA"));
    }
    QByteArray wire;
    for (const QString& command : commands) {
        emit OnCommand(this, command);
        emit OnDisplay(this, QStringLiteral("> ") + command);
        wire += command.toUtf8() + "\r\n";
    }
    return wire;
}

// The "." has just gone into the corked socket: the next message's group may join it, so a
// run of messages costs one round trip each (RFC 2920 3.1 lets the text open a group).
void TCustomSmtpClient::TakeFollower() {
    bool follows = false;
    emit OnMailFollows(this, &follows);
    if (!follows) {
        return;
    }
    try {
        SmtpOutgoing next(fromName_, rcptName_, header_, extensions_.SmtpUtf8);
        if (next.RcptTo().size() != 1) {
            return; // DATA would wait for the last recipient: nothing to gain
        }
        next.SetBody(TakeBody(), extensions_.EightBitMime, [this] { return GreetingName(); });
        mail_ = std::move(next); // the message before has gone out whole
    } catch (const ClientException&) {
        return; // its own Mail raises the same, with nothing sent
    }
    if (!HeaderProblem().isEmpty()) {
        return; // its own Mail fails on the same line
    }
    followerSent_ = true;
    followerRcpt_ = rcptName_;
    SendWire(GroupWire());
}

// The Mail of the message that followed the last ".": the replies held so far are weighed
// now, in order, as if they had just come in.
void TCustomSmtpClient::AttachFollower() {
    if (rcptName_ != followerRcpt_) {
        throw SmtpException(QStringLiteral("SMTP component not ready"));
    }
    followerSent_ = false;
    lastResponse_.clear();
    recipientRefused_ = false;
    BeginRequest(SmtpRequest::Mail);
    reported_ = false;
    groupData_ = true;
    BeginGroup();
    const QByteArrayList held = std::exchange(heldLines_, {});
    for (const QByteArray& line : held) {
        ConnectionLine(line);
    }
}

// The message that followed will not be sent: the connection is closing, and without its
// text the server delivers nothing.
void TCustomSmtpClient::DropFollower() {
    followerSent_ = false;
    heldLines_.clear();
    if (phase_ == Phase::Following) {
        SetPhase(Phase::Idle);
    }
}

// The final line of one reply of the group is in.
void TCustomSmtpClient::GroupReplyIn() {
    const qsizetype recipients = mail_.RcptTo().size();
    const qsizetype index = groupAnswered_++;
    if (index == 0) {
        groupSenderTaken_ = errorCode_ == WsaError::NoError;
    }
    // The sender's refusal decides; past it, the last recipient's reply does.
    if (index == 0 || (groupSenderTaken_ && index <= recipients)) {
        groupRefusal_ = errorCode_;
        groupRefusalLine_ = errorCode_ == WsaError::NoError ? QString() : serverReply_;
    }
    if (index < recipients) {
        accepted_ = AcceptsRecipient;
        return;
    }
    if (index == recipients) {
        recipientRefused_ = groupSenderTaken_ && errorCode_ != WsaError::NoError;
        if (groupData_) {
            accepted_ = {354};
            return;
        }
    }
    EndGroup();
}

// Every reply of the group is in; errorCode_ holds DATA's when it was in the group.
void TCustomSmtpClient::EndGroup() {
    const bool dataTaken = groupData_ && errorCode_ == WsaError::NoError;
    if (groupRefusal_ == WsaError::NoError) {
        if (!groupData_) {
            StartData();
        } else if (dataTaken) {
            StartText();
        } else {
            chainError_ = errorCode_;
            SendCommand(Phase::Reset, QStringLiteral("RSET"), Accepts250);
        }
        return;
    }
    errorCode_ = groupRefusal_;
    serverReply_ = groupRefusalLine_;
    chainError_ = groupRefusal_;
    if (dataTaken) {
        // No recipient was taken, yet DATA was: a lone "." ends the empty message (RFC 2920
        // 3.1) without a line of the text.
        SendCommand(Phase::Reset, QStringLiteral("."), Accepts250);
    } else if (groupSenderTaken_) {
        SendCommand(Phase::Reset, QStringLiteral("RSET"), Accepts250);
    } else {
        Report(groupRefusal_);
    }
}

} // namespace sievra
