#include "NewAccount.h"

#include "AccountTable.h"
#include "GlobalSettings.h"
#include "SettingsLoader.h"
#include "SettingsStore.h"
#include "StoreLayout.h"

#include <limits>

namespace sievra {

namespace {

constexpr qint64 CounterWithoutValue = 999999;

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
        const QString keyName = AccountKeyName(number);
        auto key = store.OpenKey(AccountKeyPath(keyName), true);
        WriteNewAccountValues(*key);
        store.OpenKey(AccountKeyPath(keyName) + QLatin1Char('\\') + CodeWordsSubkey, true);
        store.OpenKey(AccountKeyPath(keyName) + QLatin1Char('\\') + HintsSubkey, true);
        // The record is read back, so it holds exactly what was stored.
        created = LoadAccount(store, *key, keyName);
    });
    return created;
}

} // namespace sievra
