#include "MainPanels.h"

#include "widgets/EditListBox.h"
#include "widgets/ImageButton.h"
#include "widgets/LineMemo.h"
#include "widgets/NamedControls.h"
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
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sievra {

namespace {

const QSize SmallButton(84, 26);

QGroupBox* Group(const QString& name, const QString& title, QWidget* parent) {
    return Named(new QGroupBox(title, parent), name);
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
    chkPreview = Named(new QCheckBox(QStringLiteral("Preview only: delete nothing, only show what "
                                                    "would be deleted"),
                                     automatic),
                       QStringLiteral("chkPreview"),
                       QStringLiteral("Passes record their decisions in the history, but delete "
                                      "no message and send no reply"));
    autoGrid->addWidget(chkPreview, 2, 0, 1, 2);
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
    : AccountForm(Extras::TimeoutsAndSaving, parent) {
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
    Column()->insertLayout(0, top);
    Column()->insertWidget(1, lblMissing);
    Column()->addStretch();
    setTabOrder(txtAccountName, chkActive);
    setTabOrder(chkActive, txtHost);
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
    auto* row = new QHBoxLayout;
    row->addWidget(codes, 2);
    row->addWidget(hints, 3);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row, 1);
    column->addWidget(BuildLearnedGroup(), 1);
}

// The senders this account remembered because they wrote with a code word.
QGroupBox* CodeWordsPanel::BuildLearnedGroup() {
    auto* box = Group(QStringLiteral("grpLearned"), QStringLiteral(" Learned Senders "), this);
    chkRemember = Named(new QCheckBox(QStringLiteral("Remember Code-Word Senders"), box),
                        QStringLiteral("chkRemember"),
                        QStringLiteral("A stranger who writes with a code word is accepted from "
                                       "then on, without it"));
    lstLearned = Named(new QTreeWidget(box), QStringLiteral("lstLearned"),
                       QStringLiteral("Senders remembered because they used a code word"));
    lstLearned->setHeaderLabels({QStringLiteral("Sender"), QStringLiteral("Learned"),
                                 QStringLiteral("Last Seen"), QStringLiteral("Subject")});
    lstLearned->setRootIsDecorated(false);
    lstLearned->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstLearned->setSortingEnabled(true);
    lstLearned->sortByColumn(0, Qt::AscendingOrder);
    butForgetLearned = MakeImageButton(QStringLiteral("butForgetLearned"), QStringLiteral("Forget"),
                                       QStringLiteral("Forget the selected senders: their next "
                                                      "mail needs a code word again"),
                                       ButtonColour::Remove, SmallButton, box);
    butAllowLearned =
        MakeImageButton(QStringLiteral("butAllowLearned"), QStringLiteral("Allow"),
                        QStringLiteral("Move the selected senders to the Allowed Senders of "
                                       "every account"),
                        ButtonColour::Action, SmallButton, box);
    butForgetLearned->setEnabled(false);
    butAllowLearned->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkRemember);
    buttons->addStretch();
    buttons->addWidget(butAllowLearned);
    buttons->addWidget(butForgetLearned);
    auto* column = new QVBoxLayout(box);
    column->addWidget(lstLearned, 1);
    column->addLayout(buttons);
    return box;
}

} // namespace sievra
