#include "ContactListDelegate.h"
#include "WizardBanner.h"
#include "WizardControls.h"
#include "WizardTexts.h"
#include "widgets/PasswordEdit.h"
#include "widgets/PathLabel.h"
#include "widgets/ReadableColour.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace sievra {

namespace {

constexpr int PageWidth = 592;
constexpr int PageHeight = 345;

template <typename T, typename... Args> T* Named(const char* name, Args&&... args) {
    T* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A label in its colour, lightened on a dark palette so it stays readable.
void SetReadableColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ReadableOn(colour, palette.color(QPalette::Window)));
    label->setPalette(palette);
}

QLabel* Heading(const char* name, const QString& text) {
    auto* label = Named<QLabel>(name, text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    label->setFont(font);
    SetReadableColour(label, QColor(0x1b, 0x4f, 0x8a));
    label->setWordWrap(true);
    return label;
}

QLabel* Prose(const QString& richText) {
    auto* label = new QLabel(richText);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QTextBrowser* ScrollingProse(const QString& richText) {
    auto* text = new QTextBrowser;
    text->setHtml(richText);
    text->setOpenLinks(false);
    text->setFocusPolicy(Qt::StrongFocus);
    return text;
}

QLabel* Caption(const char* name, const QString& text) {
    auto* label = Named<QLabel>(name, text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QWidget* Page(int number) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pnlPage%1").arg(number));
    page->setMinimumSize(PageWidth, PageHeight);
    return page;
}

QVBoxLayout* PageColumn(QWidget* page) {
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 16, 20, 8);
    column->setSpacing(10);
    return column;
}

// Pages 1 and 8: the picture strip on the left, the texts beside it.
QVBoxLayout* BannerColumn(QWidget* page) {
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(new WizardBanner);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(20, 16, 20, 8);
    column->setSpacing(10);
    row->addLayout(column, 1);
    return column;
}

QPushButton* ChangeButton(const char* name) {
    auto* button = Named<QPushButton>(name, QStringLiteral("Change.."));
    button->setMinimumSize(75, 25);
    return button;
}

QWidget* PathGroup(const QString& title, PathLabel* label, QPushButton* button) {
    auto* group = new QGroupBox(title);
    auto* row = new QHBoxLayout(group);
    // Looks like a read-only field: the path is chosen with the button, not typed.
    label->setStyleSheet(QStringLiteral("background: palette(base); border: 1px solid "
                                        "palette(mid); border-radius: 2px; padding: 0 4px;"));
    label->setMinimumHeight(button->sizeHint().height());
    row->addWidget(label, 1);
    row->addWidget(button);
    return group;
}

QWidget* BuildWelcomePage(WizardControls& c) {
    QWidget* page = Page(1);
    QVBoxLayout* column = BannerColumn(page);
    column->addWidget(Heading("Label1", QStringLiteral("Welcome to the Sievra Configuration "
                                                       "Wizard!")));
    column->addWidget(Prose(WizardText::Welcome()));
    c.lblExisting = Named<QLabel>(
        "lblExisting", QStringLiteral("Sievra is already set up on this computer. The pages "
                                      "start from your current settings, and Save changes only "
                                      "what they show: the address book, the mail client and "
                                      "the accounts ticked on page 4 (an account you untick "
                                      "there is removed)."));
    c.lblExisting->setWordWrap(true);
    QFont bold = c.lblExisting->font();
    bold.setBold(true);
    c.lblExisting->setFont(bold);
    c.lblExisting->hide();
    column->addWidget(c.lblExisting);
    column->addWidget(Caption("Label2", QStringLiteral("Introduction:")));
    column->addWidget(ScrollingProse(WizardText::Introduction()), 1);
    return page;
}

QWidget* BuildAddressBookPage(WizardControls& c) {
    QWidget* page = Page(2);
    QVBoxLayout* column = PageColumn(page);
    column->addWidget(Heading("Label38", QStringLiteral("Your contacts")));
    column->addWidget(Prose(WizardText::AddressBookInstructions()));
    auto* sources = new QGroupBox(QStringLiteral(" Address Books "));
    auto* sourceRow = new QHBoxLayout(sources);
    c.lstSources = Named<QListWidget>("lstSources");
    c.lstSources->setMaximumHeight(84);
    c.butAddFile = ChangeButton("butAddFile");
    c.butAddFile->setText(QStringLiteral("Add file.."));
    c.butAddFolder = ChangeButton("butAddFolder");
    c.butAddFolder->setText(QStringLiteral("Add folder.."));
    c.butRemove = ChangeButton("butRemove");
    c.butRemove->setText(QStringLiteral("Remove"));
    auto* sourceButtons = new QVBoxLayout;
    sourceButtons->setSpacing(2);
    sourceButtons->addWidget(c.butAddFile);
    sourceButtons->addWidget(c.butAddFolder);
    sourceButtons->addWidget(c.butRemove);
    sourceButtons->addStretch(1);
    sourceRow->addWidget(c.lstSources, 1);
    sourceRow->addLayout(sourceButtons);
    column->addWidget(sources);
    auto* contacts = new QGroupBox(QStringLiteral(" Current Contacts "));
    auto* inner = new QVBoxLayout(contacts);
    c.lstContacts = Named<QListWidget>("lstContacts");
    c.lstContacts->setItemDelegate(new ContactListDelegate(c.lstContacts));
    c.lstContacts->setUniformItemSizes(true);
    c.lstContacts->setMinimumHeight(90);
    inner->addWidget(c.lstContacts);
    column->addWidget(contacts, 1);
    return page;
}

QWidget* BuildMailClientPage(WizardControls& c) {
    QWidget* page = Page(3);
    QVBoxLayout* column = PageColumn(page);
    column->addWidget(Heading("Label3", QStringLiteral("EMail Client File Location")));
    column->addWidget(Prose(WizardText::MailClientInstructions()));
    c.lblEMailClient = Named<PathLabel>("lblEMailClient");
    c.butChangeEMailClient = ChangeButton("butChangeEMailClient");
    column->addWidget(PathGroup(QStringLiteral(" EMail Client Executable File "), c.lblEMailClient,
                                c.butChangeEMailClient));
    column->addStretch(1);
    return page;
}

QWidget* BuildAccountsPage(WizardControls& c) {
    QWidget* page = Page(4);
    QVBoxLayout* column = PageColumn(page);
    column->addWidget(Heading("Label36", QStringLiteral("POP3 Accounts")));
    column->addWidget(Prose(WizardText::AccountsInstructions()));
    c.lstAccounts = Named<QListWidget>("lstAccounts");
    column->addWidget(c.lstAccounts, 1);
    return page;
}

QLineEdit* Field(const char* name) {
    auto* field = Named<QLineEdit>(name);
    field->setMinimumWidth(60);
    return field;
}

QLineEdit* PasswordField(const char* name) {
    auto* field = Named<PasswordEdit>(name);
    field->setMinimumWidth(60);
    return field;
}

QLabel* FieldLabel(const QString& text, QLineEdit* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

// The connection security beside a port; an entry's index is the number the store keeps.
QComboBox* SecurityChoice(const char* name, const QString& hint) {
    auto* choice = Named<QComboBox>(name);
    choice->addItems({QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")});
    choice->setToolTip(hint);
    return choice;
}

QLabel* SecurityLabel(QComboBox* buddy) {
    auto* label = new QLabel(QStringLiteral("Security:"));
    label->setBuddy(buddy);
    return label;
}

QWidget* BuildAccountSettingsPage(WizardControls& c) {
    QWidget* page = Page(5);
    QVBoxLayout* column = PageColumn(page);
    c.lblSettings = Heading("lblSettings", QStringLiteral("Account Settings ()"));
    column->addWidget(c.lblSettings);
    column->addWidget(Prose(WizardText::AccountSettingsInstructions()));

    c.txtHost = Field("txtHost");
    c.txtHost->setPlaceholderText(QStringLiteral("pop.example.org"));
    c.txtPOP3Port = Field("txtPOP3Port");
    c.cboPOP3Security = SecurityChoice(
        "cboPOP3Security", QStringLiteral("Encryption: TLS on port 995, STARTTLS on port 110"));
    c.txtUser = Field("txtUser");
    c.txtUser->setPlaceholderText(QStringLiteral("your user name"));
    c.txtPWD = PasswordField("txtPWD");
    c.txtSMTP = Field("txtSMTP");
    c.txtSMTP->setPlaceholderText(QStringLiteral("smtp.example.org"));
    c.txtSMTPPort = Field("txtSMTPPort");
    c.cboSMTPSecurity =
        SecurityChoice("cboSMTPSecurity",
                       QStringLiteral("Encryption: TLS on port 465, STARTTLS on ports 25 and 587"));
    c.txtEMail = Field("txtEMail");
    c.txtEMail->setPlaceholderText(QStringLiteral("you@example.org"));
    c.txtDisplayName = Field("txtDisplayName");
    c.txtDisplayName->setPlaceholderText(QStringLiteral("Your Name"));
    c.chkAUTH = Named<QCheckBox>("chkAUTH", QStringLiteral("Server requires authentication"));
    c.chkUseSame = Named<QCheckBox>("chkUseSame", QStringLiteral("Use POP3 User ID / Password"));
    c.chkCheckSender =
        Named<QCheckBox>("chkCheckSender", QStringLiteral("Check sender authentication"));
    QLabel* checkSenderNote = Named<QLabel>(
        "lblCheckSender", QStringLiteral("A contact's address on a message your mail server "
                                         "found forged does not let it through."));
    checkSenderNote->setWordWrap(true);
    c.txtSMTPUser = Field("txtSMTPUser");
    c.txtSMTPPWD = PasswordField("txtSMTPPWD");
    c.lblUser = Named<QLabel>("lblUser", QStringLiteral("User ID:"));
    c.lblUser->setBuddy(c.txtSMTPUser);
    c.lblPWD = Named<QLabel>("lblPWD", QStringLiteral("Password:"));
    c.lblPWD->setBuddy(c.txtSMTPPWD);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setColumnMinimumWidth(2, 70);
    int row = 0;
    grid->addWidget(Caption("lblIncoming", QStringLiteral("Incoming Mail (POP3)")), row++, 0, 1, 4);
    grid->addWidget(FieldLabel(QStringLiteral("POP3 Host Server:"), c.txtHost), row, 0);
    grid->addWidget(c.txtHost, row, 1);
    grid->addWidget(FieldLabel(QStringLiteral("Port:"), c.txtPOP3Port), row, 2, Qt::AlignRight);
    grid->addWidget(c.txtPOP3Port, row++, 3);
    grid->addWidget(SecurityLabel(c.cboPOP3Security), row, 2, Qt::AlignRight);
    grid->addWidget(c.cboPOP3Security, row++, 3);
    grid->addWidget(FieldLabel(QStringLiteral("User ID:"), c.txtUser), row, 0);
    grid->addWidget(c.txtUser, row, 1);
    grid->addWidget(FieldLabel(QStringLiteral("Password:"), c.txtPWD), row, 2, Qt::AlignRight);
    grid->addWidget(c.txtPWD, row++, 3);
    grid->setRowMinimumHeight(row++, 6);
    grid->addWidget(Caption("lblOutgoing", QStringLiteral("Outgoing Mail (SMTP)")), row++, 0, 1, 4);
    grid->addWidget(FieldLabel(QStringLiteral("SMTP Host Server:"), c.txtSMTP), row, 0);
    grid->addWidget(c.txtSMTP, row, 1);
    grid->addWidget(FieldLabel(QStringLiteral("Port:"), c.txtSMTPPort), row, 2, Qt::AlignRight);
    grid->addWidget(c.txtSMTPPort, row++, 3);
    grid->addWidget(SecurityLabel(c.cboSMTPSecurity), row, 2, Qt::AlignRight);
    grid->addWidget(c.cboSMTPSecurity, row++, 3);
    grid->addWidget(FieldLabel(QStringLiteral("Reply-To EMail Address:"), c.txtEMail), row, 0);
    grid->addWidget(c.txtEMail, row, 1);
    grid->addWidget(FieldLabel(QStringLiteral("Display Name:"), c.txtDisplayName), row, 2,
                    Qt::AlignRight);
    grid->addWidget(c.txtDisplayName, row++, 3);
    grid->addWidget(c.chkAUTH, row, 0, 1, 2);
    grid->addWidget(c.chkUseSame, row++, 2, 1, 2);
    grid->addWidget(c.lblUser, row, 0);
    grid->addWidget(c.txtSMTPUser, row, 1);
    grid->addWidget(c.lblPWD, row, 2, Qt::AlignRight);
    grid->addWidget(c.txtSMTPPWD, row++, 3);
    grid->setRowMinimumHeight(row++, 6);
    grid->addWidget(c.chkCheckSender, row++, 0, 1, 4);
    grid->addWidget(checkSenderNote, row++, 0, 1, 4);
    column->addLayout(grid);
    c.lblMissing = Named<QLabel>("lblMissing");
    c.lblMissing->setWordWrap(true);
    SetReadableColour(c.lblMissing, QColor(0xc0, 0x27, 0x1b));
    column->addWidget(c.lblMissing);
    column->addStretch(1);
    return page;
}

QWidget* BuildCodeWordsIntroPage() {
    QWidget* page = Page(6);
    QVBoxLayout* column = PageColumn(page);
    column->addWidget(Heading("Label6", QStringLiteral("Account Options - Code Words / Hints")));
    QLabel* warning = Caption("Label5", QStringLiteral("Please read before continuing:"));
    SetReadableColour(warning, QColor(0xc0, 0x27, 0x1b));
    column->addWidget(warning);
    column->addWidget(ScrollingProse(WizardText::CodeWordsExplained()), 1);
    return page;
}

QPlainTextEdit* Memo(const char* name) {
    auto* memo = Named<QPlainTextEdit>(name);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setTabChangesFocus(true);
    return memo;
}

QWidget* MemoGroup(const QString& title, QPlainTextEdit* memo) {
    auto* group = new QGroupBox(title);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(memo);
    return group;
}

QWidget* BuildOptionsPage(WizardControls& c) {
    QWidget* page = Page(7);
    QVBoxLayout* column = PageColumn(page);
    c.lblOptions = Heading("lblOptions", QStringLiteral("Account Options ()"));
    column->addWidget(c.lblOptions);
    column->addWidget(Prose(WizardText::OptionsInstructions()));
    c.memCodeWords = Memo("memCodeWords");
    c.memHints = Memo("memHints");
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addWidget(MemoGroup(QStringLiteral(" Code Words "), c.memCodeWords), 2);
    row->addWidget(MemoGroup(QStringLiteral(" Hints  "), c.memHints), 3);
    column->addLayout(row, 1);
    return page;
}

QWidget* BuildFinishedPage() {
    QWidget* page = Page(8);
    QVBoxLayout* column = BannerColumn(page);
    column->addWidget(Heading("Label18", QStringLiteral("Finished!")));
    QLabel* done =
        Named<QLabel>("Label7", QStringLiteral("You now have the configuration necessary to "
                                               "run Sievra!"));
    done->setWordWrap(true);
    column->addWidget(done);
    column->addWidget(Caption("Label9", QStringLiteral("Things to consider before running "
                                                       "Sievra:")));
    column->addWidget(ScrollingProse(WizardText::Advice()), 1);
    return page;
}

QPushButton* BottomButton(const char* name, const QString& text) {
    auto* button = Named<QPushButton>(name, text);
    button->setMinimumSize(75, 25);
    return button;
}

} // namespace

WizardControls BuildWizardPages(QDialog* window) {
    WizardControls c;
    c.Pages = new QStackedWidget;
    c.Pages->setObjectName(QStringLiteral("pages"));
    c.Pages->setMinimumSize(PageWidth, PageHeight);
    c.pnlPage = {BuildWelcomePage(c),  BuildAddressBookPage(c),     BuildMailClientPage(c),
                 BuildAccountsPage(c), BuildAccountSettingsPage(c), BuildCodeWordsIntroPage(),
                 BuildOptionsPage(c),  BuildFinishedPage()};
    for (QWidget* page : c.pnlPage) {
        c.Pages->addWidget(page);
    }

    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    c.butPrevious = BottomButton("butPrevious", QStringLiteral("< &Previous"));
    c.butNext = BottomButton("butNext", QStringLiteral("&Next >"));
    c.butCancel = BottomButton("butCancel", QStringLiteral("&Cancel"));
    c.butNext->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 12);
    buttons->addStretch(1);
    buttons->addWidget(c.butPrevious);
    buttons->addWidget(c.butNext);
    buttons->addSpacing(12);
    buttons->addWidget(c.butCancel);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(c.Pages, 1);
    layout->addWidget(separator);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    return c;
}

} // namespace sievra
