#include "SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace sievra {

namespace {
constexpr int AnswerMs = 2000;
const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");
} // namespace

SingleInstance::SingleInstance(QString directory, QObject* parent)
    : QObject(parent)
    , directory_(std::move(directory)) {
    if (directory_.isEmpty()) {
        directory_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (directory_.isEmpty()) {
        directory_ = QDir::tempPath();
    }
    lock_ = std::make_unique<QLockFile>(LockPath());
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

SingleInstance::~SingleInstance() {
    server_.close();
}

QString SingleInstance::LockPath() const {
    return QDir(directory_).filePath(QStringLiteral("sievra.lock"));
}

QString SingleInstance::SocketPath() const {
    return QDir(directory_).filePath(QStringLiteral("sievra.socket"));
}

bool SingleInstance::Claim() {
    // A lock left by a copy that crashed names a process that is gone; QLockFile takes it over.
    if (lock_->tryLock(0)) {
        QLocalServer::removeServer(SocketPath());
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        server_.listen(SocketPath());
        return true;
    }
    QLocalSocket first;
    first.connectToServer(SocketPath());
    if (first.waitForConnected(AnswerMs)) {
        first.write(RaiseRequest);
        first.waitForBytesWritten(AnswerMs);
        first.disconnectFromServer();
    }
    return false;
}

void SingleInstance::Accept() {
    while (QLocalSocket* peer = server_.nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (peer->readAll().contains(RaiseRequest.trimmed())) {
                emit raiseRequested();
            }
        });
    }
}

} // namespace sievra
