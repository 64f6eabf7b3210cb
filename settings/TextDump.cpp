#include "TextDump.h"

#include "SettingsStore.h"

#include <QSet>
#include <optional>

namespace sievra {

namespace {

bool IsPasswordValue(const QString& name) {
    return name.compare(QLatin1String("POP3 Password"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("SMTP Password"), Qt::CaseInsensitive) == 0;
}

void ExportTree(SettingsStore& store, const QString& path, QTextStream& out, DumpFilter filter) {
    const auto key = store.OpenKey(path);
    if (!key) {
        return;
    }
    out << '[' << key->Path() << "]\n";
    for (const StoredValue& value : key->Values()) {
        if (filter == DumpFilter::NoPasswords && IsPasswordValue(value.Name)) {
            continue;
        }
        out << QuoteText(value.Name) << '=';
        if (value.Type == ValueType::Integer) {
            out << "int:" << value.Number << '\n';
        } else {
            out << "text:" << QuoteText(value.Text) << '\n';
        }
    }
    out << '\n';
    for (const QString& child : key->SubkeyNames()) {
        ExportTree(store,
                   key->Path() == QLatin1String("\\") ? QLatin1Char('\\') + child
                                                      : key->Path() + '\\' + child,
                   out, filter);
    }
}

// Reads a quoted text starting at pos (on the opening quote); pos ends after the closing one.
std::optional<QString> Unquote(const QString& line, qsizetype& pos) {
    if (pos >= line.size() || line[pos] != QLatin1Char('"')) {
        return std::nullopt;
    }
    QString text;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return text;
        }
        if (c != QLatin1Char('\\')) {
            text += c;
            continue;
        }
        if (++pos >= line.size()) {
            return std::nullopt;
        }
        switch (line[pos].unicode()) {
        case '"':
            text += QLatin1Char('"');
            break;
        case '\\':
            text += QLatin1Char('\\');
            break;
        case 'n':
            text += QLatin1Char('\n');
            break;
        case 'r':
            text += QLatin1Char('\r');
            break;
        case 't':
            text += QLatin1Char('\t');
            break;
        case 'x': {
            bool ok = false;
            const uint code = line.mid(pos + 1, 2).toUInt(&ok, 16);
            if (!ok || line.mid(pos + 1, 2).size() != 2) {
                return std::nullopt;
            }
            text += QChar(static_cast<char16_t>(code));
            pos += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<StoredValue> ParseValueLine(const QString& line) {
    qsizetype pos = 0;
    const auto name = Unquote(line, pos);
    if (!name || !line.mid(pos).startsWith(QLatin1Char('='))) {
        return std::nullopt;
    }
    const QString rest = line.mid(pos + 1);
    StoredValue value;
    value.Name = *name;
    if (rest.startsWith(QLatin1String("int:"))) {
        bool ok = false;
        value.Type = ValueType::Integer;
        value.Number = rest.mid(4).toInt(&ok);
        return ok ? std::optional(value) : std::nullopt;
    }
    if (rest.startsWith(QLatin1String("text:"))) {
        qsizetype textPos = 5;
        const auto text = Unquote(rest, textPos);
        if (!text || textPos != rest.size()) {
            return std::nullopt;
        }
        value.Type = ValueType::Text;
        value.Text = *text;
        return value;
    }
    return std::nullopt;
}

// Empties a key of its values and subkeys, keeping the key itself (the root cannot go).
void ClearKey(SettingsStore& store, SettingsKey& key) {
    for (const StoredValue& value : key.Values()) {
        key.DeleteValue(value.Name);
    }
    const QString base = key.Path() == QLatin1String("\\") ? QString() : key.Path();
    for (const QString& child : key.SubkeyNames()) {
        store.DeleteKey(base + QLatin1Char('\\') + child);
    }
}

} // namespace

QString QuoteText(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"':
            quoted += QLatin1String("\\\"");
            break;
        case '\\':
            quoted += QLatin1String("\\\\");
            break;
        case '\n':
            quoted += QLatin1String("\\n");
            break;
        case '\r':
            quoted += QLatin1String("\\r");
            break;
        case '\t':
            quoted += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 32 || c.unicode() == 127) {
                quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            } else {
                quoted += c;
            }
        }
    }
    return quoted + QLatin1Char('"');
}

bool ExportKey(SettingsStore& store, const QString& path, QTextStream& out, DumpFilter filter) {
    if (!store.OpenKey(path)) {
        return false;
    }
    ExportTree(store, path, out, filter);
    return true;
}

void ImportDump(SettingsStore& store, QTextStream& in, ImportMode mode) {
    store.InTransaction([&] {
        std::optional<SettingsKey> key;
        QSet<QString> cleared;
        for (int lineNumber = 1; !in.atEnd(); ++lineNumber) {
            const QString line = in.readLine();
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) {
                continue;
            }
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                key = store.OpenKey(line.mid(1, line.size() - 2), true);
                if (mode == ImportMode::Replace && !cleared.contains(key->Path().toCaseFolded())) {
                    ClearKey(store, *key);
                    cleared.insert(key->Path().toCaseFolded());
                }
                continue;
            }
            const auto value = ParseValueLine(line);
            if (!value || !key) {
                throw StoreError(QStringLiteral("line %1: %2")
                                     .arg(lineNumber)
                                     .arg(key ? QStringLiteral("not a value line")
                                              : QStringLiteral("value before any [key] line")));
            }
            key->Write(*value);
        }
    });
}

} // namespace sievra
