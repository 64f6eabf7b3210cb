#include "HistoryCommands.h"

#include "LearnedCommands.h"
#include "history/DecisionHistory.h"
#include "history/QuarantineStore.h"
#include "mail/HeaderText.h"
#include "settings/ContactSettings.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <optional>

namespace sievra {

const char* const HistoryUsageText =
    "Usage: sievra-history COMMAND [ARGUMENTS]\n"
    "What Sievra decided about each message, and the copies of what it deleted.\n"
    "\n"
    "  list [--account A] [--since DATE] [--deleted|--kept|--would-delete]\n"
    "       [--limit N] [--json]       the decisions, newest first\n"
    "  show ID                         one decision with the header lines Sievra read\n"
    "  restore ID                      send the kept copy back to the account's mailbox\n"
    "  allow ID                        add the message's sender to the allowed senders\n"
    "  purge [--all]                   drop decisions and copies past their age (or all)\n"
    "  learned [--account A] [--json]  the senders remembered because they wrote with a\n"
    "                                  code word, with when and why\n"
    "  forget ADDRESS [--account A]    forget a remembered sender (on every account, or on\n"
    "                                  A): their next mail needs a code word again\n"
    "  allow ADDRESS                   make a remembered sender an allowed sender of every\n"
    "                                  account\n"
    "\n"
    "A is an account's key name, number or name; DATE is YYYY-MM-DD or an ISO date and time.\n"
    "  -h, --help                      this text\n"
    "Exit status: 0 success, 1 no such entry, 2 usage error, 3 the history file failed,\n"
    "4 the message could not be restored.\n";

namespace {

QString Shown(const QString& raw) {
    return DisplayText(raw).simplified();
}

QString LocalTime(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

// Cut to `width` characters, the cut marked, so one long subject does not stretch the table.
QString Fit(const QString& text, qsizetype width) {
    return text.size() <= width ? text : text.left(width - 1) + QChar(0x2026);
}

qint64 ParseId(const QStringList& args) {
    bool ok = false;
    const qint64 id = args.value(1).toLongLong(&ok);
    if (args.size() != 2 || !ok || id <= 0) {
        throw Usage{
            QStringLiteral("%1 needs one entry number (the ID column of list)").arg(args.value(0))};
    }
    return id;
}

} // namespace

QString AccountKeyFor(SettingsStore* store, const QString& given) {
    if (store == nullptr) {
        return given;
    }
    const auto product = store->OpenKey(ProductKey);
    if (!product) {
        return given;
    }
    bool isNumber = false;
    const int number = given.toInt(&isNumber);
    for (const QString& key : product->SubkeyNames()) {
        const auto account = store->OpenKey(AccountKeyPath(key));
        if (key.compare(given, Qt::CaseInsensitive) == 0 || (isNumber && key.toInt() == number) ||
            (account && account->ReadText(QStringLiteral("Account Name")) == given)) {
            return key;
        }
    }
    return given;
}

void PrintAligned(QTextStream& out, const QList<QStringList>& table) {
    QList<qsizetype> widths(table.first().size(), 0);
    for (const QStringList& row : table) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const QStringList& row : table) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
        }
        out << line.trimmed() << "\n";
    }
}

namespace {

QDateTime ParseSince(const QString& text) {
    QDateTime since = QDateTime::fromString(text, Qt::ISODate);
    if (!since.isValid()) {
        since = QDate::fromString(text, Qt::ISODate).startOfDay();
    }
    if (!since.isValid()) {
        throw Usage{
            QStringLiteral("--since wants a date such as 2026-12-01, not \"%1\"").arg(text)};
    }
    return since;
}

QJsonObject ToJson(const DecisionRecord& r) {
    return QJsonObject{{"id", r.Id},
                       {"time", r.Time.toString(Qt::ISODate)},
                       {"account", r.Account},
                       {"accountName", r.AccountName},
                       {"uniqueId", r.UniqueId},
                       {"from", DisplayText(r.From)},
                       {"sender", r.Sender},
                       {"subject", DisplayText(r.Subject)},
                       {"date", r.Date},
                       {"messageId", r.MessageId},
                       {"decision", DecisionText(r.Outcome)},
                       {"reason", r.Reason},
                       {"reply", r.Reply},
                       {"copy", r.CopyPath}};
}

void PrintTable(QTextStream& out, const std::vector<DecisionRecord>& rows) {
    QList<QStringList> table = {{"ID", "TIME", "ACCOUNT", "DECISION", "FROM", "SUBJECT"}};
    for (const DecisionRecord& r : rows) {
        table.append({QString::number(r.Id), LocalTime(r.Time), Fit(r.AccountName, 20),
                      DecisionText(r.Outcome), Fit(Shown(r.From.isEmpty() ? r.Sender : r.From), 40),
                      Shown(r.Subject)});
    }
    PrintAligned(out, table);
}

int List(HistoryContext& c, const QStringList& args) {
    DecisionFilter filter;
    bool json = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                throw Usage{a + QStringLiteral(" needs a value")};
            }
            return args[++i];
        };
        if (a == QLatin1String("--account")) {
            filter.Account = AccountKeyFor(c.Store, value());
        } else if (a == QLatin1String("--since")) {
            filter.Since = ParseSince(value());
        } else if (a == QLatin1String("--limit")) {
            bool ok = false;
            filter.Limit = value().toInt(&ok);
            if (!ok || filter.Limit <= 0) {
                throw Usage{QStringLiteral("--limit wants a number above 0")};
            }
        } else if (a == QLatin1String("--deleted")) {
            filter.Outcome = Decision::Deleted;
        } else if (a == QLatin1String("--kept")) {
            filter.Outcome = Decision::Kept;
        } else if (a == QLatin1String("--would-delete")) {
            filter.Outcome = Decision::WouldDelete;
        } else if (a == QLatin1String("--json")) {
            json = true;
        } else {
            throw Usage{QStringLiteral("unknown option %1").arg(a)};
        }
    }
    const std::vector<DecisionRecord> rows = c.History.List(filter);
    if (json) {
        QJsonArray array;
        for (const DecisionRecord& r : rows) {
            array.append(ToJson(r));
        }
        c.Out << QJsonDocument(array).toJson(QJsonDocument::Indented);
    } else {
        PrintTable(c.Out, rows);
    }
    return HistoryOk;
}

std::optional<DecisionRecord> FindOrSay(HistoryContext& c, qint64 id) {
    auto record = c.History.Find(id);
    if (!record) {
        c.Err << "sievra-history: no entry " << id << " (it may have passed its age)\n";
    }
    return record;
}

int Show(HistoryContext& c, const QStringList& args) {
    const auto r = FindOrSay(c, ParseId(args));
    if (!r) {
        return HistoryMissing;
    }
    const QList<QPair<QString, QString>> fields = {
        {"Entry", QString::number(r->Id)},
        {"Time", LocalTime(r->Time)},
        {"Account", QStringLiteral("%1 (%2)").arg(r->AccountName, r->Account)},
        {"From", Shown(r->From)},
        {"Sender", r->Sender},
        {"Subject", Shown(r->Subject)},
        {"Date", r->Date},
        {"Message-ID", r->MessageId},
        {"Decision", DecisionText(r->Outcome)},
        {"Why", r->Reason},
        {"Reply", r->Reply.isEmpty() ? QStringLiteral("none") : r->Reply},
        {"Copy", r->Copy == CopyKind::None         ? QStringLiteral("none")
                 : r->Copy == CopyKind::HeaderOnly ? r->CopyPath + QStringLiteral(" (header only)")
                                                   : r->CopyPath}};
    for (const auto& [name, value] : fields) {
        c.Out << (name + QLatin1Char(':')).leftJustified(12) << WithoutControls(value) << "\n";
    }
    c.Out << "\n";
    for (const QString& line : r->Header.split(QLatin1Char('\n'))) {
        c.Out << WithoutControls(line) << "\n";
    }
    return HistoryOk;
}

int Allow(HistoryContext& c, const QStringList& args) {
    if (args.value(1).contains(QLatin1Char('@'))) {
        return AllowLearned(c, args);
    }
    const auto r = FindOrSay(c, ParseId(args));
    if (!r) {
        return HistoryMissing;
    }
    if (c.Store == nullptr) {
        c.Err << "sievra-history: there are no settings yet\n";
        return HistoryMissing;
    }
    if (r->Sender.isEmpty()) {
        c.Err << "sievra-history: entry " << r->Id << " names no sender address\n";
        return HistoryMissing;
    }
    if (AddAllowedSender(*c.Store, r->Sender)) {
        c.Out << "Allowed sender added: " << r->Sender << "\n";
    } else {
        c.Out << r->Sender << " is an allowed sender already\n";
    }
    return HistoryOk;
}

int Purge(HistoryContext& c, const QStringList& args) {
    const bool all = args.size() == 2 && args[1] == QLatin1String("--all");
    if (args.size() > 2 || (args.size() == 2 && !all)) {
        throw Usage{QStringLiteral("purge takes only --all")};
    }
    int historyDays = DefaultHistoryDays;
    int quarantineDays = DefaultQuarantineDays;
    if (const auto product = c.Store ? c.Store->OpenKey(ProductKey) : std::nullopt) {
        historyDays = std::max(product->ReadNumber(GlobalValue::HistoryDays), 0);
        quarantineDays = std::max(product->ReadNumber(GlobalValue::QuarantineDays), 0);
        historyDays = historyDays > 0 ? historyDays : DefaultHistoryDays;
        quarantineDays = quarantineDays > 0 ? quarantineDays : DefaultQuarantineDays;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const int copies =
        all ? c.Quarantine.PurgeAll() : c.Quarantine.PurgeOlderThan(now.addDays(-quarantineDays));
    const int entries = c.History.DropOlderThan(all ? now.addSecs(1) : now.addDays(-historyDays));
    c.Out << "Removed " << entries << " entries and " << copies << " kept copies\n";
    return HistoryOk;
}

} // namespace

int RunHistoryCommand(HistoryContext& context, const QStringList& args) {
    const QString command = args.value(0);
    try {
        if (command == QLatin1String("list")) {
            return List(context, args);
        }
        if (command == QLatin1String("show")) {
            return Show(context, args);
        }
        if (command == QLatin1String("allow")) {
            return Allow(context, args);
        }
        if (command == QLatin1String("restore")) {
            const qint64 id = ParseId(args);
            return context.Restore ? context.Restore(id) : HistoryNotRestored;
        }
        if (command == QLatin1String("purge")) {
            return Purge(context, args);
        }
        if (command == QLatin1String("learned")) {
            return ListLearned(context, args);
        }
        if (command == QLatin1String("forget")) {
            return ForgetLearned(context, args);
        }
        throw Usage{QStringLiteral("unknown command \"%1\"").arg(command)};
    } catch (const Usage& usage) {
        context.Err << "sievra-history: " << usage.Message << "\n"
                    << "Try 'sievra-history --help'.\n";
        return HistoryUsage;
    }
}

} // namespace sievra
