#include "AcceptanceRules.h"

#include "PendingReplies.h"
#include "SenderLearning.h"
#include "UpperCase.h"
#include "mail/HeaderText.h"
#include "mail/MailAddress.h"

#include <algorithm>
#include <optional>
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

bool KnownAsRead(const QList<MailAddress>& from, const AddressIndex& index) {
    for (const MailAddress& address : from) {
        if (index.Contains(address.Address) ||
            (address.AsciiAddress != address.Address && index.Contains(address.AsciiAddress))) {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsAccepted(const QString& from, const QString& subject, const AddressIndex& addressBook,
                const QStringList& codeWordList) {
    return addressBook.Contains(from) || HoldsCodeWord(subject, codeWordList);
}

bool IsAcceptedAsRead(const MessageFields& fields, const AddressIndex& addressBook,
                      const QStringList& codeWordList) {
    return KnownAsRead(ParseAddressList(fields.From), addressBook) ||
           HoldsCodeWord(DecodeHeaderText(fields.Subject), codeWordList);
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
    return JudgeMessage(lists, i, addressBook, AddressIndex(), codeWordList, senderCheck) !=
           Verdict::Rejected;
}

Verdict JudgeMessage(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                     const AddressIndex& learned, const QStringList& codeWordList,
                     SenderCheck senderCheck) {
    // The three lists grow together; a position outside them is a fault of the caller, and
    // deciding on missing values would delete mail that may be wanted.
    if (i < 0 || i >= lists.FromList.size() || i >= lists.ReplyToList.size() ||
        i >= lists.SubjectList.size()) {
        throw std::out_of_range("no header values for this message");
    }
    lists.FromList[i] = ExtractAngleAddress(lists.FromList[i]);
    lists.ReplyToList[i] = ExtractAngleAddress(lists.ReplyToList[i]);
    const QString& from = lists.FromList.at(i);
    // The reader is off (a benchmark of the raw rules) when it found no fields.
    const MessageFields* fields = i < lists.FieldsList.size() ? &lists.FieldsList.at(i) : nullptr;
    // Reading costs more than the raw rule, so the From field is parsed only when the raw
    // address is not known, and once.
    std::optional<QList<MailAddress>> parsed;
    const auto known = [&](const AddressIndex& index) {
        if (index.Contains(from)) {
            return true;
        }
        if (fields == nullptr) {
            return false;
        }
        if (!parsed) {
            parsed = ParseAddressList(fields->From);
        }
        return KnownAsRead(*parsed, index);
    };
    // The receiving server says the From line lies: a contact's address there proves nothing,
    // so only the code words can keep the message.
    const bool forged = fields != nullptr && !fields->ForgedSender.isEmpty();
    if (forged && senderCheck == SenderCheck::On) {
        lists.FieldsList[i].ForgedContact = known(addressBook);
    } else if (known(addressBook)) {
        return Verdict::KnownSender;
    }
    if (!forged && learned.AddressCount() > 0 && known(learned)) {
        return Verdict::LearnedSender;
    }
    if (HoldsCodeWord(lists.SubjectList.at(i), codeWordList) ||
        (fields != nullptr && HoldsCodeWord(DecodeHeaderText(fields->Subject), codeWordList))) {
        return Verdict::CodeWord;
    }
    if (fields != nullptr) {
        lists.ReplyToList[i] = ReplyAddressAsRead(*fields, lists.ReplyToList[i]);
    }
    return Verdict::Rejected;
}

} // namespace sievra
