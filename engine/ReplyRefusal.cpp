#include "ReplyRefusal.h"

#include "net/SmtpReply.h"

namespace sievra {

namespace {
constexpr qsizetype ServerSaidLength = 200;
}

RefusalClass ClassifyRefusal(quint16 code, const QString& serverLine, bool enhancedCodes) {
    if (serverLine.isEmpty() || code == 421 || code == 452) {
        return RefusalClass::StopsPhase;
    }
    const auto enhanced =
        enhancedCodes ? ParseEnhancedCode(serverLine) : std::optional<SmtpEnhancedCode>{};
    if (enhanced && enhanced->Class == 5 && enhanced->Subject == 7) {
        return RefusalClass::StopsPhase;
    }
    if (code >= 400 && code < 500) {
        return RefusalClass::Temporary;
    }
    if (enhanced && enhanced->Class == 5 && (enhanced->Subject == 1 || enhanced->Subject == 2)) {
        return RefusalClass::Permanent;
    }
    if (code == 550 || code == 551 || code == 553) {
        return RefusalClass::Permanent;
    }
    return RefusalClass::StopsPhase;
}

QString CleanServerText(const QString& serverLine) {
    QString text;
    for (const QChar c : serverLine) {
        if (c.category() != QChar::Other_Control) {
            text.append(c);
        }
    }
    text = text.trimmed();
    if (text.size() > ServerSaidLength) {
        text = text.left(ServerSaidLength) + QStringLiteral("...");
    }
    return text;
}

QString ServerSaidLine(const QString& serverLine) {
    return QStringLiteral("Server said: ") + CleanServerText(serverLine);
}

QString DeferralCounts::SectionOf(const QString& keyName) {
    // A key name never holds a backslash (it separates keys), so no account owns this one.
    return keyName + QStringLiteral("\\Deferred");
}

void DeferralCounts::Load(const IniDocument& doc, const QString& keyName) {
    counts_.clear();
    spelling_.clear();
    for (const QString& entry : doc.ReadSection(SectionOf(keyName))) {
        // "n=<count> <address>"
        const QString value = entry.mid(entry.indexOf(QLatin1Char('=')) + 1);
        const qsizetype blank = value.indexOf(QLatin1Char(' '));
        bool ok = false;
        const int count = value.left(blank).toInt(&ok);
        const QString address = value.mid(blank + 1);
        if (ok && blank > 0 && count > 0 && !address.isEmpty()) {
            counts_.insert(address.toLower(), count);
            spelling_.insert(address.toLower(), address);
        }
    }
}

void DeferralCounts::Store(IniDocument& doc, const QString& keyName) const {
    const QString section = SectionOf(keyName);
    doc.EraseSection(section);
    int key = 0;
    for (auto it = counts_.cbegin(); it != counts_.cend(); ++it) {
        doc.WriteEntry(section, QString::number(key++),
                       QString::number(it.value()) + QLatin1Char(' ') + spelling_.value(it.key()));
    }
}

int DeferralCounts::Add(const QString& address) {
    const QString key = address.toLower();
    if (!spelling_.contains(key)) {
        spelling_.insert(key, address);
    }
    return ++counts_[key];
}

void DeferralCounts::Forget(const QString& address) {
    counts_.remove(address.toLower());
    spelling_.remove(address.toLower());
}

} // namespace sievra
