#include "SenderLearning.h"

#include "PlainMailbox.h"
#include "addressbook/AddressValidity.h"
#include "mail/AutomaticMessage.h"
#include "mail/HeaderFields.h"
#include "mail/MailAddress.h"

namespace sievra {

namespace {

// The header as the guards read it, rebuilt from what the pass kept of the message.
HeaderFields GuardHeader(const MessageFields& fields) {
    QStringList lines = fields.GuardLines;
    const auto add = [&lines](const char* name, const QString& value) {
        if (!value.isEmpty()) {
            lines.append(QLatin1String(name) + QStringLiteral(": ") + value);
        }
    };
    add("From", fields.From);
    add("Reply-To", fields.ReplyTo);
    add("Return-Path", fields.ReturnPath);
    return HeaderFields(lines);
}

} // namespace

QString LearnableAddress(const MessageFields& fields) {
    // A second From field or a list of authors leaves open who wrote: nobody is learned.
    if (fields.FromCount != 1) {
        return QString();
    }
    const QList<MailAddress> from = ParseAddressList(fields.From);
    if (from.size() != 1) {
        return QString();
    }
    const QString& address = from.front().Address;
    return IsValidAddress(address) && IsPlainMailbox(address) ? address : QString();
}

QString LearningRefusal(const MessageFields& fields) {
    const HeaderFields header = GuardHeader(fields);
    if (const auto sign = FindAutomaticSign(header, ReplyAddressOf(header))) {
        return sign->Describe();
    }
    const QString& forged = fields.ForgedSender;
    return forged.isEmpty() ? QString() : QStringLiteral("forged sender (%1)").arg(forged);
}

QString ForgedSenderOf(const MessageFields& fields) {
    return fields.ForgedSender;
}

QString RememberedLine(const QString& address) {
    return QStringLiteral("Remembered %1 (code word)").arg(ShownAddress(address));
}

} // namespace sievra
