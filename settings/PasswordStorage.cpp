#include "PasswordStorage.h"

#include "Account.h"
#include "Keyring.h"
#include "PasswordCipher.h"
#include "SettingsStore.h"
#include "StoreLayout.h"

#include <vector>

namespace sievra {

namespace {

namespace V = AccountValue;

const QString& ValueName(PasswordKind kind) {
    return kind == PasswordKind::Pop3 ? V::Pop3Password : V::SmtpPassword;
}

const QString& FlagName(PasswordKind kind) {
    return kind == PasswordKind::Pop3 ? V::Pop3PasswordInKeyring : V::SmtpPasswordInKeyring;
}

QString KeyNameOf(const SettingsKey& key) {
    return key.Path().section(QLatin1Char('\\'), -1);
}

QString KeyringFailure(const QString& why) {
    return QStringLiteral("The desktop keyring could not be reached: ") + why;
}

// One saved password on its way from one place to the other.
struct Moving {
    QString KeyName;
    PasswordKind Kind;
    QString Plain;
};

// Every password saved in the place that is not `target`, read into memory; false with the
// reason when one cannot be read.
bool CollectPasswords(SettingsStore& store, PasswordPlace target, std::vector<Moving>& out,
                      QString& error) {
    const auto product = store.OpenKey(ProductKey);
    if (!product) {
        return true;
    }
    for (const QString& name : product->SubkeyNames()) {
        const auto key = store.OpenKey(AccountKeyPath(name));
        if (!key) {
            continue;
        }
        for (const PasswordKind kind : {PasswordKind::Pop3, PasswordKind::Smtp}) {
            const bool inKeyring = key->ReadFlag(FlagName(kind));
            if (target == PasswordPlace::Keyring && !inKeyring) {
                const QString stored = key->ReadText(ValueName(kind));
                if (!stored.isEmpty()) {
                    try {
                        out.push_back({name, kind, DecodePassword(stored)});
                    } catch (const PasswordError& e) {
                        error = QStringLiteral("account %1: %2").arg(name, e.Message());
                        return false;
                    }
                }
            } else if (target == PasswordPlace::Store && inKeyring) {
                const Keyring::Result read = Keyring::Read(KeyringEntry(name, kind));
                if (read.Status != Keyring::Outcome::Ok) {
                    error = read.Status == Keyring::Outcome::NotFound
                                ? QStringLiteral("the keyring holds no password for account %1")
                                      .arg(name)
                                : KeyringFailure(read.Error);
                    return false;
                }
                out.push_back({name, kind, read.Password});
            }
        }
    }
    return true;
}

// Writes the collected passwords into the keyring; on a failure takes back what it wrote.
bool WriteToKeyring(const std::vector<Moving>& moving, QString& error) {
    for (size_t i = 0; i < moving.size(); ++i) {
        const Keyring::Result written =
            Keyring::Write(KeyringEntry(moving[i].KeyName, moving[i].Kind), moving[i].Plain);
        if (written.Status != Keyring::Outcome::Ok) {
            error = KeyringFailure(written.Error);
            for (size_t j = 0; j < i; ++j) {
                Keyring::Remove(KeyringEntry(moving[j].KeyName, moving[j].Kind));
            }
            return false;
        }
    }
    return true;
}

} // namespace

QString PasswordPlaceName(PasswordPlace place) {
    return place == PasswordPlace::Keyring ? QStringLiteral("Keyring")
                                           : QStringLiteral("Settings Store");
}

std::optional<PasswordPlace> PasswordPlaceFromName(const QString& name) {
    for (const PasswordPlace place : {PasswordPlace::Keyring, PasswordPlace::Store}) {
        if (name.compare(PasswordPlaceName(place), Qt::CaseInsensitive) == 0) {
            return place;
        }
    }
    return std::nullopt;
}

PasswordPlace ChosenPasswordPlace(SettingsStore& store) {
    const auto product = store.OpenKey(ProductKey);
    if (product) {
        if (const auto place = PasswordPlaceFromName(product->ReadText(PasswordStorageValue))) {
            return *place;
        }
    }
    return Keyring::Answers() ? PasswordPlace::Keyring : PasswordPlace::Store;
}

QString KeyringEntry(const QString& keyName, PasswordKind kind) {
    return keyName +
           (kind == PasswordKind::Pop3 ? QStringLiteral("/POP3") : QStringLiteral("/SMTP"));
}

void SavePassword(SettingsStore& store, SettingsKey& key, PasswordKind kind, const QString& plain) {
    const QString entry = KeyringEntry(KeyNameOf(key), kind);
    const bool wasInKeyring = key.ReadFlag(FlagName(kind));
    const PasswordPlace place = plain.isEmpty() ? PasswordPlace::Store : ChosenPasswordPlace(store);
    if (place == PasswordPlace::Keyring) {
        const Keyring::Result written = Keyring::Write(entry, plain);
        if (written.Status != Keyring::Outcome::Ok) {
            throw StoreError(KeyringFailure(written.Error));
        }
        store.InTransaction([&] {
            key.WriteText(ValueName(kind), QString());
            key.WriteFlag(FlagName(kind), true);
        });
        return;
    }
    store.InTransaction([&] {
        key.WriteText(ValueName(kind), plain.isEmpty() ? QString() : EncodePassword(plain));
        if (wasInKeyring) {
            key.WriteFlag(FlagName(kind), false);
        }
    });
    if (wasInKeyring) {
        // Left behind only when the keyring is gone; the store no longer points at it.
        Keyring::Remove(entry);
    }
}

bool AnyPasswordInKeyring(SettingsStore& store) {
    const auto product = store.OpenKey(ProductKey);
    const QStringList names = product ? product->SubkeyNames() : QStringList();
    for (const QString& name : names) {
        const auto key = store.OpenKey(AccountKeyPath(name));
        if (key &&
            (key->ReadFlag(V::Pop3PasswordInKeyring) || key->ReadFlag(V::SmtpPasswordInKeyring))) {
            return true;
        }
    }
    return false;
}

MoveResult MovePasswords(SettingsStore& store, PasswordPlace target) {
    MoveResult result;
    std::vector<Moving> moving;
    if (!CollectPasswords(store, target, moving, result.Error)) {
        return result;
    }
    if (target == PasswordPlace::Keyring && !WriteToKeyring(moving, result.Error)) {
        return result;
    }
    store.InTransaction([&] {
        store.OpenKey(ProductKey, true)->WriteText(PasswordStorageValue, PasswordPlaceName(target));
        for (const Moving& m : moving) {
            auto key = store.OpenKey(AccountKeyPath(m.KeyName));
            const bool toKeyring = target == PasswordPlace::Keyring;
            key->WriteText(ValueName(m.Kind), toKeyring ? QString() : EncodePassword(m.Plain));
            key->WriteFlag(FlagName(m.Kind), toKeyring);
        }
    });
    if (target == PasswordPlace::Store) {
        for (const Moving& m : moving) {
            const QString entry = KeyringEntry(m.KeyName, m.Kind);
            if (Keyring::Remove(entry).Status != Keyring::Outcome::Ok) {
                result.Warning = QStringLiteral("the keyring still holds %1").arg(entry);
            }
        }
    }
    result.Ok = true;
    result.Moved = static_cast<int>(moving.size());
    return result;
}

} // namespace sievra
