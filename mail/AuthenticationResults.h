#pragma once

#include "mail/HeaderFields.h"

#include <QList>
#include <QString>
#include <optional>

namespace sievra {

// One "method=result" of an Authentication-Results field (RFC 8601), in lower case.
struct AuthResult {
    QString Method; // "dmarc", "dkim", "spf", ...
    QString Result; // "pass", "fail", "none", "softfail", ...
    // The domain the result is about: header.from (dmarc), header.d or header.i (dkim),
    // smtp.mailfrom or smtp.helo (spf), the part after an "@"; "" when none is given.
    QString Domain;

    bool operator==(const AuthResult&) const = default;
};

// The results of one Authentication-Results value, comments left out; a result that does not
// read as "method=result" is skipped. Empty for "none" and for a value without an authserv-id.
QList<AuthResult> ParseAuthenticationResults(const QString& value);

// What the topmost Authentication-Results field says against the From domain: "dmarc=fail",
// or, when it has no dmarc result for that domain, "dkim=fail, spf=fail" or "spf=fail" (no
// DKIM result for the domain). Empty when it reports no such failure. `fromAddress` is the
// From address with its domain in ASCII form.
std::optional<QString> FindForgedSender(const HeaderFields& header, const QString& fromAddress);

} // namespace sievra
