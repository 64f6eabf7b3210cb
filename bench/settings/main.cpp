// Loads a store of 200 accounts, each with 300 code words and 300 hints, the way the
// screening program does at start-up, and prints the time and the peak memory.
#include "bench/BenchSupport.h"
#include "settings/JoinedList.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace sievra;

namespace {

void Populate(SettingsStore& store, int accounts, int entries) {
    store.InTransaction([&] {
        auto product = store.OpenKey(ProductKey, true);
        product->WriteFlag("AutoRun", false);
        product->WriteText("Subject", "Your message was deleted!");
        SaveLines(store, "Header ", {"one", "two", "three", "four"});
        for (int a = 1; a <= accounts; ++a) {
            const QString name = AccountKeyName(a);
            auto key = store.OpenKey(AccountKeyPath(name), true);
            key->WriteFlag("Active", true);
            key->WriteText("Account Name", QStringLiteral("Account %1").arg(a));
            key->WriteText("POP3 Server", "pop.example.org");
            key->WriteText("POP3 Port", "110");
            key->WriteText("POP3 User Name", "user");
            key->WriteText("POP3 Password", EncodePassword("password"));
            key->WriteText("SMTP Password", EncodePassword("password"));
            key->WriteNumber("POP3 Timeout", 60);
            store.OpenKey(AccountKeyPath(name) + "\\Code Words", true);
            store.OpenKey(AccountKeyPath(name) + "\\Hints", true);
            QStringList codes;
            QStringList hints;
            for (int e = 0; e < entries; ++e) {
                codes.append(QStringLiteral("code%1").arg(e));
                hints.append(QStringLiteral("hint number %1").arg(e));
            }
            SaveJoinedList(store, name, "Code Words", codes);
            SaveJoinedList(store, name, "Hints", hints);
        }
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + "/settings.db";
    {
        SettingsStore store(path);
        Populate(store, 200, 300);
    }
    const double before = bench::PeakMemoryMiB();
    bench::Stopwatch watch;
    SettingsStore store(path);
    const LoadedSettings loaded = LoadSettings(store);
    const double ms = watch.Milliseconds();
    std::printf("settings load: %zu accounts, 300 code words + 300 hints each\n",
                loaded.Accounts.size());
    std::printf("load time: %.1f ms (target < 50 ms)\n", ms);
    std::printf("peak memory: %.1f MiB (%.1f MiB before opening the store)\n",
                bench::PeakMemoryMiB(), before);
    return loaded.Accounts.size() == 200 ? 0 : 1;
}
