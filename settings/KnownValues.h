#pragma once

#include "AccountTable.h"
#include "SettingsStore.h"

#include <QList>
#include <QString>

namespace sievra {

// One value of the product key: its name, how it is stored and what the first run writes.
struct ProductValueRow {
    QString Name;
    AccountValueKind Kind; // Text, Number or Flag
    QString Default;
    QString Meaning;
};

// The single values of the product key (the numbered lists "Header n", "Footer n",
// "Address Book n" and "Allowed Sender n" are text values beside them).
const QList<ProductValueRow>& ProductValueTable();

// Why a value of this name may not be stored with this type at `keyPath`, naming the type it
// needs ("\"POP3 Port\" is stored as text: use --text"); empty when the name is unknown
// there or the type is right. Key paths and names compare without case.
QString StoredTypeProblem(const QString& keyPath, const QString& name, ValueType type);

} // namespace sievra
