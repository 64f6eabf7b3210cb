#include "AccountTable.h"

namespace sievra {

namespace {

using K = AccountValueKind;
using R = TestedReset;
namespace V = AccountValue;
using A = Account;

AccountValueRow Text(const QString& name, QString A::*field, const QString& text, R resets,
                     const QString& meaning) {
    return {name, K::Text, field, text, 0, resets, meaning};
}
AccountValueRow Flag(const QString& name, bool A::*field, R resets, const QString& meaning) {
    return {name, K::Flag, field, QString(), 0, resets, meaning};
}
// A flag that is on for new accounts and for accounts stored without it.
AccountValueRow FlagOn(const QString& name, bool A::*field, const QString& meaning) {
    return {name, K::Flag, field, QString(), 1, R::Nothing, meaning};
}
AccountValueRow Number(const QString& name, K kind, int A::*field, qint32 number, R resets,
                       const QString& meaning) {
    return {name, kind, field, QString(), number, resets, meaning};
}
AccountValueRow Secret(const QString& name, K kind, QString A::*field, R resets,
                       const QString& meaning) {
    return {name, kind, field, QString(), 0, resets, meaning};
}

} // namespace

const QList<AccountValueRow>& AccountValueTable() {
    // Servers, user and address start empty (the window shows examples as placeholder text):
    // a placeholder stored as a value would be screened as a real server. A new account stays
    // inactive until its POP3 server and user are filled in.
    static const QList<AccountValueRow> table = {
        Flag(V::Active, &A::Active, R::Nothing, QStringLiteral("screened by a pass")),
        Text(V::AccountName, &A::AccountName, QStringLiteral("<New Account>"), R::Nothing,
             QStringLiteral("the name in the account tree")),
        Text(V::Pop3Server, &A::Pop3Server, QString(), R::Pop3,
             QStringLiteral("POP3 host name or address")),
        Text(V::Pop3Port, &A::Pop3Port, QStringLiteral("110"), R::Pop3,
             QStringLiteral("POP3 port number or service name")),
        Text(V::Pop3User, &A::Pop3User, QString(), R::Pop3, QStringLiteral("POP3 user name")),
        Secret(V::Pop3Password, K::Password, &A::Pop3Password, R::Pop3,
               QStringLiteral("POP3 password in its protected form (empty when not saved or "
                              "kept in the keyring)")),
        Flag(V::SavePop3Password, &A::SavePop3Password, R::Nothing,
             QStringLiteral("the POP3 password is kept")),
        Number(V::Pop3Timeout, K::Number, &A::Pop3Timeout, 60, R::Nothing,
               QStringLiteral("seconds to wait for the POP3 server (30 at least)")),
        Flag(V::Pop3Tested, &A::Pop3Tested, R::Nothing,
             QStringLiteral("the POP3 settings passed a connection test")),
        Text(V::SmtpServer, &A::SmtpServer, QString(), R::Smtp,
             QStringLiteral("SMTP host name or address for replies")),
        Text(V::SmtpPort, &A::SmtpPort, QStringLiteral("25"), R::Smtp,
             QStringLiteral("SMTP port number or service name")),
        Text(V::SmtpAddress, &A::SmtpAddress, QString(), R::Nothing,
             QStringLiteral("address replies are sent from")),
        Text(V::SmtpDisplayName, &A::SmtpDisplayName, QString(), R::Nothing,
             QStringLiteral("name replies are sent under")),
        Flag(V::RequiresAuth, &A::RequiresAuth, R::Smtp,
             QStringLiteral("the SMTP server wants AUTH LOGIN")),
        Flag(V::UsePop3Login, &A::UsePop3Login, R::Smtp,
             QStringLiteral("SMTP logs in with the POP3 user and password")),
        Text(V::SmtpUser, &A::SmtpUser, QString(), R::Smtp, QStringLiteral("SMTP user name")),
        Secret(V::SmtpPassword, K::Password, &A::SmtpPassword, R::Smtp,
               QStringLiteral("SMTP password, stored as the POP3 one")),
        Flag(V::SaveSmtpPassword, &A::SaveSmtpPassword, R::Nothing,
             QStringLiteral("the SMTP password is kept")),
        Number(V::SmtpTimeout, K::Number, &A::SmtpTimeout, 60, R::Nothing,
               QStringLiteral("seconds to wait for the SMTP server (30 at least)")),
        Flag(V::SmtpTested, &A::SmtpTested, R::Nothing,
             QStringLiteral("the SMTP settings passed a connection test")),
        // Stored at once, so a port changed later does not change the security behind the
        // user's back at the next start.
        Number(V::Pop3Security, K::Security, &A::Pop3Security, SecurityValue::None, R::Pop3,
               QStringLiteral("0 plain, 1 STARTTLS, 2 TLS; missing: follows the port, and a "
                              "server offering STLS upgrades it")),
        Number(V::SmtpSecurity, K::Security, &A::SmtpSecurity, SecurityValue::None, R::Smtp,
               QStringLiteral("as \"POP3 Security\", for SMTP")),
        Secret(V::Pop3Certificate, K::Certificate, &A::Pop3Certificate, R::Nothing,
               QStringLiteral("SHA-256 fingerprint of a POP3 certificate the user trusts "
                              "although it failed verification")),
        Secret(V::SmtpCertificate, K::Certificate, &A::SmtpCertificate, R::Nothing,
               QStringLiteral("the same for SMTP")),
        // Accounts stored before these values existed get them on, as new ones do.
        FlagOn(V::KeepDeletedCopies, &A::KeepDeletedCopies,
               QStringLiteral("a copy of each deleted message is kept in the quarantine")),
        FlagOn(V::RememberCodeWordSenders, &A::RememberCodeWordSenders,
               QStringLiteral("a stranger kept by a code word is let through from then on")),
        FlagOn(V::CheckSenderAuthentication, &A::CheckSenderAuthentication,
               QStringLiteral("a contact's address on a message the receiving server found "
                              "forged does not let it through")),
    };
    return table;
}

const AccountValueRow* FindAccountValue(const QString& name) {
    for (const AccountValueRow& row : AccountValueTable()) {
        if (row.Name.compare(name, Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

const AccountValueRow& AccountValueOf(const AccountField& field) {
    for (const AccountValueRow& row : AccountValueTable()) {
        if (row.Field == field) {
            return row;
        }
    }
    // Only a field missing from the table gets here, which is a programming error.
    std::abort();
}

bool StoredAsText(AccountValueKind kind) {
    return kind == K::Text || kind == K::Password || kind == K::Certificate;
}

void WriteNewAccountValues(SettingsKey& key) {
    for (const AccountValueRow& row : AccountValueTable()) {
        if (row.Kind != K::Certificate) { // written only once the user trusts a certificate
            WriteNewAccountValue(key, row);
        }
    }
}

void WriteNewAccountValue(SettingsKey& key, const AccountValueRow& row) {
    if (StoredAsText(row.Kind)) {
        key.WriteText(row.Name, row.NewText);
    } else {
        key.WriteNumber(row.Name, row.NewNumber);
    }
}

void WriteAccountValue(SettingsKey& key, const AccountValueRow& row, const Account& account) {
    if (const auto* text = std::get_if<QString A::*>(&row.Field)) {
        key.WriteText(row.Name, account.**text);
    } else if (const auto* flag = std::get_if<bool A::*>(&row.Field)) {
        key.WriteFlag(row.Name, account.**flag);
    } else {
        key.WriteNumber(row.Name, account.*std::get<int A::*>(row.Field));
    }
}

void ApplyTestedReset(SettingsKey& key, const AccountValueRow& row, Account& account) {
    if (row.Resets == R::Nothing) {
        return;
    }
    const bool pop3 = row.Resets == R::Pop3;
    (pop3 ? account.Pop3Tested : account.SmtpTested) = false;
    key.WriteFlag(pop3 ? V::Pop3Tested : V::SmtpTested, false);
}

} // namespace sievra
