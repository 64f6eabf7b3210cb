#pragma once

#include <QString>
#include <vector>

namespace sievra {

// One candidate account of the wizard. Every field is text because page 5 edits them as
// text; they are converted only when the settings are written.
struct WizardAccount {
    QString KeyName;
    QString AccountName;
    QString Pop3Server;
    QString Pop3Port;
    QString Pop3User;
    QString Pop3Password;
    QString Pop3Timeout;
    QString SmtpServer;
    QString SmtpPort;
    QString SmtpAddress;
    QString SmtpDisplayName;
    QString SmtpTimeout;
    QString RequiresAuth; // "1" or "0"
    QString UsePop3Login; // "1" or "0"
    QString SmtpUser;
    QString SmtpPassword;
    // "0" none, "1" STARTTLS, "2" TLS as discovered or chosen on page 5; empty: follows the
    // port (EffectiveSecurity).
    QString Pop3Security;
    QString SmtpSecurity;
    QString CodeWords; // joined list: every entry followed by "|"
    QString Hints;
    // Strangers who write with a code word are accepted from then on.
    bool RememberCodeWordSenders = true;
    // "1" or "0": a contact's message the receiving server found forged counts as a stranger's.
    QString CheckSenderAuthentication = QStringLiteral("1");
    // The check mark of the account's line: only checked accounts are written.
    bool Checked = false;
};

// The wizard's accounts in check-list order. Built once at start-up, never reordered.
class AccountList {
public:
    // Appends one account; time-outs and ports of 0 take their defaults, time-outs below 30
    // become 30, a security of UnknownSecurity follows the port, everything else is kept as
    // passed.
    void AddAccountEntry(const QString& keyName, const QString& accountName,
                         const QString& pop3Server, int pop3Port, const QString& pop3User,
                         int pop3Timeout, const QString& smtpServer, int smtpPort,
                         const QString& smtpAddress, const QString& smtpDisplayName,
                         int smtpTimeout, bool requiresAuth, bool usePop3Login,
                         const QString& smtpUser, bool checked, int pop3Security = UnknownSecurity,
                         int smtpSecurity = UnknownSecurity);
    static constexpr int UnknownSecurity = -1;

    int Count() const { return static_cast<int>(entries_.size()); }
    bool IsEmpty() const { return entries_.empty(); }
    WizardAccount& operator[](int index) { return entries_.at(static_cast<size_t>(index)); }
    const WizardAccount& operator[](int index) const {
        return entries_.at(static_cast<size_t>(index));
    }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::vector<WizardAccount> entries_;
};

// The security an account is written with: the one discovered or chosen ("0", "1", "2"), else
// the one its port stands for (TLS on `tlsPort`, else none).
int EffectiveSecurity(const QString& chosen, const QString& port, int tlsPort);

// The placeholder line offered for an account that discovery did not find.
QString PlaceholderAccountName(const QString& keyName);

} // namespace sievra
