#pragma once

#include "TCustomSmtpClient.h"

namespace sievra {

// The SMTP client with its message body: the lines of MailMessage, then whatever OnGetData
// supplies. The body is copied when DATA starts, so a message in flight keeps its text.
class TSmtpCli : public TCustomSmtpClient {
    Q_OBJECT

public:
    explicit TSmtpCli(QObject* parent = nullptr);
    explicit TSmtpCli(std::unique_ptr<Transport> transport, QObject* parent = nullptr)
        : TCustomSmtpClient(std::move(transport), parent) {}

    const QStringList& MailMessage() const { return mailMessage_; }
    void SetMailMessage(const QStringList& lines) { mailMessage_ = lines; }

protected:
    void PrepareBody() override;
    bool NextBodyLine(int lineNum, QString& line) override;

private:
    QStringList mailMessage_;
    QStringList body_;
    qsizetype bodyIndex_ = 0;
};

} // namespace sievra
