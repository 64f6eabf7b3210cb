#include "AccountCommands.h"

#include "net/TlsTrust.h"
#include "settings/Account.h"
#include "settings/AccountTable.h"
#include "settings/InitialGlobals.h"
#include "settings/JoinedList.h"
#include "settings/NewAccount.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <QHash>
#include <algorithm>

namespace sievra {

namespace {

namespace V = AccountValue;

// What one option writes. Options of the connection test's settings make the account need a
// new test, as editing them in the window does.
enum class Resets { Nothing, Pop3, Smtp };

struct Changes {
    QList<StoredValue> Values;
    std::optional<QStringList> CodeWords;
    std::optional<QStringList> Hints;
    bool ResetPop3 = false;
    bool ResetSmtp = false;
    bool SecurityGiven[2] = {false, false}; // POP3, SMTP
    bool TlsPortGiven[2] = {false, false};
};

StoredValue Text(const QString& name, const QString& text) {
    return {name, ValueType::Text, text, 0};
}
StoredValue Number(const QString& name, qint32 number) {
    return {name, ValueType::Integer, QString(), number};
}

std::optional<bool> ParseYesNo(const QString& text) {
    if (text == QLatin1String("yes") || text == QLatin1String("1")) {
        return true;
    }
    if (text == QLatin1String("no") || text == QLatin1String("0")) {
        return false;
    }
    return std::nullopt;
}

std::optional<int> ParseSecurity(const QString& text) {
    static const QHash<QString, int> names = {{QStringLiteral("none"), SecurityValue::None},
                                              {QStringLiteral("starttls"), SecurityValue::StartTls},
                                              {QStringLiteral("tls"), SecurityValue::Tls}};
    const auto it = names.constFind(text.toLower());
    return it == names.cend() ? std::nullopt : std::optional(*it);
}

// "host", "host:port", "[v6]" or "[v6]:port" into host and port (empty when not given).
std::optional<std::pair<QString, QString>> ParseServer(const QString& text) {
    QString host = text;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            return std::nullopt;
        }
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':'))) {
            return std::nullopt;
        }
        port = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        port = text.section(QLatin1Char(':'), 1);
    }
    bool ok = true;
    const int number = port.isEmpty() ? 1 : port.toInt(&ok);
    if (host.trimmed().isEmpty() || !ok || number < 1 || number > 65535) {
        return std::nullopt;
    }
    return std::pair{host.trimmed(), port};
}

bool AddServer(Changes& ch, const QString& value, bool pop3) {
    const auto server = ParseServer(value);
    if (!server) {
        return false;
    }
    ch.Values.append(Text(pop3 ? V::Pop3Server : V::SmtpServer, server->first));
    if (!server->second.isEmpty()) {
        ch.Values.append(Text(pop3 ? V::Pop3Port : V::SmtpPort, server->second));
        // A TLS port implies TLS unless a security is named; a port never lowers the security.
        const int tlsPort = pop3 ? Pop3TlsPort : SmtpTlsPort;
        ch.TlsPortGiven[pop3 ? 0 : 1] =
            SecurityForPort(server->second, tlsPort) == SecurityValue::Tls;
    }
    (pop3 ? ch.ResetPop3 : ch.ResetSmtp) = true;
    return true;
}

bool AddEntry(std::optional<QStringList>& list, const QString& entry) {
    if (entry.isEmpty() || entry.contains(QLatin1Char('|'))) {
        return false;
    }
    if (!list) {
        list = QStringList();
    }
    list->append(entry);
    return true;
}

// One option with its value into the changes; false when the value is not acceptable.
bool AddOption(Changes& ch, const QString& option, const QString& value) {
    using Setter = bool (*)(Changes&, const QString&);
    static const QHash<QString, Setter> setters = {
        {"--name",
         [](Changes& c, const QString& v) {
             c.Values.append(Text(V::AccountName, v));
             return !v.isEmpty();
         }},
        {"--active",
         [](Changes& c, const QString& v) {
             const auto on = ParseYesNo(v);
             c.Values.append(Number(V::Active, on.value_or(false)));
             return on.has_value();
         }},
        {"--pop3",
         [](Changes& c, const QString& v) {
             return AddServer(c, v, true);
         }},
        {"--smtp",
         [](Changes& c, const QString& v) {
             return AddServer(c, v, false);
         }},
        {"--user",
         [](Changes& c, const QString& v) {
             c.Values.append(Text(V::Pop3User, v));
             c.ResetPop3 = true;
             return true;
         }},
        {"--smtp-user",
         [](Changes& c, const QString& v) {
             c.Values.append(Text(V::SmtpUser, v));
             c.ResetSmtp = true;
             return true;
         }},
        {"--security",
         [](Changes& c, const QString& v) {
             const auto s = ParseSecurity(v);
             c.Values.append(Number(V::Pop3Security, s.value_or(0)));
             c.SecurityGiven[0] = c.ResetPop3 = true;
             return s.has_value();
         }},
        {"--smtp-security",
         [](Changes& c, const QString& v) {
             const auto s = ParseSecurity(v);
             c.Values.append(Number(V::SmtpSecurity, s.value_or(0)));
             c.SecurityGiven[1] = c.ResetSmtp = true;
             return s.has_value();
         }},
        {"--timeout",
         [](Changes& c, const QString& v) {
             bool ok = false;
             c.Values.append(Number(V::Pop3Timeout, v.toInt(&ok)));
             return ok && v.toInt() > 0;
         }},
        {"--smtp-timeout",
         [](Changes& c, const QString& v) {
             bool ok = false;
             c.Values.append(Number(V::SmtpTimeout, v.toInt(&ok)));
             return ok && v.toInt() > 0;
         }},
        {"--address",
         [](Changes& c, const QString& v) {
             c.Values.append(Text(V::SmtpAddress, v));
             return true;
         }},
        {"--display-name",
         [](Changes& c, const QString& v) {
             c.Values.append(Text(V::SmtpDisplayName, v));
             return true;
         }},
        {"--auth",
         [](Changes& c, const QString& v) {
             const auto on = ParseYesNo(v);
             c.Values.append(Number(V::RequiresAuth, on.value_or(false)));
             c.ResetSmtp = true;
             return on.has_value();
         }},
        {"--remember",
         [](Changes& c, const QString& v) {
             const auto on = ParseYesNo(v);
             c.Values.append(Number(V::RememberCodeWordSenders, on.value_or(true)));
             return on.has_value();
         }},
        {"--smtp-login",
         [](Changes& c, const QString& v) {
             c.Values.append(Number(V::UsePop3Login, v == QLatin1String("pop3")));
             c.ResetSmtp = true;
             return v == QLatin1String("pop3") || v == QLatin1String("own");
         }},
        {"--pop3-certificate",
         [](Changes& c, const QString& v) {
             const QString fingerprint = NormalFingerprint(v);
             c.Values.append(Text(V::Pop3Certificate, fingerprint));
             c.ResetPop3 = true;
             return v.isEmpty() || !fingerprint.isEmpty();
         }},
        {"--smtp-certificate",
         [](Changes& c, const QString& v) {
             const QString fingerprint = NormalFingerprint(v);
             c.Values.append(Text(V::SmtpCertificate, fingerprint));
             c.ResetSmtp = true;
             return v.isEmpty() || !fingerprint.isEmpty();
         }},
        {"--code-word",
         [](Changes& c, const QString& v) {
             return AddEntry(c.CodeWords, v);
         }},
        {"--hint",
         [](Changes& c, const QString& v) {
             return AddEntry(c.Hints, v);
         }},
    };
    const auto setter = setters.constFind(option);
    return setter != setters.cend() && (*setter)(ch, value);
}

std::optional<Changes> ParseOptions(CommandContext& c, const QStringList& args) {
    Changes ch;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || !AddOption(ch, args[i], args[i + 1])) {
            c.Err << "sievra-settings: bad option " << args[i] << " "
                  << (i + 1 < args.size() ? args[i + 1] : QStringLiteral("(no value)")) << "\n";
            return std::nullopt;
        }
    }
    // A named security wins over the one a TLS port implies, whatever the order.
    for (const int server : {0, 1}) {
        if (ch.TlsPortGiven[server] && !ch.SecurityGiven[server]) {
            ch.Values.append(
                Number(server == 0 ? V::Pop3Security : V::SmtpSecurity, SecurityValue::Tls));
        }
    }
    return ch;
}

void Apply(SettingsStore& store, const QString& keyName, const Changes& ch) {
    store.InTransaction([&] {
        auto key = store.OpenKey(AccountKeyPath(keyName));
        for (const StoredValue& value : ch.Values) {
            key->Write(value);
        }
        if (ch.ResetPop3) {
            key->WriteFlag(V::Pop3Tested, false);
        }
        if (ch.ResetSmtp) {
            key->WriteFlag(V::SmtpTested, false);
        }
        for (const auto& [subkey, list] :
             {std::pair{CodeWordsSubkey, ch.CodeWords}, std::pair{HintsSubkey, ch.Hints}}) {
            if (list) {
                store.OpenKey(AccountKeyPath(keyName) + QLatin1Char('\\') + subkey, true);
                SaveJoinedList(store, keyName, subkey, *list);
            }
        }
    });
}

int Add(CommandContext& c, const QStringList& args) {
    const auto changes = ParseOptions(c, args);
    if (!changes) {
        return ExitUsage;
    }
    QString keyName;
    c.Store.InTransaction([&] {
        if (!c.Store.KeyExists(ProductKey)) {
            WriteInitialGlobals(c.Store, QString(), QString());
        }
        keyName = CreateAccount(c.Store)->KeyName;
        Apply(c.Store, keyName, *changes);
        // As in the window: a new account becomes active once its POP3 server and user are
        // there, unless --active says otherwise.
        auto key = c.Store.OpenKey(AccountKeyPath(keyName));
        const bool activeGiven =
            std::any_of(changes->Values.cbegin(), changes->Values.cend(), [](const StoredValue& v) {
                return v.Name.compare(V::Active, Qt::CaseInsensitive) == 0;
            });
        if (key && !activeGiven && !key->ReadText(V::Pop3Server).isEmpty() &&
            !key->ReadText(V::Pop3User).isEmpty()) {
            key->WriteFlag(V::Active, true);
        }
    });
    c.Out << keyName << "\n";
    return ExitOk;
}

QString ShowValue(const SettingsKey& key, const AccountValueRow& row) {
    switch (row.Kind) {
    case AccountValueKind::Password: {
        const bool inKeyring = key.ReadFlag(row.Name == V::Pop3Password ? V::Pop3PasswordInKeyring
                                                                        : V::SmtpPasswordInKeyring);
        return inKeyring                          ? QStringLiteral("(in the keyring)")
               : key.ReadText(row.Name).isEmpty() ? QStringLiteral("(none)")
                                                  : QStringLiteral("(saved)");
    }
    case AccountValueKind::Flag:
        return key.ReadFlag(row.Name) ? QStringLiteral("yes") : QStringLiteral("no");
    case AccountValueKind::Security: {
        const int s = key.ReadNumber(row.Name);
        return s == SecurityValue::Tls        ? QStringLiteral("tls")
               : s == SecurityValue::StartTls ? QStringLiteral("starttls")
               : s == SecurityValue::None     ? QStringLiteral("none")
                                              : QString::number(s);
    }
    case AccountValueKind::Number:
        return QString::number(key.ReadNumber(row.Name));
    case AccountValueKind::Text:
    case AccountValueKind::Certificate:
        break;
    }
    return key.ReadText(row.Name);
}

int Show(CommandContext& c, const QString& keyName) {
    const auto key = c.Store.OpenKey(AccountKeyPath(keyName));
    c.Out << "Key: " << keyName << "\n";
    for (const AccountValueRow& row : AccountValueTable()) {
        c.Out << row.Name << ": " << ShowValue(*key, row) << "\n";
    }
    for (const QString& subkey : {CodeWordsSubkey, HintsSubkey}) {
        c.Out << subkey << ": " << SplitJoined(LoadJoinedList(c.Store, keyName, subkey)).join(", ")
              << "\n";
    }
    return ExitOk;
}

} // namespace

std::optional<QString> FindAccountKey(SettingsStore& store, const QString& given) {
    const auto product = store.OpenKey(ProductKey);
    if (!product || given.isEmpty()) {
        return std::nullopt;
    }
    bool isNumber = false;
    const qint64 number = given.toLongLong(&isNumber);
    const QStringList names = product->SubkeyNames();
    std::optional<QString> found;
    for (const QString& name : names) {
        if (isNumber && name.toLongLong() == number) {
            return name;
        }
        const auto key = store.OpenKey(AccountKeyPath(name));
        if (key && key->ReadText(V::AccountName).compare(given, Qt::CaseInsensitive) == 0) {
            if (found) {
                return std::nullopt; // two accounts of that name: the key name must say which
            }
            found = name;
        }
    }
    return found;
}

int AccountCommand(CommandContext& c, const QStringList& args) {
    const QString sub = args.value(0);
    if (sub == QLatin1String("add")) {
        return Add(c, args.mid(1));
    }
    if (sub != QLatin1String("show") && sub != QLatin1String("set")) {
        c.Err << "sievra-settings: account needs add, show or set\n" << SettingsUsage;
        return ExitUsage;
    }
    if (args.size() < 2) {
        c.Err << "sievra-settings: account " << sub << " needs ACCOUNT\n";
        return ExitUsage;
    }
    const auto keyName = FindAccountKey(c.Store, args[1]);
    if (!keyName) {
        c.Err << "sievra-settings: no single account \"" << args[1] << "\"\n";
        return ExitMissing;
    }
    if (sub == QLatin1String("show")) {
        return args.size() == 2 ? Show(c, *keyName) : ExitUsage;
    }
    const auto changes = ParseOptions(c, args.mid(2));
    if (!changes) {
        return ExitUsage;
    }
    Apply(c.Store, *keyName, *changes);
    return ExitOk;
}

} // namespace sievra
