#pragma once

#include "net/TPop3Cli.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace sievra::test {

// Records every event of a POP3 client in order and issues requests the way the screening
// engine does: one at a time, each awaited through the event loop.
class Pop3Events : public QObject {
public:
    explicit Pop3Events(TCustomPop3Cli& client);

    // "RequestDone <type> <error>", "SessionConnected <error>", "SessionClosed <error>",
    // "MessageBegin", "MessageLine <LastResponse>", "MessageEnd", "Answered <position>".
    QStringList log;
    QStringList displays;  // OnDisplay texts
    QStringList responses; // OnResponse texts
    int done = 0;
    int lastError = -1;
    // Completions delivered inside the call that issued a request: never allowed.
    int doneInsideCall = 0;

    // Issues a request; returns the exception it raised as "Class: message", else empty.
    QString Call(const std::function<void()>& request);
    // Issues a request and runs the event loop until it completes; returns its error, -1 when
    // no completion came within `ms`, -2 when the request raised.
    int Run(const std::function<void()>& request, int ms = 10000);
    // The log entries that start with `prefix`.
    QStringList Entries(const QString& prefix) const;
    // The message lines of the TOP answers so far.
    QStringList MessageLines() const;

private:
    bool insideCall_ = false;
};

} // namespace sievra::test
