#include "ContactListDelegate.h"
#include "WizardBanner.h"
#include "WizardControls.h"
#include "WizardTexts.h"
#include "widgets/AccountForm.h"
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

QWidget* BuildAccountSettingsPage(WizardControls& c) {
    QWidget* page = Page(5);
    QVBoxLayout* column = PageColumn(page);
    c.lblSettings = Heading("lblSettings", QStringLiteral("Account Settings ()"));
    column->addWidget(c.lblSettings);
    column->addWidget(Prose(WizardText::AccountSettingsInstructions()));

    auto* form = new AccountForm(AccountForm::Extras::None);
    c.txtHost = form->txtHost;
    c.txtPOP3Port = form->txtPOP3Port;
    c.cboPOP3Security = form->cboPOP3Security;
    c.txtUser = form->txtUser;
    c.txtPWD = form->txtPWD;
    c.txtSMTP = form->txtSMTP;
    c.txtSMTPPort = form->txtSMTPPort;
    c.cboSMTPSecurity = form->cboSMTPSecurity;
    c.txtEMail = form->txtEMail;
    c.txtDisplayName = form->txtDisplayName;
    c.chkAUTH = form->chkAUTH;
    c.chkUseSame = form->chkUseSame;
    c.lblUser = form->lblSMTPUser;
    c.txtSMTPUser = form->txtSMTPUser;
    c.lblPWD = form->lblSMTPPWD;
    c.txtSMTPPWD = form->txtSMTPPWD;
    c.chkCheckSender = form->chkCheckSender;
    column->addWidget(form);
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
    c.chkRemember = Named<QCheckBox>(
        "chkRemember",
        QStringLiteral("Remember senders who use a code word, so they need it once"));
    c.chkRemember->setChecked(true);
    column->addWidget(c.chkRemember);
    return page;
}

QWidget* BuildFinishedPage(WizardControls& c) {
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
    c.chkPreview = Named<QCheckBox>(
        "chkPreview", QStringLiteral("Try Sievra first: for now, only show what would be deleted"));
    c.chkPreview->setToolTip(QStringLiteral("Nothing is deleted and no reply is sent until you "
                                            "turn Preview off in the Settings"));
    c.chkPreview->setChecked(true);
    column->addWidget(c.chkPreview);
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
                 BuildOptionsPage(c),  BuildFinishedPage(c)};
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
