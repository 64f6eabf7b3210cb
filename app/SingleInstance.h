#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace sievra {

// One `sievra` per user: two copies would screen the same mailboxes at once. The first copy
// holds a lock file in the runtime folder ($XDG_RUNTIME_DIR) and listens on a local socket
// beside it; a second copy finds the lock taken, asks the first through the socket to bring
// its window forward, and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `directory`: where the lock and the socket live; the runtime folder when empty.
    explicit SingleInstance(QString directory = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy. False when another one runs; it has then been asked
    // to come forward (as far as it still answers).
    bool Claim();

    QString LockPath() const;
    QString SocketPath() const;

signals:
    // A second copy was started.
    void raiseRequested();

private:
    void Accept();

    QString directory_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace sievra
