#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// The request and error state of the engine, written by the clients' event handlers and read
// by the pass between requests.
struct EngineState {
    bool ErrorFlag = false;
    // The last protocol error a client event reported; time-outs, exceptions and aborts leave
    // it as it was, so their error lines show the latest protocol code.
    int ErrorCode = 0;
    QString ErrorText;
    // The server's own line behind the last error, when it sent one.
    QString ServerSaid;
    QString Operation;
    bool RequestDone = false;
    bool SmtpConnected = false;
    bool AbortRequested = false;
    bool InMessage = false;
    QStringList HeaderLines;
    int MessageNumber = 0;
    // Seconds; the last session opened sets it (never below 30).
    int CurrentTimeout = 30;
};

// Counters of a pass, and the two that last from one pass to the next.
struct EngineCounters {
    int WaitingCount = 0;
    int ErrorCount = 0;
    int DeletedCount = 0;
    // Rejected in preview: recorded, left on the server.
    int WouldDeleteCount = 0;
    // Messages the servers reported this pass; those neither kept nor deleted were not screened.
    int SeenCount = 0;
    int DeletedTotal = 0;
    int LastWaitingCount = 0;
};

} // namespace sievra
