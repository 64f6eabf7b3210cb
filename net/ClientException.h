#pragma once

#include <QString>
#include <stdexcept>

namespace sievra {

// Base of every failure the socket and the mail clients raise at once (a request that could
// not even start). The clients report a caught one as "-ERR " + ClassName() + ": " +
// Message() (POP3) or "500 " + ... (SMTP), so each kind names itself.
class ClientException : public std::runtime_error {
public:
    explicit ClientException(const QString& message)
        : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
    virtual QString ClassName() const = 0;
};

// A failure of the socket: a precondition, a resolution or a system call. ErrorCode() is the
// Windows Sockets number behind it when there is one (0 for the precondition texts).
class ESocketException : public ClientException {
public:
    explicit ESocketException(const QString& message, quint16 errorCode = 0)
        : ClientException(message)
        , errorCode_(errorCode) {}
    QString ClassName() const override { return QStringLiteral("ESocketException"); }
    quint16 ErrorCode() const { return errorCode_; }

private:
    quint16 errorCode_;
};

} // namespace sievra
