#include "LearnedCommands.h"

#include "history/LearnedSenders.h"
#include "mail/HeaderText.h"
#include "settings/ContactSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sievra {

namespace {

QString Day(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
}

// The account's name where the settings give one, else its key name.
QString AccountName(SettingsStore* store, const QString& keyName) {
    const auto key = store ? store->OpenKey(AccountKeyPath(keyName)) : std::nullopt;
    const QString name = key ? key->ReadText(QStringLiteral("Account Name")) : QString();
    return name.isEmpty() ? keyName : name;
}

// The value of "--account A" among the arguments after the first `fixed` ones.
QString AccountOption(HistoryContext& c, const QStringList& args, qsizetype fixed,
                      bool* json = nullptr) {
    QString account;
    for (qsizetype i = fixed; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--account") && i + 1 < args.size()) {
            account = AccountKeyFor(c.Store, args[++i]);
        } else if (json != nullptr && args[i] == QLatin1String("--json")) {
            *json = true;
        } else {
            throw Usage{QStringLiteral("unknown option %1").arg(args[i])};
        }
    }
    return account;
}

// Addresses are shown and matched as given; a control character in one is never printed.
QString AddressArgument(const QStringList& args) {
    const QString address = args.value(1);
    if (!address.contains(QLatin1Char('@')) || HoldsControls(address)) {
        throw Usage{QStringLiteral("%1 needs a mail address").arg(args.value(0))};
    }
    return address;
}

} // namespace

int ListLearned(HistoryContext& c, const QStringList& args) {
    bool json = false;
    const QString account = AccountOption(c, args, 1, &json);
    const QList<LearnedSender> senders = c.Learned.List(account);
    if (json) {
        QJsonArray array;
        for (const LearnedSender& s : senders) {
            array.append(QJsonObject{{"account", s.Account},
                                     {"address", s.Address},
                                     {"learned", s.Learned.toString(Qt::ISODate)},
                                     {"lastSeen", s.LastSeen.toString(Qt::ISODate)},
                                     {"subject", s.Subject},
                                     {"date", s.MessageDate}});
        }
        c.Out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return HistoryOk;
    }
    QList<QStringList> table = {{"ACCOUNT", "ADDRESS", "LEARNED", "LAST SEEN", "SUBJECT"}};
    for (const LearnedSender& s : senders) {
        table.append({AccountName(c.Store, s.Account), s.Address, Day(s.Learned), Day(s.LastSeen),
                      WithoutControls(s.Subject).simplified()});
    }
    PrintAligned(c.Out, table);
    return HistoryOk;
}

int ForgetLearned(HistoryContext& c, const QStringList& args) {
    const QString address = AddressArgument(args);
    const QString account = AccountOption(c, args, 2);
    if (c.Learned.Forget(address, account) == 0) {
        c.Err << "sievra-history: " << address << " is not a remembered sender"
              << (account.isEmpty() ? QString() : QStringLiteral(" of ") + account) << "\n";
        return HistoryMissing;
    }
    c.Out << "Forgotten: " << address << "\n";
    return HistoryOk;
}

int AllowLearned(HistoryContext& c, const QStringList& args) {
    const QString address = AddressArgument(args);
    AccountOption(c, args, 2);
    QString known;
    for (const LearnedSender& s : c.Learned.List()) {
        if (s.Address.compare(address, Qt::CaseInsensitive) == 0) {
            known = s.Address;
        }
    }
    if (known.isEmpty()) {
        c.Err << "sievra-history: " << address << " is not a remembered sender\n";
        return HistoryMissing;
    }
    if (c.Store == nullptr || !AddAllowedSender(*c.Store, known)) {
        c.Err << "sievra-history: there are no settings yet\n";
        return HistoryMissing;
    }
    // Allowed on every account now: the remembered entries have done their work.
    c.Learned.Remove(known);
    c.Out << "Allowed sender added: " << known << "\n";
    return HistoryOk;
}

} // namespace sievra
