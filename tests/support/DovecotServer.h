#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace sievra::test {

// A private dovecot POP3 server on loopback, started by the test and stopped with it. It
// needs root (as CI runs) and the system user "sievra-mail" that owns the mailboxes.
// Plain POP3 (with optional STLS) on Pop3Port(), implicit TLS on Pop3sPort().
class DovecotServer {
public:
    // With empty paths a self-signed certificate for "localhost" is made.
    explicit DovecotServer(const QString& certPem = {}, const QString& keyPem = {});
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    quint16 Pop3Port() const { return port_; }
    quint16 Pop3sPort() const { return tlsPort_; }

    // Adds a user (give each user one password for the life of the server: dovecot may keep
    // reading an older one for up to a second).
    void AddUser(const QString& user, const QString& password);
    // Appends messages to the user's mailbox; POP3 numbers them in the order given, after
    // the ones already there. Each message is RFC 5322 text (LF or CRLF line ends).
    void AddMessages(const QString& user, const QList<QByteArray>& messages);
    // Removes every message of the user.
    void ClearMailbox(const QString& user);
    // The contents of the messages still in the mailbox, in POP3 order.
    QList<QByteArray> Messages(const QString& user) const;
    QString Log() const;

private:
    QString MailDir(const QString& user) const;
    QStringList MessageFiles(const QString& user) const;
    void WriteUser(const QString& user, const QString& password);
    void Start();

    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    quint16 tlsPort_ = 0;
    int sequence_ = 0;
};

} // namespace sievra::test
