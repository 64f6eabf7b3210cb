#pragma once

#include "Account.h"
#include "SettingsStore.h"

#include <QList>
#include <QString>
#include <variant>

namespace sievra {

// How an account value is read and written. Text, Password and Certificate are stored as
// text; Number, Flag and Security as integers.
enum class AccountValueKind { Text, Number, Flag, Password, Security, Certificate };

// Which "Tested" flag a change of the value clears: the session must be tested again.
enum class TestedReset { Nothing, Pop3, Smtp };

// The record's field of a value; its type follows the kind (QString for the text kinds, bool
// for Flag, int for Number and Security).
using AccountField = std::variant<QString Account::*, int Account::*, bool Account::*>;

// One value of an account key, in the order the programs write them, with what a new account
// holds (NewText for the text kinds, NewNumber for the others; a Flag missing from a stored
// account reads as its NewNumber too).
struct AccountValueRow {
    QString Name;
    AccountValueKind Kind;
    AccountField Field;
    QString NewText;
    qint32 NewNumber = 0;
    TestedReset Resets = TestedReset::Nothing;
    // One line for people reading a dump or the README.
    QString Meaning;
};

// Every value of an account key. Loading an account, creating one (window, wizard and
// sievra-settings), the account panel and `sievra-settings account show` all go by it, so a
// new value is one row here and a field in Account.
const QList<AccountValueRow>& AccountValueTable();

// The row of a value name (compared without case), or nothing.
const AccountValueRow* FindAccountValue(const QString& name);
// The row of a record field; every field the table names has one.
const AccountValueRow& AccountValueOf(const AccountField& field);

// Whether the kind is stored as text (else as an integer), and the name of that type as
// sievra-settings spells its option.
bool StoredAsText(AccountValueKind kind);

// Writes the values of a new account into `key`, in table order.
void WriteNewAccountValues(SettingsKey& key);
// Writes one row's new-account value.
void WriteNewAccountValue(SettingsKey& key, const AccountValueRow& row);

// Writes the record's value of a row that is not a password (those go through
// SavePassword, which knows about the keyring).
void WriteAccountValue(SettingsKey& key, const AccountValueRow& row, const Account& account);

// Clears the Tested flag a change of `row` calls for, in the record and the key.
void ApplyTestedReset(SettingsKey& key, const AccountValueRow& row, Account& account);

} // namespace sievra
