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
    // How each connection is protected: one of the SecurityValue numbers.
    int Pop3Security = 0;
    int SmtpSecurity = 0;
    // False for an account loaded from a store written before the values existed: its
    // security was guessed from the port, and a server that offers STARTTLS upgrades it.
    bool Pop3SecurityStored = true;
    bool SmtpSecurityStored = true;
    // SHA-256 fingerprints of certificates the user chose to trust for this account although
    // they failed verification ("AB:CD:..."), or empty.
    QString Pop3Certificate;
    QString SmtpCertificate;
    // Why a password kept in the desktop keyring could not be read; such an account is
    // skipped by the pass with this reason on its error line, and nothing else changes.
    QString KeyringError;
    // A stranger who got through with a code word is accepted from then on.
    bool RememberCodeWordSenders = true;
    // A contact's message that the receiving server found forged counts as a stranger's.
    bool CheckSenderAuthentication = true;
    // A message the pass deletes is first copied to the quarantine. The store's default is
    // on (see the loader); a record made in code keeps nothing unless it says so.
    bool KeepDeletedCopies = false;
};

// Stored numbers of "POP3 Security" and "SMTP Security".
namespace SecurityValue {
inline constexpr int None = 0;
inline constexpr int StartTls = 1; // STLS / STARTTLS on the plain port
inline constexpr int Tls = 2;      // TLS from the first byte
} // namespace SecurityValue

// The ports where a server speaks TLS from the first byte.
inline constexpr int Pop3TlsPort = 995;
inline constexpr int SmtpTlsPort = 465;

// The port as the socket reads it: blanks, then the digits ("25x" is 25), or a service name
// from the system's service database ("pop3s" is 995). -1 when it names no port.
int PortNumber(const QString& port);

// The security of an account stored before the value existed: TLS when the port is
// `tlsPort`, else none. So a store written with port 995 or "pop3s" goes on working, and
// nothing changes for the others.
int SecurityForPort(const QString& port, int tlsPort);

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
inline const QString Pop3Security = QStringLiteral("POP3 Security");
inline const QString SmtpSecurity = QStringLiteral("SMTP Security");
inline const QString Pop3Certificate = QStringLiteral("POP3 Certificate");
inline const QString SmtpCertificate = QStringLiteral("SMTP Certificate");
inline const QString KeepDeletedCopies = QStringLiteral("Keep Deleted Copies");
// Set while the password lives in the desktop keyring; the store then keeps no form of it.
inline const QString Pop3PasswordInKeyring = QStringLiteral("POP3 Password In Keyring");
inline const QString SmtpPasswordInKeyring = QStringLiteral("SMTP Password In Keyring");
inline const QString RememberCodeWordSenders = QStringLiteral("Remember Code-Word Senders");
inline const QString CheckSenderAuthentication = QStringLiteral("Check Sender Authentication");
} // namespace AccountValue

} // namespace sievra
