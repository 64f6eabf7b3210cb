#pragma once

#include <QObject>
#include <QTcpServer>
#include <atomic>

class QThread;

namespace sievra::bench {

// A TCP proxy on loopback that holds every chunk the server sends for a fixed delay before
// passing it on, the way a distant server answers late. The client's bytes go through at
// once, so a client that sends many commands before the first answer pays the delay once.
//
// It counts round trips: each time the server speaks after the client spoke (the greeting
// counts as one), the client had to wait for an answer. The proxy runs in its own thread, so
// the delay does not depend on how busy the program under test keeps its event loop.
class DelayProxy : public QObject {
    Q_OBJECT

public:
    DelayProxy(quint16 targetPort, int delayMs);
    ~DelayProxy() override;
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    quint16 Port() const { return port_; }
    void SetDelay(int delayMs) { delayMs_ = delayMs; }
    int RoundTrips() const { return roundTrips_; }
    void ResetRoundTrips() { roundTrips_ = 0; }

private:
    void Accept();

    QTcpServer listener_{this};
    quint16 targetPort_;
    quint16 port_ = 0;
    std::atomic<int> delayMs_;
    std::atomic<int> roundTrips_{0};
    QThread* thread_;

    friend class ProxiedConnection;
};

} // namespace sievra::bench
