#include "UnansweredPort.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sievra::test {

namespace {

sockaddr_in Loopback(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Starts a connect; true when it completed within the wait (the queue still had room).
bool ConnectCompletes(int fd, quint16 port) {
    const sockaddr_in address = Loopback(port);
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (result == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        qFatal("unanswered port: connect failed (errno %d)", errno);
    }
    pollfd waiting{fd, POLLOUT, 0};
    return ::poll(&waiting, 1, 200) > 0;
}

} // namespace

UnansweredPort::UnansweredPort() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 0) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        qFatal("unanswered port: cannot listen (errno %d)", errno);
    }
    port_ = ntohs(address.sin_port);
    // Fill the accept queue until a connect no longer completes.
    for (int i = 0; i < 16; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        fillers_.push_back(fd);
        if (!ConnectCompletes(fd, port_)) {
            return;
        }
    }
    qFatal("unanswered port: the accept queue never filled");
}

UnansweredPort::~UnansweredPort() {
    for (const int fd : fillers_) {
        ::close(fd);
    }
    ::close(listener_);
}

} // namespace sievra::test
