#pragma once

#include <QString>

namespace sievra::WizardText {

// The read-only prose of the pages, as rich text.
QString Welcome();
QString Introduction();
QString AddressBookInstructions();
QString MailClientInstructions();
QString AccountsInstructions();
QString AccountSettingsInstructions();
QString CodeWordsExplained();
QString OptionsInstructions();
QString Advice();

} // namespace sievra::WizardText
