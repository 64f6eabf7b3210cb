#include "AcceptanceRules.h"

#include "UpperCase.h"

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

} // namespace

bool IsAccepted(const QString& from, const QString& subject, const AddressIndex& addressBook,
                const QStringList& codeWordList) {
    return addressBook.Contains(from) || HoldsCodeWord(subject, codeWordList);
}

bool DecideMessage(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                   const QStringList& codeWordList) {
    // The three lists grow together; a position outside them is a fault of the caller, and
    // deciding on missing values would delete mail that may be wanted.
    if (i < 0 || i >= lists.FromList.size() || i >= lists.ReplyToList.size() ||
        i >= lists.SubjectList.size()) {
        throw std::out_of_range("no header values for this message");
    }
    lists.FromList[i] = ExtractAngleAddress(lists.FromList[i]);
    lists.ReplyToList[i] = ExtractAngleAddress(lists.ReplyToList[i]);
    return IsAccepted(lists.FromList[i], lists.SubjectList.at(i), addressBook, codeWordList);
}

} // namespace sievra
