#include "AccountForm.h"

#include "NamedControls.h"
#include "PasswordEdit.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace sievra {

namespace {

SpinEdit* TimeoutSpin(const QString& name, QWidget* parent) {
    auto* spin = Named(new SpinEdit(30, 999, 60, parent), name,
                       QStringLiteral("Seconds to wait for server response before cancelling"));
    spin->setSuffix(QStringLiteral(" s"));
    spin->setMinimumWidth(80);
    return spin;
}

// The connection security beside a port; an entry's index is the number the store keeps.
QComboBox* SecurityChoice(const QString& name, const QString& hint, QWidget* parent) {
    auto* choice = Named(new QComboBox(parent), name, hint);
    choice->addItems({QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")});
    return choice;
}

} // namespace

AccountForm::AccountForm(Extras extras, QWidget* parent)
    : QWidget(parent)
    , column_(new QVBoxLayout(this)) {
    const bool withExtras = extras == Extras::TimeoutsAndSaving;
    column_->setContentsMargins(0, 0, 0, 0);
    QGroupBox* incoming = BuildIncoming(withExtras);
    QGroupBox* outgoing = BuildOutgoing(withExtras);
    column_->addWidget(incoming);
    column_->addWidget(outgoing);
    BuildSenderCheck();
    AlignColumns(static_cast<QGridLayout*>(incoming->layout()),
                 static_cast<QGridLayout*>(outgoing->layout()));
    SetTabOrder();
}

QGroupBox* AccountForm::BuildIncoming(bool extras) {
    auto* group =
        Named(new QGroupBox(QStringLiteral("Incoming Mail"), this), QStringLiteral("grpIncoming"));
    txtHost = Edit(QStringLiteral("txtHost"), QStringLiteral("Incoming eMail server"), group,
                   QStringLiteral("pop.example.org"));
    txtPOP3Port =
        Edit(QStringLiteral("txtPOP3Port"), QStringLiteral("POP3 port (default 110)"), group);
    cboPOP3Security = SecurityChoice(
        QStringLiteral("cboPOP3Security"),
        QStringLiteral("Encryption: TLS on port 995, STARTTLS on port 110, or none"), group);
    txtUser = Edit(QStringLiteral("txtUser"), QStringLiteral("User ID for this POP3 account"),
                   group, QStringLiteral("your user name"));
    txtPWD = Named(new PasswordEdit(group), QStringLiteral("txtPWD"),
                   QStringLiteral("User Password for this POP3 account"));
    if (extras) {
        spnPOP3TimeOut = TimeoutSpin(QStringLiteral("spnPOP3TimeOut"), group);
        chkSavePWD =
            Named(new QCheckBox(QStringLiteral("Save password"), group),
                  QStringLiteral("chkSavePWD"), QStringLiteral("Click to save this password"));
    }
    auto* grid = new QGridLayout(group);
    LayOutIncoming(grid, group);
    return group;
}

void AccountForm::LayOutIncoming(QGridLayout* in, QWidget* group) {
    in->addWidget(
        Caption(QStringLiteral("lblHost"), QStringLiteral("POP3 Server:"), txtHost, group), 0, 0);
    in->addWidget(txtHost, 0, 1);
    in->addWidget(
        Caption(QStringLiteral("lblPOP3Port"), QStringLiteral("Port:"), txtPOP3Port, group), 0, 2);
    in->addWidget(txtPOP3Port, 0, 3);
    in->addWidget(cboPOP3Security, 0, 4);
    in->addWidget(Caption(QStringLiteral("lblUser"), QStringLiteral("User ID:"), txtUser, group), 1,
                  0);
    in->addWidget(txtUser, 1, 1);
    if (spnPOP3TimeOut != nullptr) {
        in->addWidget(Caption(QStringLiteral("lblPOP3TimeOut"), QStringLiteral("Timeout:"),
                              spnPOP3TimeOut, group),
                      1, 2);
        in->addWidget(spnPOP3TimeOut, 1, 3);
    }
    in->addWidget(Caption(QStringLiteral("lblPWD"), QStringLiteral("Password:"), txtPWD, group), 2,
                  0);
    in->addWidget(txtPWD, 2, 1);
    if (chkSavePWD != nullptr) {
        in->addWidget(chkSavePWD, 2, 2, 1, 2);
    }
    in->setColumnStretch(1, 1);
}

QGroupBox* AccountForm::BuildOutgoing(bool extras) {
    auto* group =
        Named(new QGroupBox(QStringLiteral("Outgoing Mail"), this), QStringLiteral("grpOutgoing"));
    txtSMTP = Edit(QStringLiteral("txtSMTP"), QStringLiteral("Outgoing eMail server"), group,
                   QStringLiteral("smtp.example.org"));
    txtSMTPPort =
        Edit(QStringLiteral("txtSMTPPort"), QStringLiteral("SMTP port (default 25)"), group);
    cboSMTPSecurity = SecurityChoice(
        QStringLiteral("cboSMTPSecurity"),
        QStringLiteral("Encryption: TLS on port 465, STARTTLS on ports 25 and 587, or none"),
        group);
    txtEMail = Edit(QStringLiteral("txtEMail"), QStringLiteral("EMail address mail is sent from"),
                    group, QStringLiteral("you@example.org"));
    txtDisplayName = Edit(QStringLiteral("txtDisplayName"),
                          QStringLiteral("Name to display in recipients From column"), group,
                          QStringLiteral("Your Name"));
    chkAUTH = Named(new QCheckBox(QStringLiteral("Server requires authentication"), group),
                    QStringLiteral("chkAUTH"),
                    QStringLiteral("SMTP server requires login with id and password"));
    chkUseSame = Named(new QCheckBox(QStringLiteral("Use POP3 ID/Password"), group),
                       QStringLiteral("chkUseSame"),
                       QStringLiteral("ID and password are the same as POP3 server"));
    txtSMTPUser =
        Edit(QStringLiteral("txtSMTPUser"), QStringLiteral("User ID for SMTP server"), group);
    txtSMTPPWD = Named(new PasswordEdit(group), QStringLiteral("txtSMTPPWD"),
                       QStringLiteral("Password for SMTP server"));
    lblSMTPUser =
        Caption(QStringLiteral("lblSMTPUser"), QStringLiteral("User ID:"), txtSMTPUser, group);
    lblSMTPPWD =
        Caption(QStringLiteral("lblSMTPPWD"), QStringLiteral("Password:"), txtSMTPPWD, group);
    if (extras) {
        spnSMTPTimeOut = TimeoutSpin(QStringLiteral("spnSMTPTimeOut"), group);
        chkSaveSMTPPWD =
            Named(new QCheckBox(QStringLiteral("Save"), group), QStringLiteral("chkSaveSMTPPWD"),
                  QStringLiteral("Click to save password"));
    }
    auto* grid = new QGridLayout(group);
    LayOutOutgoing(grid, group);
    return group;
}

void AccountForm::LayOutOutgoing(QGridLayout* out, QWidget* group) {
    out->addWidget(
        Caption(QStringLiteral("lblSMTP"), QStringLiteral("SMTP Server:"), txtSMTP, group), 0, 0);
    out->addWidget(txtSMTP, 0, 1);
    out->addWidget(
        Caption(QStringLiteral("lblSMTPPort"), QStringLiteral("Port:"), txtSMTPPort, group), 0, 2);
    out->addWidget(txtSMTPPort, 0, 3);
    out->addWidget(cboSMTPSecurity, 0, 4);
    out->addWidget(
        Caption(QStringLiteral("lblEMail"), QStringLiteral("EMail Address:"), txtEMail, group), 1,
        0);
    out->addWidget(txtEMail, 1, 1);
    if (spnSMTPTimeOut != nullptr) {
        out->addWidget(Caption(QStringLiteral("lblSMTPTimeOut"), QStringLiteral("Timeout:"),
                               spnSMTPTimeOut, group),
                       1, 2);
        out->addWidget(spnSMTPTimeOut, 1, 3);
    }
    out->addWidget(Caption(QStringLiteral("lblDisplayName"), QStringLiteral("Display Name:"),
                           txtDisplayName, group),
                   2, 0);
    out->addWidget(txtDisplayName, 2, 1);
    auto* auth = new QHBoxLayout;
    auth->addWidget(chkAUTH);
    auth->addSpacing(16);
    auth->addWidget(chkUseSame);
    auth->addStretch();
    out->addLayout(auth, 3, 0, 1, 4);
    out->addWidget(lblSMTPUser, 4, 0);
    out->addWidget(txtSMTPUser, 4, 1);
    out->addWidget(lblSMTPPWD, 5, 0);
    out->addWidget(txtSMTPPWD, 5, 1);
    if (chkSaveSMTPPWD != nullptr) {
        out->addWidget(chkSaveSMTPPWD, 5, 2, 1, 2);
    }
    out->setColumnStretch(1, 1);
}

// Both groups line their captions and short fields up in the same columns.
void AccountForm::AlignColumns(QGridLayout* in, QGridLayout* out) {
    const QFontMetrics metrics = fontMetrics();
    const int captionWidth = metrics.horizontalAdvance(QStringLiteral("EMail Address:")) + 12;
    const int shortCaptionWidth = metrics.horizontalAdvance(QStringLiteral("Timeout:")) + 12;
    for (QGridLayout* grid : {in, out}) {
        grid->setColumnMinimumWidth(0, captionWidth);
        grid->setColumnMinimumWidth(2, shortCaptionWidth);
    }
    for (QWidget* shortField :
         {static_cast<QWidget*>(txtPOP3Port), static_cast<QWidget*>(spnPOP3TimeOut),
          static_cast<QWidget*>(txtSMTPPort), static_cast<QWidget*>(spnSMTPTimeOut)}) {
        if (shortField != nullptr) {
            shortField->setFixedWidth(96);
        }
    }
}

void AccountForm::BuildSenderCheck() {
    chkCheckSender =
        Named(new QCheckBox(QStringLiteral("Check sender authentication"), this),
              QStringLiteral("chkCheckSender"),
              QStringLiteral("A contact's message that your mail server found forged (DMARC, or "
                             "DKIM and SPF, failed) is treated as a stranger's"));
    auto* note = Named(new QLabel(QStringLiteral("A contact's address on a message your mail "
                                                 "server found forged does not let it through."),
                                  this),
                       QStringLiteral("lblCheckSender"), QString());
    note->setWordWrap(true);
    column_->addWidget(chkCheckSender);
    column_->addWidget(note);
}

// Tab goes row by row, as the fields are read.
void AccountForm::SetTabOrder() {
    const QList<QWidget*> all = {txtHost,        txtPOP3Port,     cboPOP3Security, txtUser,
                                 spnPOP3TimeOut, txtPWD,          chkSavePWD,      txtSMTP,
                                 txtSMTPPort,    cboSMTPSecurity, txtEMail,        spnSMTPTimeOut,
                                 txtDisplayName, chkAUTH,         chkUseSame,      txtSMTPUser,
                                 txtSMTPPWD,     chkSaveSMTPPWD,  chkCheckSender};
    QWidget* previous = nullptr;
    for (QWidget* w : all) {
        if (w == nullptr) {
            continue;
        }
        if (previous != nullptr) {
            setTabOrder(previous, w);
        }
        previous = w;
    }
}

} // namespace sievra
