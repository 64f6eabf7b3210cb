#pragma once

#include <QString>

namespace sievra {

// Where both programs keep their settings, and the names of the values they share.
inline const QString ProductKey = QStringLiteral("\\Software\\Orlent Software\\Sievra");
// The mail-account counter that new account numbers start above; absent on Linux unless
// someone wrote it.
inline const QString AccountManagerKey =
    QStringLiteral("\\Software\\Microsoft\\Internet Account Manager");
inline const QString CodeWordsSubkey = QStringLiteral("Code Words");
inline const QString HintsSubkey = QStringLiteral("Hints");
inline const QString HeaderPrefix = QStringLiteral("Header ");
inline const QString FooterPrefix = QStringLiteral("Footer ");
// Product-level lists, numbered like the header lines: never subkeys, which are accounts.
inline const QString AddressBookPrefix = QStringLiteral("Address Book ");
inline const QString AllowedSenderPrefix = QStringLiteral("Allowed Sender ");

inline QString AccountKeyPath(const QString& keyName) {
    return ProductKey + QLatin1Char('\\') + keyName;
}

// An account's key name: its number with zeros in front to eight digits.
inline QString AccountKeyName(qint64 number) {
    return QString::number(number).rightJustified(8, QLatin1Char('0'));
}

} // namespace sievra
