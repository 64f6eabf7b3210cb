#include "NewAccount.h"

#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <limits>

namespace sievra {

namespace {

constexpr qint64 CounterWithoutValue = 999999;

// Servers, user and address start empty (the fields show examples as placeholder text): a
// placeholder stored as a value would be screened as a real server. The account stays
// inactive until its POP3 server and user are filled in.
Account NewAccountRecord(const QString& keyName) {
    Account a;
    a.KeyName = keyName;
    a.Active = false;
    a.AccountName = QStringLiteral("<New Account>");
    a.Pop3Port = QStringLiteral("110");
    a.Pop3Timeout = 60;
    a.SmtpPort = QStringLiteral("25");
    a.SmtpTimeout = 60;
    return a;
}

void WriteNewAccount(SettingsKey& key, const Account& a) {
    namespace V = AccountValue;
    key.WriteFlag(V::Active, a.Active);
    key.WriteText(V::AccountName, a.AccountName);
    key.WriteText(V::Pop3Server, a.Pop3Server);
    key.WriteText(V::Pop3Port, a.Pop3Port);
    key.WriteText(V::Pop3User, a.Pop3User);
    key.WriteText(V::Pop3Password, QString());
    key.WriteFlag(V::SavePop3Password, false);
    key.WriteNumber(V::Pop3Timeout, a.Pop3Timeout);
    key.WriteFlag(V::Pop3Tested, false);
    key.WriteText(V::SmtpServer, a.SmtpServer);
    key.WriteText(V::SmtpPort, a.SmtpPort);
    key.WriteText(V::SmtpAddress, a.SmtpAddress);
    key.WriteText(V::SmtpDisplayName, QString());
    key.WriteFlag(V::RequiresAuth, false);
    key.WriteFlag(V::UsePop3Login, false);
    key.WriteText(V::SmtpUser, QString());
    key.WriteText(V::SmtpPassword, QString());
    key.WriteFlag(V::SaveSmtpPassword, false);
    key.WriteNumber(V::SmtpTimeout, a.SmtpTimeout);
    key.WriteFlag(V::SmtpTested, false);
    // Stored at once, so a port changed later does not change the security behind the user's
    // back at the next start.
    key.WriteNumber(V::Pop3Security, a.Pop3Security);
    key.WriteNumber(V::SmtpSecurity, a.SmtpSecurity);
}

} // namespace

qint64 MailAccountCounter(SettingsStore& store) {
    const auto key = store.OpenKey(AccountManagerKey);
    if (!key) {
        return 0;
    }
    const auto value = key->Read(QStringLiteral("Account Name"));
    return value && value->Type == ValueType::Integer ? value->Number : CounterWithoutValue;
}

std::optional<Account> CreateAccount(SettingsStore& store) {
    std::optional<Account> created;
    store.InTransaction([&] {
        const qint64 counter = MailAccountCounter(store);
        auto product = store.OpenKey(ProductKey);
        if (!product) {
            return;
        }
        const auto lastId = product->Read(GlobalValue::LastId);
        const qint64 last =
            lastId && lastId->Type == ValueType::Integer ? qint64{lastId->Number} : counter;
        qint64 number = std::max(last, counter) + 1;
        while (store.KeyExists(AccountKeyPath(AccountKeyName(number)))) {
            ++number;
        }
        if (number > std::numeric_limits<qint32>::max()) {
            throw StoreError(QStringLiteral("No account number is left to hand out."));
        }
        product->WriteNumber(GlobalValue::LastId, static_cast<qint32>(number));
        const Account account = NewAccountRecord(AccountKeyName(number));
        auto key = store.OpenKey(AccountKeyPath(account.KeyName), true);
        WriteNewAccount(*key, account);
        store.OpenKey(AccountKeyPath(account.KeyName) + QLatin1Char('\\') + CodeWordsSubkey, true);
        store.OpenKey(AccountKeyPath(account.KeyName) + QLatin1Char('\\') + HintsSubkey, true);
        created = account;
    });
    return created;
}

} // namespace sievra
