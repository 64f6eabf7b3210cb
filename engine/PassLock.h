#pragma once

#include "settings/Account.h"

#include <QString>

namespace sievra {

// Keeps two Sievra programs (the window and sievra-pass run by a timer) from screening the
// same mailbox at once: an exclusive flock on a file named after the mailbox. The kernel drops
// it when its holder ends, so a crashed pass never leaves a mailbox locked.
class PassLock {
public:
    // Tries once, without waiting.
    explicit PassLock(const Account& account);
    ~PassLock();
    PassLock(const PassLock&) = delete;
    PassLock& operator=(const PassLock&) = delete;

    // True when this pass may screen the account.
    bool Held() const { return held_; }
    // Why the lock file could not be used; empty when another program simply holds it.
    const QString& Error() const { return error_; }

    // $XDG_RUNTIME_DIR/sievra, or the data folder where there is no runtime folder.
    static QString Directory();
    // One file per mailbox (server, port and user), whichever store or key names it.
    static QString PathFor(const Account& account);

private:
    int fd_ = -1;
    bool held_ = false;
    QString error_;
};

} // namespace sievra
