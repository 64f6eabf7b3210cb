#include "AccountTable.h"

#include "Account.h"

namespace sievra {

namespace {

using K = AccountValueKind;
namespace V = AccountValue;

AccountValueRow TextRow(const QString& name, const QString& text) {
    return {name, K::Text, text, 0};
}
AccountValueRow NumberRow(const QString& name, AccountValueKind kind, qint32 number) {
    return {name, kind, QString(), number};
}

} // namespace

const QList<AccountValueRow>& AccountValueTable() {
    // Servers, user and address start empty (the window shows examples as placeholder text):
    // a placeholder stored as a value would be screened as a real server. A new account stays
    // inactive until its POP3 server and user are filled in.
    static const QList<AccountValueRow> table = {
        NumberRow(V::Active, K::Flag, 0),
        TextRow(V::AccountName, QStringLiteral("<New Account>")),
        TextRow(V::Pop3Server, QString()),
        TextRow(V::Pop3Port, QStringLiteral("110")),
        TextRow(V::Pop3User, QString()),
        {V::Pop3Password, K::Password, QString(), 0},
        NumberRow(V::SavePop3Password, K::Flag, 0),
        NumberRow(V::Pop3Timeout, K::Number, 60),
        NumberRow(V::Pop3Tested, K::Flag, 0),
        TextRow(V::SmtpServer, QString()),
        TextRow(V::SmtpPort, QStringLiteral("25")),
        TextRow(V::SmtpAddress, QString()),
        TextRow(V::SmtpDisplayName, QString()),
        NumberRow(V::RequiresAuth, K::Flag, 0),
        NumberRow(V::UsePop3Login, K::Flag, 0),
        TextRow(V::SmtpUser, QString()),
        {V::SmtpPassword, K::Password, QString(), 0},
        NumberRow(V::SaveSmtpPassword, K::Flag, 0),
        NumberRow(V::SmtpTimeout, K::Number, 60),
        NumberRow(V::SmtpTested, K::Flag, 0),
        // Stored at once, so a port changed later does not change the security behind the
        // user's back at the next start.
        NumberRow(V::Pop3Security, K::Security, SecurityValue::None),
        NumberRow(V::SmtpSecurity, K::Security, SecurityValue::None),
        {V::Pop3Certificate, K::Certificate, QString(), 0},
        {V::SmtpCertificate, K::Certificate, QString(), 0},
        NumberRow(V::CheckSenderAuthentication, K::Flag, 1),
        NumberRow(V::KeepDeletedCopies, K::Flag, 1),
    };
    return table;
}

void WriteNewAccountValues(SettingsKey& key) {
    for (const AccountValueRow& row : AccountValueTable()) {
        if (row.Kind == K::Certificate) {
            continue; // written only once the user trusts a certificate
        }
        if (row.Kind == K::Text || row.Kind == K::Password) {
            key.WriteText(row.Name, row.NewText);
        } else {
            key.WriteNumber(row.Name, row.NewNumber);
        }
    }
}

const AccountValueRow* FindAccountValue(const QString& name) {
    for (const AccountValueRow& row : AccountValueTable()) {
        if (row.Name.compare(name, Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace sievra
