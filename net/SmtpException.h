#pragma once

#include "ClientException.h"

namespace sievra {

// A request of the SMTP client that could not even start: wrong state, no connection, or a
// message that would break the protocol if it went out. Nothing was sent and no
// OnRequestDone follows.
class SmtpException : public ClientException {
public:
    using ClientException::ClientException;
    QString ClassName() const override { return QStringLiteral("SmtpException"); }
};

} // namespace sievra
