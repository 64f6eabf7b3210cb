#include "WizardTexts.h"

namespace sievra::WizardText {

QString Welcome() {
    return QStringLiteral(
        "<p>This wizard sets up what Sievra needs before it can screen your mail: your "
        "address book, your mail program and your POP3 accounts.</p>"
        "<p>Everything you choose here can be changed later in Sievra's own window.</p>");
}

QString Introduction() {
    return QStringLiteral(
        "<p>Sievra looks into your POP3 mailboxes before your mail program collects them. It "
        "reads only the header of each waiting message and keeps the message when</p>"
        "<ul><li>its sender is in your address book, or</li>"
        "<li>its subject contains one of your <b>code words</b>.</li></ul>"
        "<p>Every other message is deleted on the server, so it never reaches your mail "
        "program.</p>"
        "<p>For each account you can also write a few <b>hints</b>: the sender of a deleted "
        "message then receives a short reply with your hints, so a genuine sender can guess "
        "a code word and write again.</p>"
        "<p><b>Requirements</b></p>"
        "<ul><li>Your address book with the people you want to hear from: Thunderbird's, "
        "Evolution's, KDE's contacts or vCard files. You choose them on the next page.</li>"
        "<li>POP3 mail accounts. IMAP accounts cannot be screened.</li></ul>"
        "<p>Where Thunderbird is set up, the wizard offers its POP3 accounts for you to "
        "confirm. It only reads Thunderbird's settings and never changes them.</p>");
}

QString AddressBookInstructions() {
    return QStringLiteral(
        "Sievra keeps every message from the people in your address book. These are the "
        "address books found here; uncheck any you do not want, or add a vCard file, a folder "
        "of vCards or an address book file. Their contacts are listed below.");
}

QString MailClientInstructions() {
    return QStringLiteral(
        "<p>When new mail is waiting, Sievra can start your mail program for you. The wizard "
        "has filled in the program your desktop opens for e-mail links; click "
        "<b>Change..</b> to choose another one.</p>"
        "<p>This setting is optional: leave it empty if Sievra should not start a mail "
        "program.</p>");
}

QString AccountsInstructions() {
    return QStringLiteral(
        "<p>Please check each account that you want to use in Sievra.</p>"
        "<p>The POP3 accounts of your Thunderbird profile come first. For an account that "
        "is not listed, check one of the <i>&lt; unlisted account &gt;</i> entries and fill in "
        "its settings on the next page.</p>");
}

QString AccountSettingsInstructions() {
    return QStringLiteral(
        "The values below come from Thunderbird where it knows the account; check them and "
        "fill in what is missing. A password left empty is not saved: Sievra asks for it "
        "when it runs.");
}

QString CodeWordsExplained() {
    return QStringLiteral(
        "<p><b>Code words</b> let people who are not in your address book reach you. A "
        "message whose subject contains one of your code words is always kept, whoever sent "
        "it; capitals do not matter. Pick words that nobody types by chance, such as "
        "<i>bluekestrel</i> or the name of your choir.</p>"
        "<p><b>Hints</b> are clues to your code words. When Sievra deletes a message, it "
        "sends the sender a reply with your reply text and your hints. A friend writing from "
        "a new address reads the hint, thinks of the code word and writes again with it in "
        "the subject. Never put a code word itself into a hint.</p>"
        "<p><b>Why replies to strangers are harmless:</b> almost all unwanted mail comes from "
        "made-up or abandoned addresses, so the replies go nowhere, and nobody who sends mail "
        "in bulk reads them. A reply reveals nothing but your hints. An account without "
        "hints sends no replies at all.</p>"
        "<p>Click <b>Next</b> to enter the code words and hints of this account.</p>");
}

QString OptionsInstructions() {
    return QStringLiteral(
        "Write one code word or hint per line. Code words could be <i>bluekestrel</i> or "
        "<i>harbour7</i>; matching hints: <i>The bird on our kitchen calendar</i> or "
        "<i>Where we sailed last summer, and the month</i>.");
}

QString Advice() {
    return QStringLiteral(
        "<ul><li>Connect to the internet before you run Sievra: it has to reach your mail "
        "servers.</li>"
        "<li>Add the senders whose mail you value to your address book. Their messages are "
        "always kept, with or without a code word.</li>"
        "<li>Turn on automatic mode to let Sievra sit in the notification area and screen "
        "your mailboxes every few minutes.</li>"
        "<li>Run Sievra before your mail program collects new mail, so unwanted messages "
        "are gone before they arrive.</li></ul>"
        "<p>Click <b>Save</b> to save these settings and launch Sievra.</p>");
}

} // namespace sievra::WizardText
