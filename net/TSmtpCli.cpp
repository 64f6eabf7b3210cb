#include "TSmtpCli.h"

namespace sievra {

TSmtpCli::TSmtpCli(QObject* parent)
    : TCustomSmtpClient(parent) {}

void TSmtpCli::PrepareBody() {
    body_ = mailMessage_;
    bodyIndex_ = 0;
}

bool TSmtpCli::NextBodyLine(int lineNum, QString& line) {
    if (bodyIndex_ < body_.size()) {
        line = body_.at(bodyIndex_++);
        return true;
    }
    return TCustomSmtpClient::NextBodyLine(lineNum, line);
}

} // namespace sievra
