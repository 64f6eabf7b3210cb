#include "AuthenticationResults.h"

#include <QRegularExpression>

namespace sievra {

namespace {

// The value with comments turned into blanks and split at the semicolons that stand outside
// quoted strings.
QStringList SplitResults(const QString& value) {
    QStringList parts(QString{});
    int depth = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && (quoted || depth > 0) && i + 1 < value.size()) {
            if (quoted) {
                parts.last() += value.mid(i, 2); // a quoted pair, kept as written
            }
            ++i;
        } else if (quoted) {
            parts.last() += c;
            quoted = c != QLatin1Char('"');
        } else if (c == QLatin1Char('(')) {
            ++depth;
            parts.last() += QLatin1Char(' ');
        } else if (depth > 0) {
            depth -= c == QLatin1Char(')') ? 1 : 0;
        } else if (c == QLatin1Char(';')) {
            parts.append(QString());
        } else {
            quoted = c == QLatin1Char('"');
            parts.last() += c;
        }
    }
    return parts;
}

QString DomainOf(QString value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
        value.endsWith(QLatin1Char('"'))) {
        value = value.mid(1, value.size() - 2);
    }
    value = value.mid(value.lastIndexOf(QLatin1Char('@')) + 1).toLower();
    while (value.endsWith(QLatin1Char('.'))) {
        value.chop(1);
    }
    return value;
}

// The property that names the checked domain, by method.
QString DomainProperty(const QString& method, const QString& rest) {
    static const QRegularExpression property(QStringLiteral(
        R"(([A-Za-z0-9_-]+)\s*\.\s*([A-Za-z0-9_.-]+)\s*=\s*("(?:[^"\\]|\\.)*"|[^\s"]+))"));
    const QStringList wanted =
        method == QLatin1String("dmarc")  ? QStringList{"header.from"}
        : method == QLatin1String("dkim") ? QStringList{"header.d", "header.i"}
        : method == QLatin1String("spf")  ? QStringList{"smtp.mailfrom", "smtp.helo"}
                                          : QStringList{};
    for (const QString& name : wanted) {
        auto matches = property.globalMatch(rest);
        while (matches.hasNext()) {
            const auto match = matches.next();
            const QString found = match.captured(1) + QLatin1Char('.') + match.captured(2);
            if (found.compare(name, Qt::CaseInsensitive) == 0) {
                return DomainOf(match.captured(3));
            }
        }
    }
    return QString();
}

// Relaxed alignment, as DMARC uses it: the same domain, or one below the other.
bool SameOrganisation(const QString& a, const QString& b) {
    return a == b || a.endsWith(QLatin1Char('.') + b) || b.endsWith(QLatin1Char('.') + a);
}

} // namespace

QList<AuthResult> ParseAuthenticationResults(const QString& value) {
    static const QRegularExpression serverId(QStringLiteral(R"(^\s*[^\s=]+(\s+\d+)?\s*$)"));
    static const QRegularExpression resinfo(
        QStringLiteral(
            R"(^\s*([A-Za-z0-9][A-Za-z0-9_-]*)\s*(?:/\s*\d+\s*)?=\s*([A-Za-z0-9_-]+)(.*)$)"),
        QRegularExpression::DotMatchesEverythingOption);
    const QStringList parts = SplitResults(value);
    QList<AuthResult> results;
    if (!serverId.match(parts.front()).hasMatch()) {
        return results;
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const auto match = resinfo.match(parts[i]);
        if (!match.hasMatch()) {
            continue;
        }
        const QString method = match.captured(1).toLower();
        results.append(
            {method, match.captured(2).toLower(), DomainProperty(method, match.captured(3))});
    }
    return results;
}

// Only the topmost field is read: the receiving server adds its own above whatever the
// sender wrote, and the ones below it are the sender's to forge. Only failures are acted on,
// so a "pass" a spammer wrote can never make a contact of him, and a "fail" he forged only
// gets his own message judged by the code words.
std::optional<QString> FindForgedSender(const HeaderFields& header, const QString& fromAddress) {
    const QStringList fields = header.Values(u"Authentication-Results");
    const qsizetype at = fromAddress.lastIndexOf(QLatin1Char('@'));
    if (fields.isEmpty() || at < 0) {
        return std::nullopt;
    }
    const QString domain = DomainOf(fromAddress.mid(at + 1));
    QStringList dmarc, dkim, spf;
    for (const AuthResult& result : ParseAuthenticationResults(fields.front())) {
        if (!result.Domain.isEmpty() && !SameOrganisation(result.Domain, domain)) {
            continue;
        }
        QStringList* list = result.Method == QLatin1String("dmarc")  ? &dmarc
                            : result.Method == QLatin1String("dkim") ? &dkim
                            : result.Method == QLatin1String("spf")  ? &spf
                                                                     : nullptr;
        if (list != nullptr && result.Result != QLatin1String("none")) {
            list->append(result.Result);
        }
    }
    const auto onlyFailures = [](const QStringList& results) {
        return !results.isEmpty() && results.count(QStringLiteral("fail")) == results.size();
    };
    if (!dmarc.isEmpty()) {
        return onlyFailures(dmarc) ? std::optional(QStringLiteral("dmarc=fail")) : std::nullopt;
    }
    if (!onlyFailures(spf) || !(dkim.isEmpty() || onlyFailures(dkim))) {
        return std::nullopt;
    }
    return dkim.isEmpty() ? QStringLiteral("spf=fail") : QStringLiteral("dkim=fail, spf=fail");
}

} // namespace sievra
