#pragma once

#include "engine/IniDocument.h"

#include <QMap>
#include <QString>

namespace sievra {

// What a refused reply means for the queue.
enum class RefusalClass {
    Permanent, // this address will never take it: drop it
    Temporary, // try again at the next pass, the others go on now
    StopsPhase // the server takes nothing from us now: stop, keep every address queued
};

// Classifies the refusal of one reply. `serverLine` is the server's own line, empty when the
// request failed without one (a time-out, a broken connection): such a failure stops the
// phase. So do 421, 452 (too many recipients or no room) and policy refusals (enhanced code
// 5.7.x). Temporary: other 4xx. Permanent: 5xx with enhanced code 5.1.x (address) or 5.2.x
// (mailbox), or 550/551/553 without one. Any other 5xx stops the phase. Enhanced codes count
// only when the server offered ENHANCEDSTATUSCODES (RFC 2034).
RefusalClass ClassifyRefusal(quint16 code, const QString& serverLine, bool enhancedCodes);

// The server's line with control characters removed and cut to a length that fits a status
// line.
QString CleanServerText(const QString& serverLine);

// "Server said: " + the cleaned line.
QString ServerSaidLine(const QString& serverLine);

// How many passes in a row each queued address of an account was refused temporarily. Kept in
// the queue file beside the account's own section, so it gets the same care as the queue.
class DeferralCounts {
public:
    static constexpr int DropAfter = 5;
    static QString SectionOf(const QString& keyName);
    void Load(const IniDocument& doc, const QString& keyName);
    void Store(IniDocument& doc, const QString& keyName) const;
    // One more temporary refusal; returns the count now.
    int Add(const QString& address);
    void Forget(const QString& address);

private:
    QMap<QString, int> counts_; // lower-case address -> count
    QMap<QString, QString> spelling_;
};

} // namespace sievra
