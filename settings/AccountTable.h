#pragma once

#include "SettingsStore.h"

#include <QList>
#include <QString>

namespace sievra {

// How an account value is read and written by the tools that show or edit it by name.
enum class AccountValueKind { Text, Number, Flag, Password, Security, Certificate };

// One value of an account key, in the order the programs write them, with what a new account
// holds (a number for Number, Flag and Security kinds, a text for the others).
struct AccountValueRow {
    QString Name;
    AccountValueKind Kind;
    QString NewText;
    qint32 NewNumber;
};

// Every value of an account key. Both the window and sievra-settings create accounts from it,
// so a headless account is the same as one added in the window.
const QList<AccountValueRow>& AccountValueTable();

// Writes the values of a new account into `key`, in table order.
void WriteNewAccountValues(SettingsKey& key);

// The row of a value name (compared without case), or nothing.
const AccountValueRow* FindAccountValue(const QString& name);

} // namespace sievra
