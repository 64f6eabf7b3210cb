#include "MainPanels.h"

#include "widgets/EditListBox.h"
#include "widgets/ImageButton.h"
#include "widgets/LineMemo.h"
#include "widgets/PasswordEdit.h"
#include "widgets/PathLabel.h"
#include "widgets/SpinEdit.h"
#include "widgets/StatusList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QVBoxLayout>

namespace sievra {

namespace {

const QSize SmallButton(84, 26);

template <typename W> W* Named(W* widget, const QString& name, const QString& hint = QString()) {
    widget->setObjectName(name);
    if (!hint.isEmpty()) {
        widget->setToolTip(hint);
    }
    return widget;
}

QLabel* Caption(const QString& name, const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* Edit(const QString& name, const QString& hint, QWidget* parent) {
    return Named(new QLineEdit(parent), name, hint);
}

QGroupBox* Group(const QString& name, const QString& title, QWidget* parent) {
    return Named(new QGroupBox(title, parent), name);
}

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

ImageButton* MakeImageButton(const QString& name, const QString& caption, const QString& hint,
                             unsigned colour, QSize size, QWidget* parent) {
    auto* button = Named(new ImageButton(parent), name, hint);
    button->SetCaption(caption, size, QColor(QRgb(colour)));
    return button;
}

GeneralPanel::GeneralPanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("pnlGeneral"));

    auto* automatic = Group(QStringLiteral("grpAutomatic"), QStringLiteral(" Processing "), this);
    chkAuto = Named(new QCheckBox(QStringLiteral("Run Automatically"), automatic),
                    QStringLiteral("chkAuto"),
                    QStringLiteral("Process EMail automatically in the background"));
    spnInterval = Named(new SpinEdit(1, 999, 10, automatic), QStringLiteral("spnInterval"),
                        QStringLiteral("Enter interval in minutes"));
    spnInterval->setEnabled(false);
    spnInterval->setMinimumWidth(70);
    chkAutoLoad =
        Named(new QCheckBox(QStringLiteral("Load at startup"), automatic),
              QStringLiteral("chkAutoLoad"), QStringLiteral("Launch program at Windows startup"));
    auto* every = new QHBoxLayout;
    every->addWidget(
        Caption(QStringLiteral("lblEvery"), QStringLiteral("Every "), spnInterval, automatic));
    every->addWidget(spnInterval);
    every->addWidget(
        Caption(QStringLiteral("lblMinutes"), QStringLiteral("minutes"), spnInterval, automatic));
    every->addStretch();
    auto* autoGrid = new QGridLayout(automatic);
    autoGrid->addWidget(chkAuto, 0, 0);
    autoGrid->addLayout(every, 0, 1);
    autoGrid->addWidget(chkAutoLoad, 1, 0);
    autoGrid->setColumnStretch(1, 1);

    auto* notify =
        Group(QStringLiteral("grpNotify"), QStringLiteral(" New Mail Notification "), this);
    chkBeep = Named(new QCheckBox(QStringLiteral("Audio Notification"), notify),
                    QStringLiteral("chkBeep"), QStringLiteral("Sound a BEEP when mail arrives"));
    chkBeep->setEnabled(false);
    chkVisual =
        Named(new QCheckBox(QStringLiteral("Pop-up message"), notify), QStringLiteral("chkVisual"),
              QStringLiteral("Pop-up a message window when mail arrives"));
    auto* notifyRow = new QHBoxLayout(notify);
    notifyRow->addWidget(chkBeep);
    notifyRow->addSpacing(24);
    notifyRow->addWidget(chkVisual);
    notifyRow->addStretch();

    auto pathRow = [this](const QString& group, const QString& title, PathLabel*& label,
                          const QString& labelName, ImageButton*& button, const QString& buttonName,
                          const QString& hint) {
        auto* box = Group(group, title, this);
        label = Named(new PathLabel(box), labelName);
        // Looks like a read-only field: the path is chosen with the button, not typed.
        label->setStyleSheet(QStringLiteral("QLabel { background: palette(base); border: 1px "
                                            "solid palette(mid); border-radius: 3px; "
                                            "padding: 0 5px; }"));
        label->setMinimumHeight(SmallButton.height());
        button = MakeImageButton(buttonName, QStringLiteral("C&hange..."), hint,
                                 ButtonColour::Action, SmallButton, box);
        auto* row = new QHBoxLayout(box);
        row->addWidget(label, 1);
        row->addWidget(button);
        return box;
    };
    auto* client = pathRow(QStringLiteral("grpEMailClient"), QStringLiteral(" EMail Client "),
                           lblEMailClient, QStringLiteral("lblEMailClient"), butChangeEMailClient,
                           QStringLiteral("butChangeEMailClient"),
                           QStringLiteral("Click to change EMail Client selection"));
    butClearEMailClient =
        MakeImageButton(QStringLiteral("butClearEMailClient"), QStringLiteral("Clea&r"),
                        QStringLiteral("No mail client: Get Mail is not offered"),
                        ButtonColour::Quiet, SmallButton, client);
    client->layout()->addWidget(butClearEMailClient);

    auto* passwords = Group(QStringLiteral("grpPasswords"), QStringLiteral(" Passwords "), this);
    cboPasswordStorage =
        Named(new QComboBox(passwords), QStringLiteral("cboPasswordStorage"),
              QStringLiteral("Where saved passwords are kept; changing it moves all of them"));
    cboPasswordStorage->addItems(
        {QStringLiteral("Desktop keyring"), QStringLiteral("Settings file (protected form)")});
    auto* passwordRow = new QHBoxLayout(passwords);
    passwordRow->addWidget(Caption(QStringLiteral("lblPasswordStorage"),
                                   QStringLiteral("Password Storage: "), cboPasswordStorage,
                                   passwords));
    passwordRow->addWidget(cboPasswordStorage);
    passwordRow->addStretch();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(automatic);
    column->addWidget(notify);
    column->addWidget(client);
    column->addWidget(passwords);
    column->addLayout(BuildContactRow(), 1);
}

// Sources on the left, allowed senders on the right: together they make the accepted set.
QHBoxLayout* GeneralPanel::BuildContactRow() {
    auto* sources = Group(QStringLiteral("grpSources"), QStringLiteral(" Contacts "), this);
    lstSources = Named(new QListWidget(sources), QStringLiteral("lstSources"),
                       QStringLiteral("Where Sievra reads the senders you know"));
    butAddSourceFile =
        MakeImageButton(QStringLiteral("butAddSourceFile"), QStringLiteral("Add File..."),
                        QStringLiteral("Add an address book or vCard file"), ButtonColour::Action,
                        SmallButton, sources);
    butAddSourceFolder = MakeImageButton(
        QStringLiteral("butAddSourceFolder"), QStringLiteral("Add Folder..."),
        QStringLiteral("Add a folder of vCard files"), ButtonColour::Action, SmallButton, sources);
    butRemoveSource = MakeImageButton(QStringLiteral("butRemoveSource"), QStringLiteral("Remove"),
                                      QStringLiteral("Stop reading the selected source"),
                                      ButtonColour::Remove, SmallButton, sources);
    butRemoveSource->setEnabled(false);
    auto* sourceButtons = new QHBoxLayout;
    sourceButtons->addWidget(butAddSourceFile);
    sourceButtons->addWidget(butAddSourceFolder);
    sourceButtons->addWidget(butRemoveSource);
    sourceButtons->addStretch();
    auto* sourceColumn = new QVBoxLayout(sources);
    sourceColumn->addWidget(lstSources, 1);
    sourceColumn->addLayout(sourceButtons);

    auto* allowed = Group(QStringLiteral("grpAllowed"), QStringLiteral(" Allowed Senders "), this);
    lstAllowed = Named(new EditListBox(allowed), QStringLiteral("lstAllowed"),
                       QStringLiteral("Double-click to edit: an address, @domain for one "
                                      "domain, *.domain for it and its subdomains"));
    lstAllowed->SetEntryTitle(QStringLiteral("New Sender"));
    butAddAllowed = MakeImageButton(QStringLiteral("butAddAllowed"), QStringLiteral("Add"),
                                    QStringLiteral("Add an allowed sender"), ButtonColour::Action,
                                    SmallButton, allowed);
    butDeleteAllowed = MakeImageButton(QStringLiteral("butDeleteAllowed"), QStringLiteral("Delete"),
                                       QStringLiteral("Delete the selected allowed sender"),
                                       ButtonColour::Remove, SmallButton, allowed);
    butDeleteAllowed->setEnabled(false);
    auto* allowedButtons = new QHBoxLayout;
    allowedButtons->addWidget(butAddAllowed);
    allowedButtons->addWidget(butDeleteAllowed);
    allowedButtons->addStretch();
    auto* allowedColumn = new QVBoxLayout(allowed);
    allowedColumn->addWidget(lstAllowed, 1);
    allowedColumn->addLayout(allowedButtons);

    auto* row = new QHBoxLayout;
    row->addWidget(sources, 3);
    row->addWidget(allowed, 2);
    return row;
}

MessagePanel::MessagePanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("pnlMessage"));
    txtSubject =
        Edit(QStringLiteral("txtSubject"), QStringLiteral("Enter desired Subject Line text"), this);
    memHeader = Named(new LineMemo(this), QStringLiteral("memHeader"),
                      QStringLiteral("Edit/enter text that appears above hints"));
    memFooter = Named(new LineMemo(this), QStringLiteral("memFooter"),
                      QStringLiteral("Edit/enter text that appears below hints"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(
        Caption(QStringLiteral("lblSubject"), QStringLiteral("Subject:"), txtSubject, this));
    column->addWidget(txtSubject);
    column->addSpacing(6);
    column->addWidget(
        Caption(QStringLiteral("lblHeader"), QStringLiteral("Header:"), memHeader, this));
    column->addWidget(memHeader, 3);
    column->addSpacing(6);
    column->addWidget(
        Caption(QStringLiteral("lblFooter"), QStringLiteral("Footer:"), memFooter, this));
    column->addWidget(memFooter, 1);
}

StatusPanel::StatusPanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("pnlStatus"));
    lblDateTime = Named(new QLabel(QStringLiteral("Status"), this), QStringLiteral("lblDateTime"));
    QFont heading = lblDateTime->font();
    heading.setBold(true);
    lblDateTime->setFont(heading);
    lstTasks = Named(new StatusList(this), QStringLiteral("lstTasks"));
    lblStatus = Named(new QLabel(this), QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setFixedWidth(400);
    pbStatus = Named(new QProgressBar(this), QStringLiteral("pbStatus"));
    pbStatus->setRange(0, 100);
    pbStatus->setValue(0);
    pbStatus->setTextVisible(false);
    pbStatus->setFixedHeight(16);
    pbStatus->hide();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus);
    bottom->addWidget(pbStatus, 1);
    bottom->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(lblDateTime);
    column->addWidget(lstTasks, 1);
    column->addLayout(bottom);
}

AccountPanel::AccountPanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("pnlAccount"));
    txtAccountName =
        Edit(QStringLiteral("txtAccountName"), QStringLiteral("Name of this account"), this);
    chkActive = Named(new QCheckBox(QStringLiteral("Active"), this), QStringLiteral("chkActive"),
                      QStringLiteral("Check here to include this account in processing"));
    lblMissing = Named(new QLabel(QStringLiteral("Fill in the POP3 server and user ID to make "
                                                 "this account active."),
                                  this),
                       QStringLiteral("lblMissing"));
    lblMissing->setWordWrap(true);
    lblMissing->hide();
    auto* top = new QHBoxLayout;
    top->addWidget(Caption(QStringLiteral("lblAccountName"), QStringLiteral("Account &Name:"),
                           txtAccountName, this));
    top->addWidget(txtAccountName, 1);
    top->addSpacing(12);
    top->addWidget(chkActive);

    auto* incoming = Group(QStringLiteral("grpIncoming"), QStringLiteral("Incoming Mail"), this);
    txtHost = Edit(QStringLiteral("txtHost"), QStringLiteral("Incoming eMail server"), incoming);
    txtHost->setPlaceholderText(QStringLiteral("pop.example.org"));
    txtPOP3Port =
        Edit(QStringLiteral("txtPOP3Port"), QStringLiteral("POP3 port (default 110)"), incoming);
    cboPOP3Security = SecurityChoice(
        QStringLiteral("cboPOP3Security"),
        QStringLiteral("Encryption: TLS on port 995, STARTTLS on port 110, or none"), incoming);
    txtUser =
        Edit(QStringLiteral("txtUser"), QStringLiteral("User ID for this POP3 account"), incoming);
    txtUser->setPlaceholderText(QStringLiteral("your user name"));
    txtPWD = Named(new PasswordEdit(incoming), QStringLiteral("txtPWD"),
                   QStringLiteral("User Password for this POP3 account"));
    spnPOP3TimeOut = TimeoutSpin(QStringLiteral("spnPOP3TimeOut"), incoming);
    chkSavePWD = Named(new QCheckBox(QStringLiteral("Save password"), incoming),
                       QStringLiteral("chkSavePWD"), QStringLiteral("Click to save this password"));
    auto* in = new QGridLayout(incoming);
    in->addWidget(
        Caption(QStringLiteral("lblHost"), QStringLiteral("POP3 Server:"), txtHost, incoming), 0,
        0);
    in->addWidget(txtHost, 0, 1);
    in->addWidget(
        Caption(QStringLiteral("lblPOP3Port"), QStringLiteral("Port:"), txtPOP3Port, incoming), 0,
        2);
    in->addWidget(txtPOP3Port, 0, 3);
    in->addWidget(cboPOP3Security, 0, 4);
    in->addWidget(Caption(QStringLiteral("lblUser"), QStringLiteral("User ID:"), txtUser, incoming),
                  1, 0);
    in->addWidget(txtUser, 1, 1);
    in->addWidget(Caption(QStringLiteral("lblPOP3TimeOut"), QStringLiteral("Timeout:"),
                          spnPOP3TimeOut, incoming),
                  1, 2);
    in->addWidget(spnPOP3TimeOut, 1, 3);
    in->addWidget(Caption(QStringLiteral("lblPWD"), QStringLiteral("Password:"), txtPWD, incoming),
                  2, 0);
    in->addWidget(txtPWD, 2, 1);
    in->addWidget(chkSavePWD, 2, 2, 1, 2);
    in->setColumnStretch(1, 1);

    auto* outgoing = Group(QStringLiteral("grpOutgoing"), QStringLiteral("Outgoing Mail"), this);
    txtSMTP = Edit(QStringLiteral("txtSMTP"), QStringLiteral("Outgoing eMail server"), outgoing);
    txtSMTP->setPlaceholderText(QStringLiteral("smtp.example.org"));
    txtSMTPPort =
        Edit(QStringLiteral("txtSMTPPort"), QStringLiteral("SMTP port (default 25)"), outgoing);
    cboSMTPSecurity = SecurityChoice(
        QStringLiteral("cboSMTPSecurity"),
        QStringLiteral("Encryption: TLS on port 465, STARTTLS on ports 25 and 587, or none"),
        outgoing);
    spnSMTPTimeOut = TimeoutSpin(QStringLiteral("spnSMTPTimeOut"), outgoing);
    txtEMail = Edit(QStringLiteral("txtEMail"), QStringLiteral("EMail address mail is sent from"),
                    outgoing);
    txtEMail->setPlaceholderText(QStringLiteral("you@example.org"));
    txtDisplayName = Edit(QStringLiteral("txtDisplayName"),
                          QStringLiteral("Name to display in recipients From column"), outgoing);
    chkAUTH = Named(new QCheckBox(QStringLiteral("Server requires authentication"), outgoing),
                    QStringLiteral("chkAUTH"),
                    QStringLiteral("SMTP server requires login with id and password"));
    chkUseSame = Named(new QCheckBox(QStringLiteral("Use POP3 ID/Password"), outgoing),
                       QStringLiteral("chkUseSame"),
                       QStringLiteral("ID and password are the same as POP3 server"));
    txtSMTPUser =
        Edit(QStringLiteral("txtSMTPUser"), QStringLiteral("User ID for SMTP server"), outgoing);
    txtSMTPPWD = Named(new PasswordEdit(outgoing), QStringLiteral("txtSMTPPWD"),
                       QStringLiteral("Password for SMTP server"));
    chkSaveSMTPPWD =
        Named(new QCheckBox(QStringLiteral("Save"), outgoing), QStringLiteral("chkSaveSMTPPWD"),
              QStringLiteral("Click to save password"));
    lblSMTPUser =
        Caption(QStringLiteral("lblSMTPUser"), QStringLiteral("User ID:"), txtSMTPUser, outgoing);
    lblSMTPPWD =
        Caption(QStringLiteral("lblSMTPPWD"), QStringLiteral("Password:"), txtSMTPPWD, outgoing);

    auto* out = new QGridLayout(outgoing);
    out->addWidget(
        Caption(QStringLiteral("lblSMTP"), QStringLiteral("SMTP Server:"), txtSMTP, outgoing), 0,
        0);
    out->addWidget(txtSMTP, 0, 1);
    out->addWidget(
        Caption(QStringLiteral("lblSMTPPort"), QStringLiteral("Port:"), txtSMTPPort, outgoing), 0,
        2);
    out->addWidget(txtSMTPPort, 0, 3);
    out->addWidget(cboSMTPSecurity, 0, 4);
    out->addWidget(
        Caption(QStringLiteral("lblEMail"), QStringLiteral("EMail Address:"), txtEMail, outgoing),
        1, 0);
    out->addWidget(txtEMail, 1, 1);
    out->addWidget(Caption(QStringLiteral("lblSMTPTimeOut"), QStringLiteral("Timeout:"),
                           spnSMTPTimeOut, outgoing),
                   1, 2);
    out->addWidget(spnSMTPTimeOut, 1, 3);
    out->addWidget(Caption(QStringLiteral("lblDisplayName"), QStringLiteral("Display Name:"),
                           txtDisplayName, outgoing),
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
    out->addWidget(chkSaveSMTPPWD, 5, 2, 1, 2);
    out->setColumnStretch(1, 1);

    chkCheckSender =
        Named(new QCheckBox(QStringLiteral("Check sender authentication"), this),
              QStringLiteral("chkCheckSender"),
              QStringLiteral("A contact's message that your mail server found forged (DMARC, or "
                             "DKIM and SPF, failed) is treated as a stranger's"));
    auto* checkSenderNote = Named(new QLabel(QStringLiteral("A contact's address on a message your "
                                                            "mail server found forged does not "
                                                            "let it through."),
                                             this),
                                  QStringLiteral("lblCheckSender"));
    checkSenderNote->setWordWrap(true);

    // Both groups line their captions and short fields up in the same columns.
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
        shortField->setFixedWidth(96);
    }
    // Tab goes row by row, as the fields are read.
    const QList<QWidget*> order = {txtAccountName,  chkActive,      txtHost,        txtPOP3Port,
                                   cboPOP3Security, txtUser,        spnPOP3TimeOut, txtPWD,
                                   chkSavePWD,      txtSMTP,        txtSMTPPort,    cboSMTPSecurity,
                                   txtEMail,        spnSMTPTimeOut, txtDisplayName, chkAUTH,
                                   chkUseSame,      txtSMTPUser,    txtSMTPPWD,     chkSaveSMTPPWD,
                                   chkCheckSender};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addWidget(lblMissing);
    column->addWidget(incoming);
    column->addWidget(outgoing);
    column->addWidget(chkCheckSender);
    column->addWidget(checkSenderNote);
    column->addStretch();
}

CodeWordsPanel::CodeWordsPanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("pnlCodeWords"));
    auto listGroup = [this](const QString& group, const QString& title, EditListBox*& list,
                            const QString& listName, const QString& listHint,
                            const QString& entryTitle, ImageButton*& add, const QString& addName,
                            const QString& addHint, ImageButton*& del, const QString& delName,
                            const QString& delHint) {
        auto* box = Group(group, title, this);
        list = Named(new EditListBox(box), listName, listHint);
        list->SetEntryTitle(entryTitle);
        add = MakeImageButton(addName, QStringLiteral("Add"), addHint, ButtonColour::Action,
                              SmallButton, box);
        del = MakeImageButton(delName, QStringLiteral("Delete"), delHint, ButtonColour::Remove,
                              SmallButton, box);
        del->setEnabled(false);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(add);
        buttons->addWidget(del);
        buttons->addStretch();
        auto* column = new QVBoxLayout(box);
        column->addWidget(list, 1);
        column->addLayout(buttons);
        return box;
    };
    auto* codes =
        listGroup(QStringLiteral("grpCodes"), QStringLiteral(" Code Words "), lstCodes,
                  QStringLiteral("lstCodes"), QStringLiteral("Double-click to edit a Code Word"),
                  QStringLiteral("New Code Word"), butAdd, QStringLiteral("butAdd"),
                  QStringLiteral("Add a new Code Word"), butDelete, QStringLiteral("butDelete"),
                  QStringLiteral("Delete the selected Code Word"));
    auto* hints = listGroup(
        QStringLiteral("grpHints"), QStringLiteral(" Hints "), lstHints, QStringLiteral("lstHints"),
        QStringLiteral("Double-click to edit a Hint"), QStringLiteral("New Hint"), butAddHint,
        QStringLiteral("butAddHint"), QStringLiteral("Add a new Hint"), butDeleteHint,
        QStringLiteral("butDeleteHint"), QStringLiteral("Delete the selected Hint"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(codes, 2);
    row->addWidget(hints, 3);
}

} // namespace sievra
