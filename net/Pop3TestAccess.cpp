#include "Pop3TestAccess.h"

namespace sievra {

void Pop3TestAccess::AwaitGreeting(TCustomPop3Cli& client) {
    client.BeginRequest(pop3Connect);
    client.lines_.Clear();
    client.connected_ = true;
    client.state_ = pop3WaitingBanner;
}

void Pop3TestAccess::AwaitReply(TCustomPop3Cli& client, TPop3Request type,
                                TPop3ProtocolState state) {
    client.lines_.Clear();
    client.connected_ = true;
    client.protocolState_ = state;
    client.BeginCommand(type);
}

void Pop3TestAccess::Receive(TCustomPop3Cli& client, QByteArrayView bytes) {
    while (!bytes.isEmpty() && client.connected_) {
        bytes = bytes.sliced(client.lines_.Feed(bytes));
        if (client.TakeLines() == LineReceiver::Status::LineTooLong) {
            client.FailLineTooLong();
        }
    }
}

void Pop3TestAccess::EndSession(TCustomPop3Cli& client, quint16 error) {
    if (client.connected_) {
        client.SocketClosed(error);
    }
}

} // namespace sievra
