#pragma once

#include "net/TPop3Cli.h"

#include <QByteArrayView>

namespace sievra {

// Drives a client's reply handling without a network, as if a connection were up, for the
// fuzzer and for tests of replies no real server sends. Not used by the product.
class Pop3TestAccess {
public:
    // As if the TCP connect had just succeeded: the client waits for the greeting.
    static void AwaitGreeting(TCustomPop3Cli& client);
    // As if the command of `type` had just been sent in protocol state `state`.
    static void AwaitReply(TCustomPop3Cli& client, TPop3Request type, TPop3ProtocolState state);
    // Hands bytes to the line path as the socket would, as many at a time as the receive
    // buffer takes; stops once the connection has ended.
    static void Receive(TCustomPop3Cli& client, QByteArrayView bytes);
    // The server closes the connection (or it breaks, with a non-zero error).
    static void EndSession(TCustomPop3Cli& client, quint16 error);
};

} // namespace sievra
