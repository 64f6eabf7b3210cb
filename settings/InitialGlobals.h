#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

class SettingsStore;

// The reply text every user starts with.
inline const QString InitialSubject = QStringLiteral("Your message was deleted!");
QStringList InitialHeaderLines();
QStringList InitialFooterLines();

// Writes the global values of first settings (creating the product key): what the wizard
// writes, and what sievra-settings writes when an account is added to a store without any.
void WriteInitialGlobals(SettingsStore& store, const QString& wabFile, const QString& mailClient);

} // namespace sievra
