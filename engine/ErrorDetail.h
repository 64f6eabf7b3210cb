#pragma once

#include <QString>

namespace sievra {

// What ended a request, as far as the plain line after an error line needs to know.
enum class ErrorCause { Client, Timeout, Exception, Aborted };

struct ErrorFacts {
    ErrorCause Cause = ErrorCause::Client;
    int Code = 0;
    QString Account;
    QString Host;
    QString Port;
    int TimeoutSeconds = 0;
    // The POP3 client's error message ("-ERR ..."); empty for SMTP, whose replies are shown
    // by the client's own lines.
    QString Reply;
};

// The plain line that follows "Error %d: %s": the account and the cause in words
// ("Home: pop.example.org did not answer within 60 s"). The error line keeps the engine's
// code, which after a time-out or an exception is the last protocol error and says nothing
// about this one; "" when the error line says it all (an abort, a TLS reason, an SMTP reply).
QString ErrorDetail(const ErrorFacts& facts);

} // namespace sievra
