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
#include <initializer_list>
#include <limits>
#include <variant>

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

    void Note(const AccountValueRow& row) {
        Pop3 = Pop3 || row.Resets == TestedReset::Pop3;
        Smtp = Smtp || row.Resets == TestedReset::Smtp;
    }
};

// A value the pages show.
void WriteShown(SettingsKey& key, const AccountValueRow& row, const QString& name,
                const QString& text, Untested& untested) {
    const auto stored = key.Read(name);
    if (!stored || stored->Text != text) {
        untested.Note(row);
    }
    key.WriteText(name, text);
}

// A number the pages show. A value an older store lacks is no change: it held what the port
// stood for.
void WriteShownNumber(SettingsKey& key, const AccountValueRow& row, qint32 number,
                      Untested& untested) {
    const QString& name = row.Name;
    const auto stored = key.Read(name);
    if (stored && stored->Type == ValueType::Integer && stored->Number != number) {
        untested.Note(row);
    }
    key.WriteNumber(name, number);
}

// A password the pages show, kept where the storage choice says (the keyring when one
// answers). One in the keyring that the pages leave empty stays there: the pages may not have
// been able to read it.
void WritePassword(SettingsStore& store, SettingsKey& key, const AccountValueRow& row,
                   const QString& password, Untested& untested) {
    namespace V = AccountValue;
    const bool pop3 = row.Field == AccountField(&Account::Pop3Password);
    const PasswordKind kind = pop3 ? PasswordKind::Pop3 : PasswordKind::Smtp;
    const QString& name = row.Name;
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
        untested.Note(row);
    }
    // Rewritten whenever the session changed, a fresh key included.
    if (changed || (pop3 ? untested.Pop3 : untested.Smtp)) {
        SavePassword(store, key, kind, password);
    }
}

// The record the pages' text stands for. A password saved is one the user typed in.
Account RecordOf(const WizardAccount& a) {
    Account r;
    r.Active = true;
    r.AccountName = a.AccountName;
    r.Pop3Server = a.Pop3Server;
    r.Pop3Port = a.Pop3Port;
    r.Pop3User = a.Pop3User;
    r.Pop3Password = a.Pop3Password;
    r.SavePop3Password = !a.Pop3Password.isEmpty();
    r.Pop3Timeout = a.Pop3Timeout.toInt();
    r.SmtpServer = a.SmtpServer;
    r.SmtpPort = a.SmtpPort;
    r.SmtpAddress = a.SmtpAddress;
    r.SmtpDisplayName = a.SmtpDisplayName;
    r.RequiresAuth = a.RequiresAuth == QLatin1String("1");
    r.UsePop3Login = a.UsePop3Login == QLatin1String("1");
    r.SmtpUser = a.SmtpUser;
    r.SmtpPassword = a.SmtpPassword;
    r.SaveSmtpPassword = !a.SmtpPassword.isEmpty();
    r.SmtpTimeout = a.SmtpTimeout.toInt();
    r.Pop3Security = EffectiveSecurity(a.Pop3Security, a.Pop3Port, Pop3TlsPort);
    r.SmtpSecurity = EffectiveSecurity(a.SmtpSecurity, a.SmtpPort, SmtpTlsPort);
    r.RememberCodeWordSenders = a.RememberCodeWordSenders;
    r.CheckSenderAuthentication = a.CheckSenderAuthentication != QLatin1String("0");
    return r;
}

bool IsField(const AccountValueRow& row, std::initializer_list<AccountField> fields) {
    return std::find(fields.begin(), fields.end(), row.Field) != fields.end();
}

// How the wizard writes a value: those the pages show always, compared with what is stored;
// the name, activity and time-outs only into a key of its own making (on a key it takes
// over, the user's choices stay); a value the pages do not know gets its new-account value in
// a fresh key. The Tested flags follow from the changes; certificates are trusted elsewhere.
enum class WizardWrite { Shown, WhenFresh, Default, Never };

WizardWrite HowWritten(const AccountValueRow& row) {
    using A = Account;
    if (IsField(row, {&A::Pop3Server, &A::Pop3Port, &A::Pop3User, &A::Pop3Password,
                      &A::SavePop3Password, &A::SmtpServer, &A::SmtpPort, &A::SmtpAddress,
                      &A::SmtpDisplayName, &A::RequiresAuth, &A::UsePop3Login, &A::SmtpUser,
                      &A::SmtpPassword, &A::SaveSmtpPassword, &A::Pop3Security, &A::SmtpSecurity,
                      &A::RememberCodeWordSenders, &A::CheckSenderAuthentication})) {
        return WizardWrite::Shown;
    }
    if (IsField(row, {&A::Active, &A::AccountName, &A::Pop3Timeout, &A::SmtpTimeout})) {
        return WizardWrite::WhenFresh;
    }
    if (row.Kind == AccountValueKind::Certificate ||
        IsField(row, {&A::Pop3Tested, &A::SmtpTested})) {
        return WizardWrite::Never;
    }
    return WizardWrite::Default;
}

void WriteRow(SettingsStore& store, SettingsKey& key, const AccountValueRow& row,
              const Account& record, Untested& untested) {
    if (row.Kind == AccountValueKind::Password) {
        WritePassword(store, key, row, record.*std::get<QString Account::*>(row.Field), untested);
    } else if (const auto* text = std::get_if<QString Account::*>(&row.Field)) {
        const bool smtpUser = row.Field == AccountField(&Account::SmtpUser);
        WriteShown(key, row, smtpUser ? SmtpUserValueName : row.Name, record.**text, untested);
    } else if (const auto* flag = std::get_if<bool Account::*>(&row.Field)) {
        WriteShownNumber(key, row, record.**flag ? 1 : 0, untested);
    } else {
        WriteShownNumber(key, row, record.*std::get<int Account::*>(row.Field), untested);
    }
}

} // namespace

qint32 WriteWizardAccount(SettingsStore& store, const WizardAccount& a, bool fresh) {
    namespace V = AccountValue;
    const qint32 number = KeyNumber(a.KeyName);
    SettingsKey key = *store.OpenKey(AccountKeyPath(a.KeyName), true);
    const Account record = RecordOf(a);
    Untested untested{fresh, fresh};
    for (const AccountValueRow& row : AccountValueTable()) {
        const WizardWrite how = HowWritten(row);
        if (how == WizardWrite::Shown || (fresh && how == WizardWrite::WhenFresh)) {
            WriteRow(store, key, row, record, untested);
        } else if (fresh && how == WizardWrite::Default) {
            WriteNewAccountValue(key, row);
        }
    }
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
