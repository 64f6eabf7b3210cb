#pragma once

#include <QList>
#include <QStringView>
#include <optional>

namespace sievra {

// One SMTP reply line as far as the client cares: its code and whether more lines of the same
// reply follow ("250-SIZE" continues, "250 OK" ends the reply).
struct SmtpReplyLine {
    int Code = 0; // 0 when the line holds no digits
    bool Continues = false;
};

// Reads the code after leading blanks, tabs, CR and LF, with an optional sign, as the decimal
// digits that follow; a "-" right after the digits marks a continuation line. Codes too large
// for an int stay at the largest int.
SmtpReplyLine ParseSmtpReply(QStringView line);

// Whether a final reply code is one the command accepts; an empty list accepts every code
// below 500.
bool SmtpReplyAccepted(int code, const QList<int>& accepted);

// Whether a line of an EHLO reply names the extension `keyword` ("250-STARTTLS" and
// "250 starttls" both name STARTTLS); extensions compare without regard to case (RFC 5321).
bool SmtpLineOffers(QStringView line, QStringView keyword);

// The error a refused reply ends its request with: the reply code itself. A line without a
// code, or a code that does not fit the 16-bit error, would read as 0, which is success, so it
// becomes 500 (our protocol-level failure) instead.
quint16 SmtpReplyError(int code);

// An enhanced status code (RFC 3463), "5.1.1" in "550 5.1.1 <a@x>: unknown".
struct SmtpEnhancedCode {
    int Class = 0;
    int Subject = 0;
    int Detail = 0;
    bool operator==(const SmtpEnhancedCode&) const = default;
};

// The enhanced code that follows the reply code, when the line has a well-formed one whose
// class agrees with the reply code's first digit (RFC 2034 3).
std::optional<SmtpEnhancedCode> ParseEnhancedCode(QStringView line);

// What a server's EHLO reply offers, as far as the client uses it.
struct SmtpExtensions {
    bool EightBitMime = false;
    bool SmtpUtf8 = false;
    bool EnhancedStatusCodes = false;
    bool Pipelining = false; // RFC 2920
    // Takes one line of the EHLO reply.
    void Note(QStringView line);
};

} // namespace sievra
