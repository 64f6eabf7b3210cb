#pragma once

#include <QString>

namespace sievra {

// One mail account as the screening program holds it. Passwords are plain text here; only
// the store holds their protected form.
struct Account {
    QString KeyName;
    QString AccountName;
    QString Pop3User;
    QString Pop3Password;
    QString Pop3Server;
    QString SmtpServer;
    bool RequiresAuth = false;
    QString SmtpAddress;
    QString SmtpDisplayName;
    QString CodeWords;
    QString Hints;
    bool SavePop3Password = false;
    bool Active = false;
    bool UsePop3Login = false;
    QString SmtpUser;
    QString SmtpPassword;
    bool SaveSmtpPassword = false;
    int Pop3Timeout = 0;
    int SmtpTimeout = 0;
    QString Pop3Port;
    QString SmtpPort;
    bool Pop3Tested = false;
    bool SmtpTested = false;
};

// Value names of an account key.
namespace AccountValue {
inline const QString Active = QStringLiteral("Active");
inline const QString AccountName = QStringLiteral("Account Name");
inline const QString Pop3Server = QStringLiteral("POP3 Server");
inline const QString Pop3Port = QStringLiteral("POP3 Port");
inline const QString Pop3User = QStringLiteral("POP3 User Name");
inline const QString Pop3Password = QStringLiteral("POP3 Password");
inline const QString SavePop3Password = QStringLiteral("Save POP3 Password");
inline const QString Pop3Timeout = QStringLiteral("POP3 Timeout");
inline const QString Pop3Tested = QStringLiteral("POP3 Tested");
inline const QString SmtpServer = QStringLiteral("SMTP Server");
inline const QString SmtpPort = QStringLiteral("SMTP Port");
inline const QString SmtpAddress = QStringLiteral("SMTP EMail Address");
inline const QString SmtpDisplayName = QStringLiteral("SMTP Display Name");
inline const QString RequiresAuth = QStringLiteral("Requires AUTH");
inline const QString UsePop3Login = QStringLiteral("Use POP3");
inline const QString SmtpUser = QStringLiteral("SMTP User Name");
inline const QString SmtpPassword = QStringLiteral("SMTP Password");
inline const QString SaveSmtpPassword = QStringLiteral("Save SMTP Password");
inline const QString SmtpTimeout = QStringLiteral("SMTP Timeout");
inline const QString SmtpTested = QStringLiteral("SMTP Tested");
} // namespace AccountValue

} // namespace sievra
