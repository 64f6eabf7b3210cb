#include "MailAddress.h"

#include "GMimeLibrary.h"
#include "GMimeText.h"
#include "HeaderText.h"

#include <algorithm>
#include <gmime/gmime.h>

namespace sievra {

namespace {

bool IsA(InternetAddress* address, GType type) {
    return g_type_check_instance_is_a(reinterpret_cast<GTypeInstance*>(address), type) != 0;
}

void AppendMailbox(InternetAddress* address, QList<MailAddress>& out) {
    auto* mailbox = reinterpret_cast<InternetAddressMailbox*>(address);
    MailAddress mail{WithoutControls(QString::fromUtf8(internet_address_get_name(address))),
                     QString::fromUtf8(internet_address_mailbox_get_addr(mailbox)),
                     {}};
    // The IDN conversion costs more than the parse; an all-ASCII address is its own ASCII form.
    const bool ascii = std::all_of(mail.Address.cbegin(), mail.Address.cend(),
                                   [](QChar c) { return c.unicode() < 0x80; });
    mail.AsciiAddress =
        ascii ? mail.Address : QString::fromUtf8(internet_address_mailbox_get_idn_addr(mailbox));
    if (mail.AsciiAddress.isEmpty()) {
        mail.AsciiAddress = mail.Address;
    }
    // An address with a line break in it is never a sender's; it could only do harm later.
    if (!mail.Address.isEmpty() && !HoldsControls(mail.Address) &&
        !HoldsControls(mail.AsciiAddress)) {
        out.append(mail);
    }
}

void AppendMailboxes(InternetAddressList* list, QList<MailAddress>& out) {
    const int count = internet_address_list_length(list);
    for (int i = 0; i < count; ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (IsA(address, internet_address_mailbox_get_type())) {
            AppendMailbox(address, out);
        } else if (IsA(address, internet_address_group_get_type())) {
            AppendMailboxes(internet_address_group_get_members(
                                reinterpret_cast<InternetAddressGroup*>(address)),
                            out);
        }
    }
}

} // namespace

QList<MailAddress> ParseAddressList(const QString& value) {
    QList<MailAddress> out;
    if (value.isEmpty()) {
        return out;
    }
    UseGMime();
    InternetAddressList* list = internet_address_list_parse(nullptr, CText(value).constData());
    if (list) {
        AppendMailboxes(list, out);
        g_object_unref(list);
    }
    return out;
}

} // namespace sievra
