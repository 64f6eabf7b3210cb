#pragma once

#include <QString>

namespace sievra {

// One client's protocol transcript ("> " sent, "< " received) with its secrets masked: the
// POP3 password, and everything the client sends from an SMTP AUTH command until the server
// stops asking (its first reply other than 334).
class ProtocolTrace {
public:
    QString Mask(const QString& line);

private:
    bool inAuth_ = false;
};

} // namespace sievra
