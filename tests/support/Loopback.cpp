#include "Loopback.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QThread>

namespace sievra::test {

bool WaitForListener(quint16 port, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200)) {
            probe.abort();
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

} // namespace sievra::test
