#include "InitialSettings.h"

#include "settings/Account.h"
#include "settings/ContactSettings.h"
#include "settings/GlobalSettings.h"
#include "settings/JoinedList.h"
#include "settings/PasswordStorage.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <algorithm>
#include <limits>

namespace sievra {

namespace {

// The stored name keeps the small n the value has always been written with; names compare
// without case, so it is the same value as "SMTP User Name".
const QString SmtpUserValueName = QStringLiteral("SMTP User name");

qint32 KeyNumber(const QString& keyName) {
    // Only digits: the key name becomes part of a key path.
    bool ok = !keyName.isEmpty() &&
              std::all_of(keyName.begin(), keyName.end(), [](QChar c) { return c.isDigit(); });
    const qlonglong number = ok ? keyName.toLongLong(&ok) : 0;
    if (!ok || number > std::numeric_limits<qint32>::max()) {
        throw StoreError(QStringLiteral("'%1' is not a valid account number").arg(keyName));
    }
    return static_cast<qint32>(number);
}

void WriteAccount(SettingsStore& store, const WizardAccount& a) {
    namespace V = AccountValue;
    SettingsKey key = *store.OpenKey(AccountKeyPath(a.KeyName), true);
    key.WriteFlag(V::Active, true);
    key.WriteText(V::Pop3Server, a.Pop3Server);
    key.WriteText(V::Pop3Port, a.Pop3Port);
    key.WriteText(V::AccountName, a.AccountName);
    key.WriteText(V::Pop3User, a.Pop3User);
    // Where the password storage choice says: the keyring when one answers.
    SavePassword(store, key, PasswordKind::Pop3, a.Pop3Password);
    key.WriteFlag(V::SavePop3Password, !a.Pop3Password.isEmpty());
    key.WriteNumber(V::Pop3Timeout, a.Pop3Timeout.toInt());
    key.WriteFlag(V::Pop3Tested, false);
    key.WriteText(V::SmtpServer, a.SmtpServer);
    key.WriteText(V::SmtpPort, a.SmtpPort);
    key.WriteText(V::SmtpAddress, a.SmtpAddress);
    key.WriteText(V::SmtpDisplayName, a.SmtpDisplayName);
    key.WriteFlag(V::RequiresAuth, a.RequiresAuth == QLatin1String("1"));
    key.WriteFlag(V::UsePop3Login, a.UsePop3Login == QLatin1String("1"));
    key.WriteText(SmtpUserValueName, a.SmtpUser);
    SavePassword(store, key, PasswordKind::Smtp, a.SmtpPassword);
    key.WriteFlag(V::SaveSmtpPassword, !a.SmtpPassword.isEmpty());
    key.WriteNumber(V::SmtpTimeout, a.SmtpTimeout.toInt());
    key.WriteFlag(V::SmtpTested, false);
    key.WriteNumber(V::Pop3Security, EffectiveSecurity(a.Pop3Security, a.Pop3Port, Pop3TlsPort));
    key.WriteNumber(V::SmtpSecurity, EffectiveSecurity(a.SmtpSecurity, a.SmtpPort, SmtpTlsPort));

    for (const auto& [subkey, joined] :
         {std::pair{CodeWordsSubkey, a.CodeWords}, std::pair{HintsSubkey, a.Hints}}) {
        store.OpenKey(AccountKeyPath(a.KeyName) + QLatin1Char('\\') + subkey, true);
        SaveJoinedList(store, a.KeyName, subkey, SplitJoined(joined));
    }
}

} // namespace

void WriteInitialSettings(SettingsStore& store, const AccountList& accounts, const QString& wabFile,
                          const QString& mailClient, const QStringList& addressBooks) {
    store.InTransaction([&] {
        WriteInitialGlobals(store, wabFile, mailClient);
        SaveAddressBooks(store, addressBooks);
        qint32 lastId = 0;
        for (const WizardAccount& account : accounts) {
            if (!account.Checked) {
                continue;
            }
            lastId = std::max(lastId, KeyNumber(account.KeyName));
            WriteAccount(store, account);
        }
        store.OpenKey(ProductKey, true)->WriteNumber(GlobalValue::LastId, lastId);
    });
}

} // namespace sievra
