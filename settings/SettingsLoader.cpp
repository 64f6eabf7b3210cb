#include "SettingsLoader.h"

#include "AccountTable.h"
#include "JoinedList.h"
#include "Keyring.h"
#include "PasswordCipher.h"
#include "PasswordStorage.h"
#include "SettingsStore.h"
#include "StoreLayout.h"

#include <QHash>
#include <arpa/inet.h>
#include <cstdint>
#include <netdb.h>

namespace sievra {

namespace {

// All values of one key read at once, looked up by folded name.
class ValueSnapshot {
public:
    explicit ValueSnapshot(const SettingsKey& key) {
        for (StoredValue& value : key.Values()) {
            values_.insert(value.Name.toCaseFolded(), std::move(value));
        }
    }
    QString Text(const QString& name) const {
        const auto it = values_.constFind(name.toCaseFolded());
        return it != values_.cend() && it->Type == ValueType::Text ? it->Text : QString();
    }
    int Number(const QString& name) const { return NumberOr(name, 0); }
    // The integer, or `fallback` when the value is missing or not an integer.
    int NumberOr(const QString& name, int fallback) const {
        const auto it = values_.constFind(name.toCaseFolded());
        return it != values_.cend() && it->Type == ValueType::Integer ? it->Number : fallback;
    }
    bool Flag(const QString& name) const { return Number(name) != 0; }
    bool HasNumber(const QString& name) const {
        const auto it = values_.constFind(name.toCaseFolded());
        return it != values_.cend() && it->Type == ValueType::Integer;
    }

private:
    QHash<QString, StoredValue> values_;
};

QString DecodeStored(const QString& stored) {
    return stored.isEmpty() ? QString() : DecodePassword(stored);
}

// A password from the keyring when the account's flag says it lives there, else its protected
// form. Once the keyring has failed, `keyringError` holds why and it is not asked again: one
// unreachable keyring must not cost a time-out per account.
QString LoadPassword(const ValueSnapshot& v, const QString& valueName, const QString& flagName,
                     const QString& entry, QString& keyringError) {
    if (!v.Flag(flagName)) {
        return DecodeStored(v.Text(valueName));
    }
    if (!keyringError.isEmpty()) {
        return {};
    }
    const Keyring::Result read = Keyring::Read(entry);
    if (read.Status == Keyring::Outcome::Failed) {
        keyringError = QStringLiteral("The desktop keyring could not be reached: ") + read.Error;
    }
    return read.Password;
}

GlobalSettings LoadGlobals(const SettingsKey& key) {
    const ValueSnapshot v(key);
    GlobalSettings g;
    g.AutoRun = v.Flag(GlobalValue::AutoRun);
    g.Beep = v.Flag(GlobalValue::Beep);
    g.VisualAlert = v.Flag(GlobalValue::VisualAlert);
    g.Interval = v.Number(GlobalValue::Interval);
    g.AutoLoad = v.Flag(GlobalValue::AutoLoad);
    g.WabFile = v.Text(GlobalValue::WabFile);
    g.EmailClient = v.Text(GlobalValue::EmailClient);
    g.Subject = v.Text(GlobalValue::Subject);
    g.HeaderLines = LoadLines(key, HeaderPrefix);
    g.FooterLines = LoadLines(key, FooterPrefix);
    g.AddressBooks = LoadLines(key, AddressBookPrefix);
    g.AllowedSenders = LoadLines(key, AllowedSenderPrefix);
    const int maxMessages = v.NumberOr(GlobalValue::MaxMessagesPerPass, DefaultMaxMessagesPerPass);
    g.MaxMessagesPerPass = maxMessages > 0 ? maxMessages : DefaultMaxMessagesPerPass;
    // 0 days: a reply at every pass; a negative number is a typing error, not a wish.
    const int interval = v.NumberOr(GlobalValue::ReplyIntervalDays, DefaultReplyIntervalDays);
    g.ReplyIntervalDays = interval >= 0 ? interval : DefaultReplyIntervalDays;
    const int perPass = v.NumberOr(GlobalValue::RepliesPerPass, DefaultRepliesPerPass);
    g.RepliesPerPass = perPass > 0 ? perPass : DefaultRepliesPerPass;
    g.PreviewOnly = v.Flag(GlobalValue::PreviewOnly);
    // A nonsense number keeps the default: zero days would throw away the safety net.
    const auto positive = [&v](const QString& name, int fallback) {
        const int n = v.NumberOr(name, fallback);
        return n > 0 ? n : fallback;
    };
    g.HistoryDays = positive(GlobalValue::HistoryDays, DefaultHistoryDays);
    g.QuarantineDays = positive(GlobalValue::QuarantineDays, DefaultQuarantineDays);
    g.QuarantineSizeLimit = positive(GlobalValue::QuarantineSizeLimit, DefaultQuarantineSizeLimit);
    g.RestoreKey = v.Text(GlobalValue::RestoreKey);
    g.LearnedSenderDays = positive(GlobalValue::LearnedSenderDays, DefaultLearnedSenderDays);
    return g;
}

// Passwords and securities need more than their own value, so LoadAccount reads them itself.
void ReadPlainValue(const ValueSnapshot& v, const AccountValueRow& row, Account& a) {
    switch (row.Kind) {
    case AccountValueKind::Text:
    case AccountValueKind::Certificate:
        a.*std::get<QString Account::*>(row.Field) = v.Text(row.Name);
        break;
    case AccountValueKind::Flag:
        a.*std::get<bool Account::*>(row.Field) = v.NumberOr(row.Name, row.NewNumber) != 0;
        break;
    case AccountValueKind::Number:
        a.*std::get<int Account::*>(row.Field) = v.Number(row.Name);
        break;
    case AccountValueKind::Password:
    case AccountValueKind::Security:
        break;
    }
}

} // namespace

Account LoadAccount(SettingsStore& store, const SettingsKey& key, const QString& keyName) {
    QString keyringError;
    return LoadAccount(store, key, keyName, keyringError);
}

Account LoadAccount(SettingsStore& store, const SettingsKey& key, const QString& keyName,
                    QString& keyringError) {
    namespace V = AccountValue;
    const ValueSnapshot v(key);
    Account a;
    a.KeyName = keyName;
    for (const AccountValueRow& row : AccountValueTable()) {
        ReadPlainValue(v, row, a);
    }
    a.CodeWords = LoadJoinedList(store, keyName, CodeWordsSubkey);
    a.Hints = LoadJoinedList(store, keyName, HintsSubkey);
    a.Pop3Password = LoadPassword(v, V::Pop3Password, V::Pop3PasswordInKeyring,
                                  KeyringEntry(keyName, PasswordKind::Pop3), keyringError);
    a.SmtpPassword = LoadPassword(v, V::SmtpPassword, V::SmtpPasswordInKeyring,
                                  KeyringEntry(keyName, PasswordKind::Smtp), keyringError);
    if (!keyringError.isEmpty() &&
        (v.Flag(V::Pop3PasswordInKeyring) || v.Flag(V::SmtpPasswordInKeyring))) {
        a.KeyringError = keyringError;
    }
    // A store written before the security values existed: the port says, and the account is
    // marked so a server offering STARTTLS can upgrade it.
    a.Pop3Security = v.NumberOr(V::Pop3Security, SecurityForPort(a.Pop3Port, Pop3TlsPort));
    a.SmtpSecurity = v.NumberOr(V::SmtpSecurity, SecurityForPort(a.SmtpPort, SmtpTlsPort));
    a.Pop3SecurityStored = v.HasNumber(V::Pop3Security);
    a.SmtpSecurityStored = v.HasNumber(V::SmtpSecurity);
    return a;
}

int PortNumber(const QString& port) {
    const QString text = port.trimmed();
    if (text.isEmpty()) {
        return -1;
    }
    if (text[0] < u'0' || text[0] > u'9') {
        const servent* service = ::getservbyname(text.toLocal8Bit().constData(), "tcp");
        return service == nullptr ? -1 : ntohs(static_cast<std::uint16_t>(service->s_port));
    }
    qint64 value = 0;
    for (qsizetype i = 0; i < text.size() && text[i] >= u'0' && text[i] <= u'9' && value < 65536;
         ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value < 65536 ? static_cast<int>(value) : -1;
}

int SecurityForPort(const QString& port, int tlsPort) {
    return PortNumber(port) == tlsPort ? SecurityValue::Tls : SecurityValue::None;
}

LoadedSettings LoadSettings(SettingsStore& store) {
    LoadedSettings result;
    auto product = store.OpenKey(ProductKey);
    if (!product) {
        return result;
    }
    result.FirstRun = product->ReadFlag(GlobalValue::FirstTime);
    if (result.FirstRun) {
        product->WriteFlag(GlobalValue::FirstTime, false);
    }
    const QStringList names = product->SubkeyNames();
    if (names.isEmpty()) {
        return result;
    }
    result.Globals = LoadGlobals(*product);
    result.Ok = true;
    QString keyringError;
    for (const QString& name : names) {
        const auto key = store.OpenKey(AccountKeyPath(name));
        if (!key) {
            continue;
        }
        try {
            result.Accounts.push_back(LoadAccount(store, *key, name, keyringError));
        } catch (const PasswordError& error) {
            result.DecodeError = error.Message();
            const QString accountName = key->ReadText(AccountValue::AccountName);
            result.DecodeErrorAccount = accountName.isEmpty() ? name : accountName;
            break;
        }
    }
    return result;
}

QStringList LoadLines(const SettingsKey& key, const QString& prefix) {
    QStringList lines;
    for (int n = 1;; ++n) {
        const auto value = key.Read(prefix + QString::number(n));
        if (!value) {
            break;
        }
        lines.append(value->Type == ValueType::Text ? value->Text : QString());
    }
    return lines;
}

void SaveLines(SettingsStore& store, const QString& prefix, const QStringList& lines) {
    store.InTransaction([&] {
        auto key = store.OpenKey(ProductKey);
        if (!key) {
            return;
        }
        for (qsizetype i = 0; i < lines.size(); ++i) {
            key->WriteText(prefix + QString::number(i + 1), lines[i]);
        }
        for (qsizetype n = lines.size() + 1; key->DeleteValue(prefix + QString::number(n)); ++n) {
        }
    });
}

} // namespace sievra
