#include "AcceptanceRules.h"

#include "PendingReplies.h"
#include "UpperCase.h"
#include "mail/HeaderText.h"
#include "mail/MailAddress.h"

#include <algorithm>
#include <stdexcept>

namespace sievra {

namespace {

bool HoldsCodeWord(const QString& subject, const QStringList& codeWordList) {
    if (subject.isEmpty()) {
        return false;
    }
    const QString upperSubject = UpperCased(subject);
    for (const QString& word : codeWordList) {
        if (!word.isEmpty() && upperSubject.contains(UpperCased(word))) {
            return true;
        }
    }
    return false;
}

// The receiving server says the From line lies: a contact's address there proves nothing, so
// only the code words can keep the message.
bool DecideForged(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                  const QStringList& codeWordList) {
    static const AddressIndex noContacts;
    MessageFields& fields = lists.FieldsList[i];
    fields.ForgedContact = addressBook.Contains(lists.FromList[i]) ||
                           IsAcceptedAsRead(fields, addressBook, QStringList{});
    if (IsAccepted(lists.FromList[i], lists.SubjectList.at(i), noContacts, codeWordList) ||
        IsAcceptedAsRead(fields, noContacts, codeWordList)) {
        return true;
    }
    lists.ReplyToList[i] = ReplyAddressAsRead(fields, lists.ReplyToList[i]);
    return false;
}

} // namespace

bool IsAccepted(const QString& from, const QString& subject, const AddressIndex& addressBook,
                const QStringList& codeWordList) {
    return addressBook.Contains(from) || HoldsCodeWord(subject, codeWordList);
}

bool IsAcceptedAsRead(const MessageFields& fields, const AddressIndex& addressBook,
                      const QStringList& codeWordList) {
    for (const MailAddress& address : ParseAddressList(fields.From)) {
        if (addressBook.Contains(address.Address) || (address.AsciiAddress != address.Address &&
                                                      addressBook.Contains(address.AsciiAddress))) {
            return true;
        }
    }
    return HoldsCodeWord(DecodeHeaderText(fields.Subject), codeWordList);
}

QString ReplyAddressAsRead(const MessageFields& fields, const QString& cut) {
    const QString& field = fields.ReplyTo.isEmpty() ? fields.ReturnPath : fields.ReplyTo;
    // A field with a bare CR or another control in it is an attempt at header injection, not
    // mail a program wrote; the raw rule's address then decides, and its checks refuse it.
    const auto isControl = [](QChar c) {
        return c != QLatin1Char('\t') && (c.unicode() < 32 || c.unicode() == 127);
    };
    if (std::any_of(field.cbegin(), field.cend(), isControl)) {
        return cut;
    }
    const QList<MailAddress> addresses = ParseAddressList(field);
    return addresses.isEmpty() ? cut : addresses.front().AsciiAddress;
}

bool DecideMessage(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                   const QStringList& codeWordList, SenderCheck senderCheck) {
    // The three lists grow together; a position outside them is a fault of the caller, and
    // deciding on missing values would delete mail that may be wanted.
    if (i < 0 || i >= lists.FromList.size() || i >= lists.ReplyToList.size() ||
        i >= lists.SubjectList.size()) {
        throw std::out_of_range("no header values for this message");
    }
    lists.FromList[i] = ExtractAngleAddress(lists.FromList[i]);
    lists.ReplyToList[i] = ExtractAngleAddress(lists.ReplyToList[i]);
    if (senderCheck == SenderCheck::On && i < lists.FieldsList.size() &&
        !lists.FieldsList[i].ForgedSender.isEmpty()) {
        return DecideForged(lists, i, addressBook, codeWordList);
    }
    if (IsAccepted(lists.FromList[i], lists.SubjectList.at(i), addressBook, codeWordList)) {
        return true;
    }
    if (i >= lists.FieldsList.size()) {
        return false; // the reader is off
    }
    // Reading costs more than the raw rule, so only messages the raw rule rejects are read.
    const MessageFields& fields = lists.FieldsList.at(i);
    if (IsAcceptedAsRead(fields, addressBook, codeWordList)) {
        return true;
    }
    lists.ReplyToList[i] = ReplyAddressAsRead(fields, lists.ReplyToList[i]);
    return false;
}

} // namespace sievra
