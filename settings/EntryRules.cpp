#include "EntryRules.h"

#include <netdb.h>

namespace sievra {

namespace {

constexpr qsizetype MaxServiceName = 31;

bool IsServiceName(const QString& text) {
    if (text.isEmpty() || text.size() > MaxServiceName || !text[0].isLetter()) {
        return false;
    }
    const QByteArray name = text.toLatin1();
    // getservbyname reads the system's services database; one thread, so its static result
    // is safe to read here.
    return getservbyname(name.constData(), "tcp") != nullptr;
}

} // namespace

QString ListEntryProblem(const QString& entry, const QStringList& others, const QString& kind) {
    const QString text = entry.trimmed();
    if (text.contains(QLatin1Char('|'))) {
        return QStringLiteral("A %1 cannot contain \"|\": Sievra uses it to separate the "
                              "entries, so \"%2\" would become several %1s.")
            .arg(kind, text);
    }
    for (const QString& other : others) {
        if (other.trimmed().compare(text, Qt::CaseInsensitive) == 0 && !text.isEmpty()) {
            return QStringLiteral("The %1 \"%2\" is already in the list (capitals do not "
                                  "matter).")
                .arg(kind, text);
        }
    }
    return QString();
}

QStringList TidyEntries(const QStringList& entries) {
    QStringList tidy;
    for (const QString& entry : entries) {
        const QString text = entry.trimmed();
        if (!text.isEmpty()) {
            tidy.append(text);
        }
    }
    return tidy;
}

bool IsValidPortText(const QString& port) {
    const QString text = port.trimmed();
    bool number = false;
    const int value = text.toInt(&number);
    if (number) {
        return value >= 1 && value <= 65535 && text[0].isDigit();
    }
    return IsServiceName(text);
}

QString PortProblem(const QString& port) {
    if (IsValidPortText(port)) {
        return QString();
    }
    return QStringLiteral("\"%1\" is not a port: type a number from 1 to 65535 or a service "
                          "name such as pop3.")
        .arg(port);
}

QString PortForSecurity(const QString& port, bool tls, int plainPort, int tlsPort) {
    const QString text = port.trimmed();
    if (tls && text == QString::number(plainPort)) {
        return QString::number(tlsPort);
    }
    if (!tls && text == QString::number(tlsPort)) {
        return QString::number(plainPort);
    }
    return port;
}

} // namespace sievra
