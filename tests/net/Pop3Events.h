#pragma once

#include "net/TPop3Cli.h"
#include "tests/support/RequestRecorder.h"

#include <QStringList>
#include <functional>

namespace sievra::test {

// The shared recorder for a POP3 client, with the message events in the log too:
// "RequestDone <type> <error>", "SessionConnected <error>", "SessionClosed <error>",
// "MessageBegin", "MessageLine <LastResponse>", "MessageEnd", "Answered <position>".
class Pop3Events : public RequestRecorder<TCustomPop3Cli, TPop3Request> {
public:
    explicit Pop3Events(TCustomPop3Cli& client);

    // Issues a request; returns the exception it raised as "Class: message", else empty.
    QString Call(const std::function<void()>& request);
    // Issues a request and runs the event loop until it completes; returns its error, -1 when
    // no completion came within `ms`, -2 when the request raised.
    int Run(const std::function<void()>& request, int ms = 10000);
    // The message lines of the TOP answers so far.
    QStringList MessageLines() const;
};

} // namespace sievra::test
