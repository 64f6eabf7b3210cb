#pragma once

#include <QtGlobal>
#include <vector>

namespace sievra::test {

// A loopback port whose connection attempts are never answered, as with a server host that
// is down: a listener that never accepts, its accept queue kept full, so the kernel drops
// every further SYN and a client's connect waits until its caller gives up.
class UnansweredPort {
public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;

    quint16 Port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    quint16 port_ = 0;
};

} // namespace sievra::test
