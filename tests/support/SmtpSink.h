#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace sievra::test {

// One message as the SMTP server received it.
struct ReceivedMail {
    QString MailFrom; // "<>" for the null reverse path
    QStringList RcptTos;
    QByteArray Data; // the DATA section as received, dot-unstuffed, CR LF line ends
    QString AuthLogin;
};

struct SmtpSinkOptions {
    QString AuthUser; // non-empty: AUTH LOGIN required with AuthUser / AuthPassword
    QString AuthPassword;
    bool AuthRequiresTls = false; // AUTH refused until TLS is on
    // Recipient → the reply RCPT TO gets, e.g. "550 5.1.1 <a@x>: Recipient address rejected".
    QList<QPair<QString, QString>> Rejects;
    QString TlsCert; // offer STARTTLS (or implicit TLS) with this certificate and key
    QString TlsKey;
    bool ImplicitTls = false;
    bool Enhanced = false;   // offer ENHANCEDSTATUSCODES
    bool Pipelining = false; // offer PIPELINING
    QStringList Without;     // extensions left out of the EHLO reply ("8BITMIME", "SMTPUTF8")
};

// A real aiosmtpd SMTP server on a free loopback port, for as long as the object lives.
class SmtpSink {
public:
    explicit SmtpSink(const SmtpSinkOptions& options = {});
    ~SmtpSink();
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    quint16 Port() const { return port_; }
    // Every message received so far, in arrival order.
    QList<ReceivedMail> Messages() const;
    // Waits (running the event loop) until at least count messages have arrived.
    bool WaitForMessages(int count, int milliseconds = 10000) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace sievra::test
