#include "WizardAccount.h"

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
                                  const QString& smtpUser, bool checked) {
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
    entries_.push_back(std::move(a));
}

QString PlaceholderAccountName(const QString& keyName) {
    return QStringLiteral("< unlisted account ") + keyName + QStringLiteral(" >");
}

} // namespace sievra
