#include "ContactSettings.h"

#include "SettingsLoader.h"
#include "SettingsStore.h"
#include "StoreLayout.h"

namespace sievra {

namespace {

QStringList LoadList(SettingsStore& store, const QString& prefix) {
    const auto key = store.OpenKey(ProductKey);
    return key ? LoadLines(*key, prefix) : QStringList();
}

} // namespace

QStringList LoadAddressBooks(SettingsStore& store) {
    return LoadList(store, AddressBookPrefix);
}

void SaveAddressBooks(SettingsStore& store, const QStringList& paths) {
    SaveLines(store, AddressBookPrefix, paths);
}

QStringList LoadAllowedSenders(SettingsStore& store) {
    return LoadList(store, AllowedSenderPrefix);
}

void SaveAllowedSenders(SettingsStore& store, const QStringList& entries) {
    SaveLines(store, AllowedSenderPrefix, entries);
}

bool AddAllowedSender(SettingsStore& store, const QString& entry) {
    bool held = false;
    store.InTransaction([&] {
        auto key = store.OpenKey(ProductKey);
        if (!key) {
            return;
        }
        const QStringList entries = LoadLines(*key, AllowedSenderPrefix);
        held = entries.contains(entry, Qt::CaseInsensitive) ||
               key->WriteText(AllowedSenderPrefix + QString::number(entries.size() + 1), entry);
    });
    return held;
}

} // namespace sievra
