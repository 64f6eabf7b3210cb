#include "InitialSettings.h"

#include "settings/Account.h"
#include "settings/ContactSettings.h"
#include "settings/GlobalSettings.h"
#include "settings/JoinedList.h"
#include "settings/PasswordCipher.h"
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

// A value the pages show; a change to a connection value makes that session untested.
void WriteShown(SettingsKey& key, const QString& name, const QString& text, bool* changed) {
    const auto stored = key.Read(name);
    if (!stored || stored->Text != text) {
        *changed = true;
    }
    key.WriteText(name, text);
}

// A password the pages show, kept where the storage choice says (the keyring when one
// answers). One in the keyring that the pages leave empty stays there: the pages may not have
// been able to read it.
void WritePassword(SettingsStore& store, SettingsKey& key, PasswordKind kind,
                   const QString& password, bool* changed) {
    namespace V = AccountValue;
    const bool pop3 = kind == PasswordKind::Pop3;
    if (key.ReadFlag(pop3 ? V::Pop3PasswordInKeyring : V::SmtpPasswordInKeyring)) {
        if (password.isEmpty()) {
            return;
        }
        *changed = true;
    } else {
        const QString stored = key.ReadText(pop3 ? V::Pop3Password : V::SmtpPassword);
        try {
            if ((stored.isEmpty() ? QString() : DecodePassword(stored)) != password) {
                *changed = true;
            }
        } catch (const PasswordError&) {
            *changed = true;
        }
    }
    if (*changed) {
        SavePassword(store, key, kind, password);
    }
}

} // namespace

qint32 WriteWizardAccount(SettingsStore& store, const WizardAccount& a, bool fresh) {
    namespace V = AccountValue;
    const qint32 number = KeyNumber(a.KeyName);
    SettingsKey key = *store.OpenKey(AccountKeyPath(a.KeyName), true);
    if (fresh) {
        key.WriteFlag(V::Active, true);
        key.WriteText(V::AccountName, a.AccountName);
        key.WriteNumber(V::Pop3Timeout, a.Pop3Timeout.toInt());
        key.WriteNumber(V::SmtpTimeout, a.SmtpTimeout.toInt());
    }
    bool pop3Changed = fresh;
    bool smtpChanged = fresh;
    WriteShown(key, V::Pop3Server, a.Pop3Server, &pop3Changed);
    WriteShown(key, V::Pop3Port, a.Pop3Port, &pop3Changed);
    WriteShown(key, V::Pop3User, a.Pop3User, &pop3Changed);
    WritePassword(store, key, PasswordKind::Pop3, a.Pop3Password, &pop3Changed);
    key.WriteFlag(V::SavePop3Password, !a.Pop3Password.isEmpty());
    WriteShown(key, V::SmtpServer, a.SmtpServer, &smtpChanged);
    WriteShown(key, V::SmtpPort, a.SmtpPort, &smtpChanged);
    key.WriteText(V::SmtpAddress, a.SmtpAddress);
    key.WriteText(V::SmtpDisplayName, a.SmtpDisplayName);
    key.WriteFlag(V::RequiresAuth, a.RequiresAuth == QLatin1String("1"));
    key.WriteFlag(V::UsePop3Login, a.UsePop3Login == QLatin1String("1"));
    key.WriteFlag(V::CheckSenderAuthentication, a.CheckSenderAuthentication != QLatin1String("0"));
    WriteShown(key, SmtpUserValueName, a.SmtpUser, &smtpChanged);
    WritePassword(store, key, PasswordKind::Smtp, a.SmtpPassword, &smtpChanged);
    key.WriteFlag(V::SaveSmtpPassword, !a.SmtpPassword.isEmpty());
    key.WriteNumber(V::Pop3Security, EffectiveSecurity(a.Pop3Security, a.Pop3Port, Pop3TlsPort));
    key.WriteNumber(V::SmtpSecurity, EffectiveSecurity(a.SmtpSecurity, a.SmtpPort, SmtpTlsPort));
    if (pop3Changed) {
        key.WriteFlag(V::Pop3Tested, false);
    }
    if (smtpChanged) {
        key.WriteFlag(V::SmtpTested, false);
    }

    for (const auto& [subkey, joined] :
         {std::pair{CodeWordsSubkey, a.CodeWords}, std::pair{HintsSubkey, a.Hints}}) {
        store.OpenKey(AccountKeyPath(a.KeyName) + QLatin1Char('\\') + subkey, true);
        SaveJoinedList(store, a.KeyName, subkey, SplitJoined(joined));
    }
    return number;
}

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
            lastId = std::max(lastId, WriteWizardAccount(store, account, true));
        }
        store.OpenKey(ProductKey, true)->WriteNumber(GlobalValue::LastId, lastId);
    });
}

} // namespace sievra
