#include "InitialSettings.h"

#include "settings/Account.h"
#include "settings/AccountTable.h"
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

// The sessions whose connection values the pages changed: they must be tested again.
struct Untested {
    bool Pop3 = false;
    bool Smtp = false;

    void Note(const QString& valueName) {
        const AccountValueRow* row = FindAccountValue(valueName);
        Pop3 = Pop3 || row->Resets == TestedReset::Pop3;
        Smtp = Smtp || row->Resets == TestedReset::Smtp;
    }
};

// A value the pages show.
void WriteShown(SettingsKey& key, const QString& name, const QString& text, Untested& untested) {
    const auto stored = key.Read(name);
    if (!stored || stored->Text != text) {
        untested.Note(name);
    }
    key.WriteText(name, text);
}

// A number the pages show. A value an older store lacks is no change: it held what the port
// stood for.
void WriteShownNumber(SettingsKey& key, const QString& name, qint32 number, Untested& untested) {
    const auto stored = key.Read(name);
    if (stored && stored->Type == ValueType::Integer && stored->Number != number) {
        untested.Note(name);
    }
    key.WriteNumber(name, number);
}

// A password the pages show, kept where the storage choice says (the keyring when one
// answers). One in the keyring that the pages leave empty stays there: the pages may not have
// been able to read it.
void WritePassword(SettingsStore& store, SettingsKey& key, PasswordKind kind,
                   const QString& password, Untested& untested) {
    namespace V = AccountValue;
    const bool pop3 = kind == PasswordKind::Pop3;
    const QString& name = pop3 ? V::Pop3Password : V::SmtpPassword;
    bool changed = false;
    if (key.ReadFlag(pop3 ? V::Pop3PasswordInKeyring : V::SmtpPasswordInKeyring)) {
        changed = !password.isEmpty();
    } else {
        const QString stored = key.ReadText(name);
        try {
            changed = (stored.isEmpty() ? QString() : DecodePassword(stored)) != password;
        } catch (const PasswordError&) {
            changed = true;
        }
    }
    if (changed) {
        untested.Note(name);
    }
    // Rewritten whenever the session changed, a fresh key included.
    if (changed || (pop3 ? untested.Pop3 : untested.Smtp)) {
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
    Untested untested{fresh, fresh};
    WriteShown(key, V::Pop3Server, a.Pop3Server, untested);
    WriteShown(key, V::Pop3Port, a.Pop3Port, untested);
    WriteShown(key, V::Pop3User, a.Pop3User, untested);
    WritePassword(store, key, PasswordKind::Pop3, a.Pop3Password, untested);
    key.WriteFlag(V::SavePop3Password, !a.Pop3Password.isEmpty());
    WriteShown(key, V::SmtpServer, a.SmtpServer, untested);
    WriteShown(key, V::SmtpPort, a.SmtpPort, untested);
    key.WriteText(V::SmtpAddress, a.SmtpAddress);
    key.WriteText(V::SmtpDisplayName, a.SmtpDisplayName);
    WriteShownNumber(key, V::RequiresAuth, a.RequiresAuth == QLatin1String("1") ? 1 : 0, untested);
    WriteShownNumber(key, V::UsePop3Login, a.UsePop3Login == QLatin1String("1") ? 1 : 0, untested);
    WriteShown(key, SmtpUserValueName, a.SmtpUser, untested);
    WritePassword(store, key, PasswordKind::Smtp, a.SmtpPassword, untested);
    key.WriteFlag(V::SaveSmtpPassword, !a.SmtpPassword.isEmpty());
    WriteShownNumber(key, V::Pop3Security,
                     EffectiveSecurity(a.Pop3Security, a.Pop3Port, Pop3TlsPort), untested);
    WriteShownNumber(key, V::SmtpSecurity,
                     EffectiveSecurity(a.SmtpSecurity, a.SmtpPort, SmtpTlsPort), untested);
    if (untested.Pop3) {
        key.WriteFlag(V::Pop3Tested, false);
    }
    if (untested.Smtp) {
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
