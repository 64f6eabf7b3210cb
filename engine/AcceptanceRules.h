#pragma once

#include "engine/AddressIndex.h"
#include "engine/HeaderValues.h"

#include <QString>
#include <QStringList>

namespace sievra {

// A message is accepted when its From address is in the address book (case ignored), or else
// when its Subject holds one of the code words anywhere (case ignored). Empty code words never
// match.
bool IsAccepted(const QString& from, const QString& subject, const AddressIndex& addressBook,
                const QStringList& codeWordList);

// The same rules on the header as mail writes it: accepted when any address of the first From
// field is in the address book (as written or with its IDN domain in ASCII form), or when the
// decoded, unfolded Subject holds a code word.
bool IsAcceptedAsRead(const MessageFields& fields, const AddressIndex& addressBook,
                      const QStringList& codeWordList);

// The reply address of a message: the first address of Reply-To (else Return-Path) as the
// header reader parses it, with an IDN domain in ASCII form; cut (the raw rule's address) when
// the reader finds none there.
QString ReplyAddressAsRead(const MessageFields& fields, const QString& cut);

// Decides the message at position i: cuts its From and reply address down to their
// angle-bracket part in the lists, and accepts it when IsAccepted holds for that From address
// and the raw Subject, or IsAcceptedAsRead for the fields the reader found. The reader may only
// ever keep more mail, never less: a header it cannot parse is still judged by the raw rule.
// A rejected message's reply address is then the one ReplyAddressAsRead gives.
//
// With the sender check on, a message whose topmost Authentication-Results reports a failure
// for the From domain is judged by the code words alone: a contact's address on it proves
// nothing (MessageFields::ForgedContact then says a contact's hit did not count).
enum class SenderCheck { Off, On };
bool DecideMessage(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                   const QStringList& codeWordList, SenderCheck senderCheck = SenderCheck::Off);

// Why a message is kept, or that it is not.
enum class Verdict { Rejected, KnownSender, LearnedSender, CodeWord };

// DecideMessage with the account's learned senders beside the book, saying why: a sender in
// the book or learned is known whatever the subject says, so only a stranger is kept because
// of a code word. A learned sender on a forged message never counts, whatever the check says.
Verdict JudgeMessage(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                     const AddressIndex& learned, const QStringList& codeWordList,
                     SenderCheck senderCheck = SenderCheck::Off);

} // namespace sievra
