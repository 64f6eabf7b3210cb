#include "AutomaticMessage.h"

#include "HeaderText.h"

namespace sievra {

namespace {

// Long list fields would swamp a status line.
constexpr qsizetype MaxShownValue = 80;

QString Shown(const QString& value) {
    QString text = WithoutControls(value);
    if (text.size() > MaxShownValue) {
        text = text.left(MaxShownValue) + QStringLiteral("...");
    }
    return text;
}

// The first word of a value, without a trailing comment: "auto-replied (vacation)" gives
// "auto-replied".
QString FirstWord(const QString& value) {
    qsizetype end = 0;
    while (end < value.size() && value[end].unicode() > 32 && value[end] != QLatin1Char('(') &&
           value[end] != QLatin1Char(';')) {
        ++end;
    }
    return value.left(end);
}

bool OneOf(const QString& word, std::initializer_list<const char*> words) {
    for (const char* candidate : words) {
        if (word.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

AutomaticSign Sign(AutomaticSign::Kind kind, const char* field, const QString& value) {
    return {kind, QString::fromLatin1(field), Shown(value)};
}

// "<>", also written with blanks or a comment inside, is the null reverse path.
bool IsNullPath(const QString& value) {
    QString compact;
    int depth = 0;
    for (const QChar c : value) {
        if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')') && depth > 0) {
            --depth;
        } else if (depth == 0 && c.unicode() > 32) {
            compact += c;
        }
    }
    return compact == QLatin1String("<>");
}

} // namespace

std::optional<AutomaticSign> FindAutomaticMarks(const HeaderFields& header) {
    using Kind = AutomaticSign::Kind;
    if (header.Count(u"Auto-Submitted") > 0) {
        const QString value = header.Value(u"Auto-Submitted");
        if (FirstWord(value).compare(QLatin1String("no"), Qt::CaseInsensitive) != 0) {
            return Sign(Kind::AutoSubmitted, "Auto-Submitted", value);
        }
    }
    // Exchange's own way of asking not to be answered; it marks our replies too.
    if (header.Count(u"X-Auto-Response-Suppress") > 0) {
        return Sign(Kind::AutoSubmitted, "X-Auto-Response-Suppress",
                    header.Value(u"X-Auto-Response-Suppress"));
    }
    const QString precedence = header.Value(u"Precedence");
    if (OneOf(FirstWord(precedence), {"bulk", "junk", "list"})) {
        return Sign(Kind::BulkMail, "Precedence", precedence);
    }
    for (const char* field : {"List-Id", "List-Unsubscribe", "List-Post"}) {
        const QString name = QString::fromLatin1(field);
        if (header.Count(name) > 0) {
            return Sign(Kind::MailingList, field, header.Value(name));
        }
    }
    // The topmost Return-Path is the one the final delivery wrote.
    if (header.Count(u"Return-Path") > 0 && IsNullPath(header.Value(u"Return-Path"))) {
        return Sign(Kind::NullReturnPath, "Return-Path", QStringLiteral("<>"));
    }
    return std::nullopt;
}

QString AutomaticSign::Describe() const {
    static const char* const what[] = {"automatic message", "bulk mail",       "mailing list",
                                       "delivery report",   "program address", "own address"};
    return QString::fromLatin1(what[static_cast<int>(What)]) + QStringLiteral(" (") + Field +
           QStringLiteral(": ") + Value + QLatin1Char(')');
}

QString ReplyAddressOf(const HeaderFields& header) {
    for (const char16_t* field : {u"Reply-To", u"Return-Path", u"From"}) {
        const QList<MailAddress> addresses = header.Addresses(field);
        if (!addresses.isEmpty()) {
            return addresses.front().Address;
        }
    }
    return QString();
}

bool IsProgramAddress(const QString& address) {
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    QString local = at < 0 ? address : address.left(at);
    local = local.section(QLatin1Char('+'), 0, 0);
    if (OneOf(local, {"MAILER-DAEMON", "postmaster"})) {
        return true;
    }
    // Bulk senders number these: "bounce-123", "noreply.alerts", "bounces_xyz".
    for (const char* form :
         {"noreply", "no-reply", "do-not-reply", "donotreply", "bounce", "bounces"}) {
        const QLatin1String prefix(form);
        if (local.startsWith(prefix, Qt::CaseInsensitive) &&
            (local.size() == prefix.size() ||
             QStringLiteral("-._=").contains(local[prefix.size()]))) {
            return true;
        }
    }
    return false;
}

std::optional<AutomaticSign> FindAutomaticSign(const HeaderFields& header,
                                               const QString& replyAddress) {
    if (auto sign = FindAutomaticMarks(header)) {
        return sign;
    }
    return FindProgramAddress(replyAddress);
}

std::optional<AutomaticSign> FindProgramAddress(const QString& replyAddress) {
    if (!IsProgramAddress(replyAddress)) {
        return std::nullopt;
    }
    return Sign(AutomaticSign::Kind::ProgramAddress, "Reply address", replyAddress);
}

std::optional<AutomaticSign> FindOwnAddress(const QString& replyAddress,
                                            const QStringList& ownAddresses) {
    if (replyAddress.isEmpty() || !ownAddresses.contains(replyAddress, Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    return Sign(AutomaticSign::Kind::OwnAddress, "Reply address", replyAddress);
}

} // namespace sievra
