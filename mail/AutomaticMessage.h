#pragma once

#include "mail/HeaderFields.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace sievra {

// What shows that a message was written by a program rather than a person, so that answering
// it would reach nobody, reach an innocent party or start a loop (RFC 3834).
struct AutomaticSign {
    enum class Kind {
        AutoSubmitted,  // Auto-Submitted other than "no", or X-Auto-Response-Suppress
        BulkMail,       // Precedence bulk, junk or list
        MailingList,    // List-Id, List-Unsubscribe or List-Post
        NullReturnPath, // Return-Path: <> (a delivery report)
        ProgramAddress, // MAILER-DAEMON, postmaster or a no-reply local part
        OwnAddress,     // one of the user's own account addresses
    };
    Kind What;
    QString Field; // the field that shows it, as it is usually spelled
    QString Value; // its value, cleaned for a status line

    // "automatic message (Auto-Submitted: auto-generated)", "mailing list (List-Id: ...)", ...
    QString Describe() const;
};

// The address a reply to this message would go to: the first mailbox of Reply-To, else of
// Return-Path, else of From; "" when there is none.
QString ReplyAddressOf(const HeaderFields& header);

// The first mark in the header that a program sent the message: Auto-Submitted other than
// "no", X-Auto-Response-Suppress, Precedence bulk, junk or list, a list field, an empty
// Return-Path. Field names match without case, folded fields are read unfolded. Sievra's own
// replies carry two of these marks.
std::optional<AutomaticSign> FindAutomaticMarks(const HeaderFields& header);

// The sign when `replyAddress` is one a program uses (IsProgramAddress).
std::optional<AutomaticSign> FindProgramAddress(const QString& replyAddress);

// Every check that needs no knowledge of the user's accounts: the marks, then the address a
// reply would go to.
std::optional<AutomaticSign> FindAutomaticSign(const HeaderFields& header,
                                               const QString& replyAddress);

// True when the local part of the address (before any "+detail") is one a program uses:
// MAILER-DAEMON, postmaster, or noreply, no-reply, do-not-reply, donotreply, bounce, bounces,
// alone or followed by "-", ".", "_" or "=" and a number or name.
bool IsProgramAddress(const QString& address);

// The sign that `replyAddress` is one of `ownAddresses` (compared without case), if it is.
std::optional<AutomaticSign> FindOwnAddress(const QString& replyAddress,
                                            const QStringList& ownAddresses);

} // namespace sievra
