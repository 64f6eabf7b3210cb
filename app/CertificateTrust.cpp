// A server certificate that failed verification, shown to the user with the choice to trust
// exactly it for the one account.
#include "AccountNode.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "net/TlsTrust.h"
#include "settings/SettingsStore.h"

#include <QTreeWidgetItem>

namespace sievra {

namespace {

QString Describe(const Account& account, CertificateServer server,
                 const QSslCertificate& certificate) {
    const bool pop3 = server == CertificateServer::Pop3;
    const QString pinned = pop3 ? account.Pop3Certificate : account.SmtpCertificate;
    const QString what = pinned.isEmpty()
                             ? QStringLiteral("could not be verified")
                             : QStringLiteral("is not the one you trusted for this account");
    return QStringLiteral("The certificate of the %1 server %2 of account \"%3\" %4.\n\n"
                          "Subject: %5\nIssuer: %6\nValid from %7 to %8\nSHA-256: %9")
        .arg(pop3 ? QStringLiteral("POP3") : QStringLiteral("SMTP"),
             pop3 ? account.Pop3Server : account.SmtpServer, account.AccountName, what,
             certificate.subjectDisplayName(), certificate.issuerDisplayName(),
             certificate.effectiveDate().toString(Qt::ISODate),
             certificate.expiryDate().toString(Qt::ISODate), CertificateFingerprint(certificate));
}

} // namespace

// Asked only while the window is on screen: a hidden automatic pass must not pop up boxes
// every few minutes; its error line stays in the status list.
void TfrmMain::CertificateRefused(const Account& account, CertificateServer server,
                                  const QSslCertificate& certificate) {
    if (!isVisible() || !dialogs_.TrustCertificate(Describe(account, server, certificate))) {
        return;
    }
    const bool pop3 = server == CertificateServer::Pop3;
    const QString fingerprint = CertificateFingerprint(certificate);
    for (int i = 0; i < settingsNode_->childCount(); ++i) {
        AccountNode* node = AsAccountNode(settingsNode_->child(i));
        if (node == nullptr || node->Record.KeyName != account.KeyName) {
            continue;
        }
        WriteAccount(node, [&](SettingsKey& key) {
            key.WriteText(pop3 ? AccountValue::Pop3Certificate : AccountValue::SmtpCertificate,
                          fingerprint);
            (pop3 ? node->Record.Pop3Certificate : node->Record.SmtpCertificate) = fingerprint;
        });
    }
}

} // namespace sievra
