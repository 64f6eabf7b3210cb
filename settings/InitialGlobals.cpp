#include "InitialGlobals.h"

#include "GlobalSettings.h"
#include "SettingsLoader.h"
#include "SettingsStore.h"
#include "StoreLayout.h"

namespace sievra {

QStringList InitialHeaderLines() {
    return {QStringLiteral("Your email message was deleted at the server because your email"),
            QStringLiteral("address is not in our list of approved (non-SPAM) senders. To "),
            QStringLiteral("qualify for addition into this list, please reply using a subject "
                           "line "),
            QStringLiteral("containing a \"code word\" matching one of these hints:")};
}

QStringList InitialFooterLines() {
    return {QStringLiteral("(This message generated automatically by Sievra)")};
}

void WriteInitialGlobals(SettingsStore& store, const QString& wabFile, const QString& mailClient) {
    store.InTransaction([&] {
        SettingsKey key = *store.OpenKey(ProductKey, true);
        key.WriteFlag(GlobalValue::AutoRun, false);
        key.WriteFlag(GlobalValue::AutoLoad, false);
        key.WriteFlag(GlobalValue::Beep, true);
        key.WriteFlag(GlobalValue::FirstTime, true);
        key.WriteNumber(GlobalValue::Interval, 10);
        key.WriteFlag(GlobalValue::VisualAlert, true);
        key.WriteText(GlobalValue::WabFile, wabFile);
        key.WriteText(GlobalValue::EmailClient, mailClient);
        key.WriteText(GlobalValue::Subject, InitialSubject);
        // Also clears lines a longer reply text of an earlier run left behind.
        SaveLines(store, HeaderPrefix, InitialHeaderLines());
        SaveLines(store, FooterPrefix, InitialFooterLines());
    });
}

} // namespace sievra
