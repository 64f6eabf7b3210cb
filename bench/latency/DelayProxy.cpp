#include "DelayProxy.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QQueue>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace sievra::bench {

// One client connection and its connection to the server.
class ProxiedConnection : public QObject {
public:
    ProxiedConnection(DelayProxy& proxy, QTcpSocket* client)
        : QObject(client)
        , proxy_(proxy)
        , client_(client) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &ProxiedConnection::Release);
        connect(client_, &QTcpSocket::readyRead, this, &ProxiedConnection::FromClient);
        connect(client_, &QTcpSocket::disconnected, this, &ProxiedConnection::ClientGone);
        connect(&server_, &QTcpSocket::readyRead, this, &ProxiedConnection::FromServer);
        connect(&server_, &QTcpSocket::disconnected, this, &ProxiedConnection::ServerGone);
        server_.connectToHost(QHostAddress::LocalHost, proxy.targetPort_);
    }

private:
    struct Chunk {
        QDeadlineTimer due;
        QByteArray bytes;
    };

    void FromClient() {
        clientSpoke_ = true;
        server_.write(client_->readAll());
    }

    void FromServer() {
        if (clientSpoke_ || !serverSpoke_) {
            ++proxy_.roundTrips_;
        }
        clientSpoke_ = false;
        serverSpoke_ = true;
        held_.enqueue({QDeadlineTimer(proxy_.delayMs_, Qt::PreciseTimer), server_.readAll()});
        Schedule();
    }

    void Schedule() {
        if (!timer_.isActive() && !held_.isEmpty()) {
            timer_.start(std::chrono::milliseconds(held_.head().due.remainingTime()));
        }
    }

    void Release() {
        while (!held_.isEmpty() && held_.head().due.hasExpired()) {
            client_->write(held_.dequeue().bytes);
        }
        if (held_.isEmpty() && serverClosed_) {
            client_->disconnectFromHost();
        }
        Schedule();
    }

    void ServerGone() {
        serverClosed_ = true;
        if (held_.isEmpty()) {
            client_->disconnectFromHost();
        }
    }

    void ClientGone() {
        server_.disconnectFromHost();
        client_->deleteLater();
    }

    DelayProxy& proxy_;
    QTcpSocket* client_;
    QTcpSocket server_{this};
    QQueue<Chunk> held_;
    QTimer timer_{this};
    bool clientSpoke_ = false;
    bool serverSpoke_ = false;
    bool serverClosed_ = false;
};

DelayProxy::DelayProxy(quint16 targetPort, int delayMs)
    : targetPort_(targetPort)
    , delayMs_(delayMs)
    , thread_(new QThread) {
    moveToThread(thread_);
    thread_->start();
    connect(&listener_, &QTcpServer::newConnection, this, &DelayProxy::Accept);
    // Listening starts in the proxy's thread, which then owns the socket.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!listener_.listen(QHostAddress::LocalHost)) {
                std::fprintf(stderr, "proxy: cannot listen: %s\n",
                             qPrintable(listener_.errorString()));
                std::exit(1);
            }
            port_ = listener_.serverPort();
        },
        Qt::BlockingQueuedConnection);
}

DelayProxy::~DelayProxy() {
    // The listener and the connections belong to the proxy's thread: they go with it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            listener_.close();
            qDeleteAll(findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly));
        },
        Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
}

void DelayProxy::Accept() {
    while (QTcpSocket* client = listener_.nextPendingConnection()) {
        client->setParent(this);
        new ProxiedConnection(*this, client);
    }
}

} // namespace sievra::bench
