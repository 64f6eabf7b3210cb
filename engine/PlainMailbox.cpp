#include "PlainMailbox.h"

#include <QList>
#include <QStringView>

namespace sievra {

namespace {

constexpr qsizetype MaxOctets = 254;

bool IsAsciiAlnum(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
}

bool IsBeyondAscii(QChar c) {
    return c.unicode() > 127 && !c.isSpace() && c.category() != QChar::Other_Control &&
           c.category() != QChar::Other_Format;
}

bool IsAtext(QChar c) {
    static const QStringView specials = u"!#$%&'*+-/=?^_`{|}~";
    return IsAsciiAlnum(c) || specials.contains(c) || IsBeyondAscii(c);
}

// Non-empty runs of allowed characters separated by single dots.
template <typename Allowed> bool IsDotString(QStringView text, Allowed allowed) {
    if (text.isEmpty()) {
        return false;
    }
    for (const QStringView part : text.split(QLatin1Char('.'))) {
        if (part.isEmpty()) {
            return false;
        }
        for (const QChar c : part) {
            if (!allowed(c)) {
                return false;
            }
        }
    }
    return true;
}

bool IsLabel(QStringView label) {
    return label.size() <= 63 && label.front() != QLatin1Char('-') &&
           label.back() != QLatin1Char('-');
}

bool IsDomainName(QStringView domain) {
    const auto allowed = [](QChar c) {
        return IsAsciiAlnum(c) || c == QLatin1Char('-') || IsBeyondAscii(c);
    };
    if (!IsDotString(domain, allowed)) {
        return false;
    }
    for (const QStringView label : domain.split(QLatin1Char('.'))) {
        if (!IsLabel(label)) {
            return false;
        }
    }
    return true;
}

// "[" then letters, digits, ".", ":" and "-" (an IPv4 or a tagged literal), then "]".
bool IsAddressLiteral(QStringView domain) {
    if (domain.size() < 3 || domain.front() != QLatin1Char('[') ||
        domain.back() != QLatin1Char(']')) {
        return false;
    }
    for (const QChar c : domain.sliced(1, domain.size() - 2)) {
        if (!IsAsciiAlnum(c) && c != QLatin1Char('.') && c != QLatin1Char(':') &&
            c != QLatin1Char('-')) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsPlainMailbox(const QString& address) {
    if (address.toUtf8().size() > MaxOctets) {
        return false;
    }
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at <= 0) {
        return false;
    }
    const QStringView local = QStringView(address).first(at);
    const QStringView domain = QStringView(address).sliced(at + 1);
    return IsDotString(local, IsAtext) && (IsDomainName(domain) || IsAddressLiteral(domain));
}

QString ShownAddress(const QString& address) {
    constexpr qsizetype MaxShown = 80;
    QString shown = address.left(MaxShown);
    for (QChar& c : shown) {
        if (c.unicode() < 32 || c.unicode() == 127) {
            c = QLatin1Char('?');
        }
    }
    return address.size() > MaxShown ? shown + QStringLiteral("...") : shown;
}

} // namespace sievra
