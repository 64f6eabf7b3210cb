// The Mail request of TCustomSmtpClient: MAIL FROM, each RCPT TO, DATA and the text, with RSET
// after a refusal (see Finish).
#include "SmtpDate.h"
#include "SmtpText.h"
#include "SocketError.h"
#include "TCustomSmtpClient.h"

namespace sievra {

namespace {

const QList<int> Accepts250 = {250};

} // namespace

// The whole body before MAIL FROM: its charset and transfer encoding depend on every line.
QStringList TCustomSmtpClient::TakeBody() {
    PrepareBody();
    QStringList body;
    QString line;
    for (int lineNum = 1; NextBodyLine(lineNum, line); ++lineNum) {
        body.append(SplitAtLineBreaks(line));
        line.clear();
    }
    return body;
}

void TCustomSmtpClient::Mail() {
    if (phase_ == Phase::Following) {
        AttachFollower();
        return;
    }
    RequireCanStart();
    RequireProtected();
    SmtpOutgoing mail(fromName_, rcptName_, header_, extensions_.SmtpUtf8);
    mail.SetBody(TakeBody(), extensions_.EightBitMime, [this] { return GreetingName(); });
    StartMail(std::move(mail));
}

void TCustomSmtpClient::MailRaw(const QByteArray& message) {
    RequireCanStart();
    RequireProtected();
    SmtpOutgoing mail(fromName_, rcptName_, SmtpHeaderFields{}, extensions_.SmtpUtf8);
    mail.SetRaw(message, extensions_.EightBitMime);
    StartMail(std::move(mail));
}

// The message is checked and fixed: its first commands go out.
void TCustomSmtpClient::StartMail(SmtpOutgoing mail) {
    mail_ = std::move(mail);
    lastResponse_.clear();
    recipientRefused_ = false;
    BeginRequest(SmtpRequest::Mail);
    if (extensions_.Pipelining) {
        SendGroup();
        return;
    }
    SendCommand(Phase::MailFrom, mail_.MailFrom(), Accepts250);
}

void TCustomSmtpClient::StepDone() {
    reported_ = false; // the next step is pending from here on
    try {
        if (phase_ == Phase::MailFrom) {
            rcptIndex_ = 0;
            SendRecipient();
        } else {
            StartData();
        }
    } catch (const ClientException& e) {
        FailStep(ProtocolErrorCode, connection_.ExceptionFailure(e));
    }
}

void TCustomSmtpClient::SendRecipient() {
    SetPhase(Phase::RcptTo); // the server holds a sender from here on
    SendCommand(Phase::RcptTo, mail_.RcptTo().at(rcptIndex_), {250, 251});
}

void TCustomSmtpClient::StartData() {
    SetPhase(Phase::Data);
    if (PrepareHeader()) {
        SendCommand(Phase::Data, QStringLiteral("DATA"), {354});
    }
}

// The header block through the handlers; false when a line they left fails the request. A
// raw message carries its own header.
bool TCustomSmtpClient::PrepareHeader() {
    const QString problem = HeaderProblem();
    if (!problem.isEmpty()) {
        FailStep(ProtocolErrorCode, QStringLiteral("500 ") + problem);
        return false;
    }
    return true;
}

// Why a line of the header cannot go out, or an empty text.
QString TCustomSmtpClient::HeaderProblem() {
    mail_.StartText();
    if (mail_.Raw()) {
        return {};
    }
    QStringList header = SmtpHeaderLines(mail_.Header(), SmtpDateNow());
    emit OnProcessHeader(this, &header);
    header.append(QString());
    // The handlers see every line before DATA goes out, so a line they break fails the
    // request while the message has not begun.
    for (QString line : header) {
        emit OnHeaderLine(this, &line, 1024);
        const QString problem = mail_.AddHeaderLine(line);
        if (!problem.isEmpty()) {
            return problem;
        }
    }
    return {};
}

void TCustomSmtpClient::StartText() {
    SetPhase(Phase::Text);
    connection_.SetCork(true);
    SendNextTextLine();
}

void TCustomSmtpClient::SendNextTextLine() {
    if (!connection_.Connected()) {
        return; // the session-closed path completes the request
    }
    QByteArray line;
    bool latin1 = false;
    if (mail_.NextWireLine(line, latin1)) {
        emit OnDisplay(this, QStringLiteral("> ") +
                                 (latin1 ? QString::fromLatin1(line) : QString::fromUtf8(line)));
        SendWire(line + "\r\n");
        return;
    }
    // The server ends the transaction with its reply to ".".
    SendCommand(Phase::Dot, QStringLiteral("."), Accepts250);
    if (extensions_.Pipelining && !mail_.Raw()) {
        TakeFollower();
    }
    // The text lines left one at a time into a corked socket, which packed them into full
    // segments instead of one small segment a line; uncorking sends the rest at once.
    connection_.SetCork(false);
}

void TCustomSmtpClient::ConnectionAllSent() {
    if (phase_ != Phase::Text) {
        return;
    }
    try {
        SendNextTextLine();
    } catch (const ClientException& e) {
        FailStep(ProtocolErrorCode, connection_.ExceptionFailure(e));
    }
}

bool TCustomSmtpClient::NextBodyLine(int lineNum, QString& line) {
    bool more = false;
    QString text;
    emit OnGetData(this, lineNum, &text, SmtpMaxLineLength, &more);
    if (more) {
        line = text;
    }
    return more;
}

void TCustomSmtpClient::FailStep(quint16 error, const QString& message) {
    if (errorMessage_.isEmpty()) {
        errorMessage_ = message;
    }
    errorCode_ = error;
    Finish(error);
}

} // namespace sievra
