#pragma once

#include "mail/MailAddress.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace sievra {

// One message's header split into fields, each continuation line joined to the line before it
// (RFC 5322 unfolding). The header ends at its first empty line. Names compare without regard
// to case; a name may be followed by blanks before its colon (the obsolete syntax mail still
// carries). A line that is neither a field nor a continuation is skipped.
class HeaderFields {
public:
    struct Field {
        QString Name;
        QString Value; // unfolded, as written otherwise
    };

    HeaderFields() = default;
    explicit HeaderFields(const QStringList& lines);

    // The first field of that name, unfolded, with blanks and control characters cut at both
    // ends; "" when there is none.
    QString Value(QStringView name) const;
    // Every field of that name, in header order.
    QStringList Values(QStringView name) const;
    qsizetype Count(QStringView name) const;
    // The first field of that name decoded for reading (DecodeHeaderText).
    QString Text(QStringView name) const;
    // The mailboxes of the first field of that name (ParseAddressList).
    QList<MailAddress> Addresses(QStringView name) const;

    const QList<Field>& Fields() const { return fields_; }

private:
    QList<Field> fields_;
};

// The text without leading and trailing characters up to code 32 (blanks, tabs, controls).
QString TrimHeaderBlanks(QStringView text);

} // namespace sievra
