#include "KnownValues.h"

#include "GlobalSettings.h"
#include "PasswordStorage.h"
#include "StoreLayout.h"

namespace sievra {

namespace {

using K = AccountValueKind;
namespace G = GlobalValue;

// The key that holds `path`, without a trailing backslash.
QString ParentPath(QString path) {
    while (path.endsWith(QLatin1Char('\\'))) {
        path.chop(1);
    }
    return path.left(std::max<qsizetype>(path.lastIndexOf(QLatin1Char('\\')), 0));
}

bool SamePath(QString a, QString b) {
    while (a.endsWith(QLatin1Char('\\'))) {
        a.chop(1);
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<AccountValueKind> KnownKind(const QString& keyPath, const QString& name) {
    if (SamePath(keyPath, ProductKey)) {
        for (const ProductValueRow& row : ProductValueTable()) {
            if (row.Name.compare(name, Qt::CaseInsensitive) == 0) {
                return row.Kind;
            }
        }
    } else if (SamePath(ParentPath(keyPath), ProductKey)) {
        if (const AccountValueRow* row = FindAccountValue(name)) {
            return row->Kind;
        }
    }
    return std::nullopt;
}

} // namespace

const QList<ProductValueRow>& ProductValueTable() {
    static const QList<ProductValueRow> table = {
        {G::FirstTime, K::Flag, QStringLiteral("1"),
         QStringLiteral("the next start of the window is its first")},
        {G::AutoRun, K::Flag, QStringLiteral("0"),
         QStringLiteral("automatic mode: screen every \"Interval\" minutes behind the tray")},
        {G::Beep, K::Flag, QStringLiteral("1"),
         QStringLiteral("beep when automatic mode finds new waiting mail")},
        {G::VisualAlert, K::Flag, QStringLiteral("1"),
         QStringLiteral("pop-up when automatic mode finds new waiting mail")},
        {G::Interval, K::Number, QStringLiteral("10"),
         QStringLiteral("minutes between automatic passes")},
        {G::AutoLoad, K::Flag, QStringLiteral("0"),
         QStringLiteral("start with the desktop session (the autostart entry)")},
        {G::WabFile, K::Text, QString(), QStringLiteral("the address book file")},
        {G::EmailClient, K::Text, QString(),
         QStringLiteral("the mail program the tray and pop-up launch")},
        {G::Subject, K::Text, QStringLiteral("Your message was deleted!"),
         QStringLiteral("subject of the replies")},
        {G::LastId, K::Number, QString(), QStringLiteral("the largest account number handed out")},
        {G::MaxMessagesPerPass, K::Number, QString::number(DefaultMaxMessagesPerPass),
         QStringLiteral("messages of one session a pass screens at most")},
        {G::PreviewOnly, K::Flag, QStringLiteral("0"),
         QStringLiteral("passes only show what they would delete (the wizard offers it, "
                        "checked)")},
        {G::HistoryDays, K::Number, QString::number(DefaultHistoryDays),
         QStringLiteral("days the decision history keeps an entry")},
        {G::QuarantineDays, K::Number, QString::number(DefaultQuarantineDays),
         QStringLiteral("days a copy of a deleted message is kept")},
        {G::QuarantineSizeLimit, K::Number, QString::number(DefaultQuarantineSizeLimit),
         QStringLiteral("bytes; a larger deleted message is kept as its header only")},
        {G::RestoreKey, K::Text, QString(),
         QStringLiteral("this installation's key for the token a restored message carries "
                        "(made at the first restore)")},
        {G::ReplyIntervalDays, K::Number, QString::number(DefaultReplyIntervalDays),
         QStringLiteral("days before the same address may be sent another reply (0: every "
                        "pass)")},
        {G::RepliesPerPass, K::Number, QString::number(DefaultRepliesPerPass),
         QStringLiteral("replies one pass sends at most; the rest wait for the next")},
        {G::LearnedSenderDays, K::Number, QString::number(DefaultLearnedSenderDays),
         QStringLiteral("days a sender remembered from a code word stays without writing")},
        {PasswordStorageValue, K::Text, QString(),
         QStringLiteral("\"Keyring\" or \"Settings Store\"; missing: the keyring when one "
                        "answers")},
        {G::WindowGeometry, K::Text, QString(),
         QStringLiteral("size and place of the main window (Base64)")},
        {G::WindowSplitter, K::Text, QString(),
         QStringLiteral("the main window's splitter (Base64)")},
    };
    return table;
}

QString StoredTypeProblem(const QString& keyPath, const QString& name, ValueType type) {
    const auto kind = KnownKind(keyPath, name);
    if (!kind || StoredAsText(*kind) == (type == ValueType::Text)) {
        return {};
    }
    const QString needed = StoredAsText(*kind) ? QStringLiteral("text: use --text")
                           : *kind == AccountValueKind::Flag
                               ? QStringLiteral("a flag: use --flag 0|1")
                               : QStringLiteral("an integer: use --int");
    return QStringLiteral("\"%1\" is stored as %2").arg(name, needed);
}

} // namespace sievra
