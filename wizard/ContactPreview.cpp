#include "ContactPreview.h"

#include "addressbook/AddressBookFile.h"
#include "addressbook/AddressValidity.h"

namespace sievra {

namespace {
constexpr qsizetype NameLimit = 30;
} // namespace

QString ShortenDisplayName(const QString& name) {
    // Counted in characters, so a letter outside the basic plane is never cut in half.
    qsizetype end = 0;
    for (qsizetype count = 0; end < name.size() && count < NameLimit; ++count) {
        const bool pair =
            name[end].isHighSurrogate() && end + 1 < name.size() && name[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return end < name.size() ? name.left(end) + QStringLiteral("..") : name;
}

QStringList SourceContactLines(const SourceContacts& source) {
    QStringList lines;
    lines.reserve(qsizetype(source.Contacts.size()));
    for (const Contact& c : source.Contacts) {
        lines.append(ShortenDisplayName(c.DisplayName) + QLatin1Char('\t') + c.Address +
                     QLatin1Char('\t') + source.Label);
    }
    return lines;
}

QStringList ContactLines(const QString& path) {
    QStringList lines;
    ReadAddressBookRecords(path, [&](const ContactRecord& record) {
        if (IsValidAddress(record.Address)) {
            lines.append(ShortenDisplayName(record.DisplayName) + QLatin1Char('\t') +
                         record.Address);
        }
    });
    return lines;
}

} // namespace sievra
