#include "AccountDiscovery.h"

#include "addressbook/PrefsFile.h"
#include "addressbook/ThunderbirdProfile.h"
#include "settings/Account.h"
#include "settings/StoreLayout.h"

#include <QDir>
#include <QRegularExpression>
#include <limits>

namespace sievra {

namespace {

constexpr int MinimumEntries = 13;
constexpr qint64 NoAccountCounter = 1000;
// Thunderbird's value for an outgoing server that sends without logging in.
constexpr qint64 AuthMethodNone = 1;
// What Thunderbird assumes when an outgoing server has no authMethod of its own.
constexpr qint64 AuthMethodDefault = 3;
// Thunderbird's socket types (socketType of an incoming server, try_ssl of an outgoing one).
constexpr qint64 SocketTypeStartTls = 2;
constexpr qint64 SocketTypeTls = 3;

// Thunderbird's socket type as ours; its "STARTTLS if offered" (1) and plain (0) are none here,
// and an account without one follows its port.
int SecurityOfSocketType(std::optional<qint64> type) {
    if (!type) {
        return AccountList::UnknownSecurity;
    }
    switch (*type) {
    case SocketTypeStartTls:
        return SecurityValue::StartTls;
    case SocketTypeTls:
        return SecurityValue::Tls;
    default:
        return SecurityValue::None;
    }
}

int SmallNumber(std::optional<qint64> value) {
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max()) {
        return 0;
    }
    return static_cast<int>(*value);
}

// Reads the prefs of one Thunderbird account the way the account manager shows them.
class ThunderbirdAccount {
public:
    ThunderbirdAccount(const PrefsFile& prefs, const QString& id)
        : p_(prefs)
        , server_(p_.Text(QStringLiteral("mail.account.%1.server").arg(id))) {
        const QString identities = p_.Text(QStringLiteral("mail.account.%1.identities").arg(id));
        identity_ = identities.section(QLatin1Char(','), 0, 0).trimmed();
        smtp_ = Identity(QStringLiteral("smtpServer"));
        if (smtp_.isEmpty()) {
            smtp_ = p_.Text(QStringLiteral("mail.smtp.defaultserver"));
        }
    }

    bool IsPop3() const { return Server(QStringLiteral("type")) == QLatin1String("pop3"); }
    QString Name() const { return Server(QStringLiteral("name")); }
    // A renamed server keeps its first name in hostname/userName and the current one in
    // realhostname/realuserName.
    QString Host() const { return ServerReal(QStringLiteral("hostname")); }
    QString User() const { return ServerReal(QStringLiteral("userName")); }
    int Port() const { return SmallNumber(ServerNumber(QStringLiteral("port"))); }
    int Security() const {
        auto type = ServerNumber(QStringLiteral("socketType"));
        if (!type) {
            type = p_.Number(QStringLiteral("mail.server.default.socketType"));
        }
        return SecurityOfSocketType(type);
    }

    QString Address() const { return Identity(QStringLiteral("useremail")); }
    QString FullName() const { return Identity(QStringLiteral("fullName")); }

    QString SmtpHost() const { return Smtp(QStringLiteral("hostname")); }
    int SmtpPort() const {
        return SmallNumber(p_.Number(QStringLiteral("mail.smtpserver.%1.port").arg(smtp_)));
    }
    QString SmtpUser() const { return Smtp(QStringLiteral("username")); }
    int SmtpSecurity() const {
        if (smtp_.isEmpty()) {
            return AccountList::UnknownSecurity;
        }
        auto type = p_.Number(QStringLiteral("mail.smtpserver.%1.try_ssl").arg(smtp_));
        if (!type) {
            type = p_.Number(QStringLiteral("mail.smtpserver.default.try_ssl"));
        }
        return SecurityOfSocketType(type);
    }
    bool SmtpNeedsLogin() const {
        if (SmtpHost().isEmpty()) {
            return false;
        }
        auto method = p_.Number(QStringLiteral("mail.smtpserver.%1.authMethod").arg(smtp_));
        if (!method) {
            method = p_.Number(QStringLiteral("mail.smtpserver.default.authMethod"));
        }
        return method.value_or(AuthMethodDefault) != AuthMethodNone;
    }

private:
    QString Server(const QString& field) const {
        return p_.Text(QStringLiteral("mail.server.%1.%2").arg(server_, field));
    }
    std::optional<qint64> ServerNumber(const QString& field) const {
        return p_.Number(QStringLiteral("mail.server.%1.%2").arg(server_, field));
    }
    QString ServerReal(const QString& field) const {
        const QString real = Server(QStringLiteral("real") + field);
        return real.isEmpty() ? Server(field) : real;
    }
    QString Identity(const QString& field) const {
        return identity_.isEmpty()
                   ? QString()
                   : p_.Text(QStringLiteral("mail.identity.%1.%2").arg(identity_, field));
    }
    QString Smtp(const QString& field) const {
        return smtp_.isEmpty() ? QString()
                               : p_.Text(QStringLiteral("mail.smtpserver.%1.%2").arg(smtp_, field));
    }

    const PrefsFile& p_;
    QString server_;
    QString identity_;
    QString smtp_;
};

// Another kind of account as the default keeps its identity and outgoing server but offers
// no POP3 values: the user fills them in on page 5 or leaves it unchecked.
void AddAccount(AccountList& accounts, const QString& keyName, const ThunderbirdAccount& a) {
    const bool pop3 = a.IsPop3();
    const QString pop3User = pop3 ? a.User() : QString();
    const bool auth = a.SmtpNeedsLogin();
    const bool usePop3 = auth && !pop3User.isEmpty() && a.SmtpUser() == pop3User;
    accounts.AddAccountEntry(keyName, a.Name(), pop3 ? a.Host() : QString(), pop3 ? a.Port() : 0,
                             pop3User, 0, a.SmtpHost(), a.SmtpPort(), a.Address(), a.FullName(), 0,
                             auth, usePop3, a.SmtpUser(), true,
                             pop3 ? a.Security() : AccountList::UnknownSecurity, a.SmtpSecurity());
}

void AddPlaceholders(AccountList& accounts, qint64 counter) {
    while (accounts.Count() < MinimumEntries) {
        ++counter;
        const QString id = AccountKeyName(counter);
        // The fields start empty and show examples as placeholder text: a placeholder saved
        // as a value would be screened as a real server.
        accounts.AddAccountEntry(id, PlaceholderAccountName(id), QString(), 110, QString(), 60,
                                 QString(), 25, QString(), QString(), 60, false, false, QString(),
                                 false);
    }
}

} // namespace

QString KeyNameOfAccountId(const QString& accountId) {
    static const QRegularExpression pattern(QStringLiteral("^account([0-9]{1,9})$"));
    const QRegularExpressionMatch match = pattern.match(accountId);
    return match.hasMatch() ? AccountKeyName(match.captured(1).toLongLong()) : QString();
}

void AddDiscoveredAccounts(const PrefsFile* prefs, AccountList& accounts) {
    qint64 counter = 0;
    if (prefs != nullptr) {
        const QString defaultId = prefs->Text(QStringLiteral("mail.accountmanager.defaultaccount"));
        QStringList ids;
        for (const QString& id :
             prefs->Text(QStringLiteral("mail.accountmanager.accounts")).split(QLatin1Char(','))) {
            const QString keyName = KeyNameOfAccountId(id.trimmed());
            if (!keyName.isEmpty()) {
                ids.append(id.trimmed());
                counter = std::max(counter, keyName.toLongLong());
            }
        }
        if (ids.contains(defaultId)) {
            AddAccount(accounts, KeyNameOfAccountId(defaultId),
                       ThunderbirdAccount(*prefs, defaultId));
        }
        for (const QString& id : ids) {
            const ThunderbirdAccount account(*prefs, id);
            if (id != defaultId && account.IsPop3() && !account.User().isEmpty()) {
                AddAccount(accounts, KeyNameOfAccountId(id), account);
            }
        }
    }
    AddPlaceholders(accounts, counter > 0 ? counter : NoAccountCounter);
}

void DiscoverAccounts(const QString& home, AccountList& accounts) {
    const QString profile = FindDefaultProfile(home);
    std::optional<PrefsFile> prefs;
    if (!profile.isEmpty()) {
        prefs = PrefsFile::Read(QDir(profile).filePath(QStringLiteral("prefs.js")));
    }
    AddDiscoveredAccounts(prefs ? &*prefs : nullptr, accounts);
}

} // namespace sievra
