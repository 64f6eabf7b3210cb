#include "WizardAccount.h"
#include "settings/Account.h"

namespace sievra {

namespace {

QString TimeoutText(int seconds) {
    if (seconds == 0) {
        return QStringLiteral("60");
    }
    return QString::number(seconds < 30 ? 30 : seconds);
}

QString PortText(int port, int standard) {
    return QString::number(port == 0 ? standard : port);
}

QString FlagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void AccountList::AddAccountEntry(const QString& keyName, const QString& accountName,
                                  const QString& pop3Server, int pop3Port, const QString& pop3User,
                                  int pop3Timeout, const QString& smtpServer, int smtpPort,
                                  const QString& smtpAddress, const QString& smtpDisplayName,
                                  int smtpTimeout, bool requiresAuth, bool usePop3Login,
                                  const QString& smtpUser, bool checked, int pop3Security,
                                  int smtpSecurity) {
    WizardAccount a;
    a.KeyName = keyName;
    a.AccountName = accountName;
    a.Pop3Server = pop3Server;
    a.Pop3Port = PortText(pop3Port, 110);
    a.Pop3User = pop3User;
    a.Pop3Timeout = TimeoutText(pop3Timeout);
    a.SmtpServer = smtpServer;
    a.SmtpPort = PortText(smtpPort, 25);
    a.SmtpAddress = smtpAddress;
    a.SmtpDisplayName = smtpDisplayName;
    a.SmtpTimeout = TimeoutText(smtpTimeout);
    a.RequiresAuth = FlagText(requiresAuth);
    a.UsePop3Login = FlagText(usePop3Login);
    a.SmtpUser = smtpUser;
    a.Checked = checked;
    a.Pop3Security = pop3Security == UnknownSecurity ? QString() : QString::number(pop3Security);
    a.SmtpSecurity = smtpSecurity == UnknownSecurity ? QString() : QString::number(smtpSecurity);
    entries_.push_back(std::move(a));
}

int EffectiveSecurity(const QString& chosen, const QString& port, int tlsPort) {
    bool ok = false;
    const int number = chosen.toInt(&ok);
    if (ok && number >= SecurityValue::None && number <= SecurityValue::Tls) {
        return number;
    }
    return SecurityForPort(port, tlsPort);
}

QString PlaceholderAccountName(const QString& keyName) {
    return QStringLiteral("< unlisted account ") + keyName + QStringLiteral(" >");
}

} // namespace sievra
