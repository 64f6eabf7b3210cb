// The "Password Storage" choice of the general panel: changing it moves every saved password.
#include "MainPanels.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "settings/PasswordStorage.h"
#include "settings/StoreError.h"

#include <QComboBox>

namespace sievra {

namespace {

constexpr int KeyringIndex = 0;
constexpr int StoreIndex = 1;

} // namespace

void TfrmMain::ShowPasswordStorage() {
    const bool keyring = ChosenPasswordPlace(store_) == PasswordPlace::Keyring;
    pnlGeneral->cboPasswordStorage->setCurrentIndex(keyring ? KeyringIndex : StoreIndex);
}

// All or nothing: after a failure the choice shows where the passwords still are.
void TfrmMain::cboPasswordStorageChange(int index) {
    const PasswordPlace target =
        index == KeyringIndex ? PasswordPlace::Keyring : PasswordPlace::Store;
    MoveResult moved;
    try {
        moved = MovePasswords(store_, target);
    } catch (const StoreError& error) {
        moved.Error = error.Message();
    }
    if (!moved.Ok) {
        dialogs_.Error(QStringLiteral("No password was moved: ") + moved.Error);
    } else if (!moved.Warning.isEmpty()) {
        dialogs_.Warning(QStringLiteral("The passwords were moved, but ") + moved.Warning + '.');
    }
    ShowPasswordStorage();
}

} // namespace sievra
