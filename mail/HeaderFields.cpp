#include "HeaderFields.h"

#include "HeaderText.h"

namespace sievra {

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

bool IsWsp(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool IsFieldName(QStringView name) {
    if (name.isEmpty()) {
        return false;
    }
    for (const QChar c : name) {
        // RFC 5322 ftext: printable US-ASCII except the colon.
        if (c.unicode() < 33 || c.unicode() > 126) {
            return false;
        }
    }
    return true;
}

} // namespace

QString TrimHeaderBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin).toString();
}

HeaderFields::HeaderFields(const QStringList& lines) {
    bool continues = false; // the line before was a field, so a folded line belongs to it
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            break;
        }
        if (IsWsp(line.front())) {
            if (continues) {
                fields_.last().Value += line; // unfolding removes only the line break
            }
            continue;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        QStringView name = QStringView(line).left(colon < 0 ? 0 : colon);
        while (!name.isEmpty() && IsWsp(name.back())) {
            name.chop(1);
        }
        continues = colon > 0 && IsFieldName(name);
        if (continues) {
            fields_.append({name.toString(), line.mid(colon + 1)});
        }
    }
}

QString HeaderFields::Value(QStringView name) const {
    for (const Field& field : fields_) {
        if (name.compare(field.Name, Qt::CaseInsensitive) == 0) {
            return TrimHeaderBlanks(field.Value);
        }
    }
    return QString();
}

QStringList HeaderFields::Values(QStringView name) const {
    QStringList values;
    for (const Field& field : fields_) {
        if (name.compare(field.Name, Qt::CaseInsensitive) == 0) {
            values.append(TrimHeaderBlanks(field.Value));
        }
    }
    return values;
}

qsizetype HeaderFields::Count(QStringView name) const {
    qsizetype count = 0;
    for (const Field& field : fields_) {
        count += name.compare(field.Name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    }
    return count;
}

QString HeaderFields::Text(QStringView name) const {
    return DecodeHeaderText(Value(name));
}

QList<MailAddress> HeaderFields::Addresses(QStringView name) const {
    return ParseAddressList(Value(name));
}

} // namespace sievra
