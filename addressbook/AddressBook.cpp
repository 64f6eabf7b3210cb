#include "AddressBook.h"

#include "AddressBookFile.h"
#include "AddressValidity.h"
#include "StatusOutput.h"

namespace sievra {

QString NoAddressBookLine() {
    return QStringLiteral("<font color=\"clRed\"><B>No address book specified!</B>");
}

QString UnableToOpenLine(const QString& path) {
    return QStringLiteral("<font color=\"clRed\"><B>Unable to open ") + path +
           QStringLiteral("!</B>");
}

bool LoadAddressBook(const QString& path, StatusOutput& status, AddressBook& book) {
    book.clear();
    const BookReadResult result = ReadAddressBookRecords(path, [&book](const ContactRecord& r) {
        if (IsValidAddress(r.Address)) {
            book.append(r.Address);
        }
    });
    switch (result) {
    case BookReadResult::Complete:
        return true;
    case BookReadResult::NoPath:
        status.WriteStatus(NoAddressBookLine(), false, false);
        return false;
    case BookReadResult::CannotOpen:
        status.WriteStatus(UnableToOpenLine(path), false, false);
        return false;
    case BookReadResult::TooShort:
    case BookReadResult::Truncated:
        return false;
    }
    return false;
}

} // namespace sievra
