#include "ExistingSettings.h"

#include "InitialSettings.h"
#include "settings/Account.h"
#include "settings/ContactSettings.h"
#include "settings/GlobalSettings.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

namespace sievra {

namespace {

QString FlagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

void Fill(WizardAccount& w, const Account& a) {
    w.AccountName = a.AccountName.isEmpty() ? w.AccountName : a.AccountName;
    w.Pop3Server = a.Pop3Server;
    w.Pop3Port = a.Pop3Port.isEmpty() ? QStringLiteral("110") : a.Pop3Port;
    w.Pop3User = a.Pop3User;
    w.Pop3Password = a.Pop3Password;
    w.Pop3Timeout = QString::number(a.Pop3Timeout);
    w.SmtpServer = a.SmtpServer;
    w.SmtpPort = a.SmtpPort.isEmpty() ? QStringLiteral("25") : a.SmtpPort;
    w.SmtpAddress = a.SmtpAddress;
    w.SmtpDisplayName = a.SmtpDisplayName;
    w.SmtpTimeout = QString::number(a.SmtpTimeout);
    w.RequiresAuth = FlagText(a.RequiresAuth);
    w.UsePop3Login = FlagText(a.UsePop3Login);
    w.SmtpUser = a.SmtpUser;
    w.SmtpPassword = a.SmtpPassword;
    w.Pop3Security = QString::number(a.Pop3Security);
    w.SmtpSecurity = QString::number(a.SmtpSecurity);
    w.CodeWords = a.CodeWords;
    w.Hints = a.Hints;
    w.RememberCodeWordSenders = a.RememberCodeWordSenders;
    w.CheckSenderAuthentication = FlagText(a.CheckSenderAuthentication);
    w.Checked = true;
}

int IndexOfKey(const AccountList& accounts, const QString& keyName) {
    for (int i = 0; i < accounts.Count(); ++i) {
        if (accounts[i].KeyName == keyName) {
            return i;
        }
    }
    return -1;
}

} // namespace

ExistingSettings MergeExistingSettings(SettingsStore& store, AccountList& accounts) {
    ExistingSettings existing;
    const auto product = store.OpenKey(ProductKey);
    if (!product) {
        return existing;
    }
    existing.Found = true;
    existing.WabFile = product->ReadText(GlobalValue::WabFile);
    existing.EmailClient = product->ReadText(GlobalValue::EmailClient);
    existing.AddressBooks = LoadAddressBooks(store);
    for (const QString& keyName : product->SubkeyNames()) {
        const auto key = store.OpenKey(AccountKeyPath(keyName));
        if (!key) {
            continue;
        }
        Account stored;
        try {
            stored = LoadAccount(store, *key, keyName);
        } catch (const PasswordError&) {
            continue;
        }
        int index = IndexOfKey(accounts, keyName);
        if (index < 0) {
            accounts.AddAccountEntry(keyName, stored.AccountName, QString(), 0, QString(), 0,
                                     QString(), 0, QString(), QString(), 0, false, false, QString(),
                                     true);
            index = accounts.Count() - 1;
        }
        Fill(accounts[index], stored);
        existing.AccountKeys.append(keyName);
    }
    return existing;
}

void WriteChangedSettings(SettingsStore& store, const AccountList& accounts,
                          const ExistingSettings& existing, const QString& wabFile,
                          const QString& mailClient, const QStringList& addressBooks) {
    store.InTransaction([&] {
        auto product = store.OpenKey(ProductKey, true);
        product->WriteText(GlobalValue::WabFile, wabFile);
        product->WriteText(GlobalValue::EmailClient, mailClient);
        SaveAddressBooks(store, addressBooks);
        qint32 lastId = product->ReadNumber(GlobalValue::LastId);
        for (const WizardAccount& account : accounts) {
            if (account.Checked) {
                const bool known = existing.AccountKeys.contains(account.KeyName);
                lastId = std::max(lastId, WriteWizardAccount(store, account, !known));
            } else if (existing.AccountKeys.contains(account.KeyName)) {
                store.DeleteKey(AccountKeyPath(account.KeyName));
            }
        }
        product->WriteNumber(GlobalValue::LastId, lastId);
    });
}

} // namespace sievra
