// Arbitrary header lines: cutting values out of them, reading them with the header reader (GMime
// included) and deciding on them must never fail, and the results must keep the promises the
// engine relies on.
#include "engine/AcceptanceRules.h"
#include "mail/AuthenticationResults.h"
#include "mail/AutomaticMessage.h"
#include "mail/HeaderFields.h"
#include "mail/HeaderText.h"
#include "settings/JoinedList.h"

#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

using namespace sievra;

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

void CheckValue(const QStringList& lines, const QString& name) {
    const QString value = ExtractHeaderValue(lines, name);
    if (!value.isEmpty() && (IsBlank(value.front()) || IsBlank(value.back()))) {
        std::abort();
    }
    if (!value.isEmpty() && std::none_of(lines.begin(), lines.end(), [&](const QString& line) {
            return line.contains(value);
        })) {
        std::abort();
    }
    const QString address = ExtractAngleAddress(value);
    if (!value.contains(address) || (address != value && address.contains(QLatin1Char('>')))) {
        std::abort();
    }
}

// Decoded text and parsed addresses never carry a control character to a status line or a
// reply.
void CheckReader(const QStringList& lines, const QString& name) {
    const HeaderFields header(lines);
    if (header.Values(name).size() != header.Count(name) || HoldsControls(header.Text(name))) {
        std::abort();
    }
    for (const MailAddress& address : header.Addresses(name)) {
        if (address.Address.isEmpty() || HoldsControls(address.Address) ||
            HoldsControls(address.AsciiAddress) || HoldsControls(address.Name)) {
            std::abort();
        }
    }
}

// The reply guards: a sign or a verdict goes to a status line and a history as it is, so it
// carries no control character; a verdict is only ever one of the three failures.
void CheckGuards(const QStringList& lines) {
    const HeaderFields header(lines);
    const QString reply = ReplyAddressOf(header);
    const auto sign = FindAutomaticSign(header, reply);
    if (sign && (HoldsControls(sign->Describe()) || sign->Value.size() > 83)) {
        std::abort();
    }
    for (const QString& value : header.Values(u"Authentication-Results")) {
        for (const AuthResult& result : ParseAuthenticationResults(value)) {
            if (result.Method.isEmpty() || result.Result.isEmpty() ||
                result.Method != result.Method.toLower()) {
                std::abort();
            }
        }
    }
    const auto forged = FindForgedSender(header, reply);
    if (forged && *forged != QLatin1String("dmarc=fail") && *forged != QLatin1String("spf=fail") &&
        *forged != QLatin1String("dkim=fail, spf=fail")) {
        std::abort();
    }
}

bool IsDomainForm(const QString& entry) {
    return entry.startsWith(QLatin1Char('@')) || entry.startsWith(QLatin1Char('*'));
}

bool Decide(const QStringList& lines, HeaderReading reading, const AddressIndex& index,
            const QStringList& codeWords) {
    MessageLists lists;
    AppendHeaderValues(lines, lists, reading);
    return DecideMessage(lists, 0, index, codeWords);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = text.split(QLatin1Char('\n'));

    for (const char* name : {"From:", "Reply-to:", "Return-path:", "Subject:"}) {
        CheckValue(lines, QString::fromLatin1(name));
    }
    CheckValue(lines, lines.front().left(lines.front().size() / 2)); // any name, "" included
    for (const char* name : {"From", "Reply-To", "Return-Path", "Subject"}) {
        CheckReader(lines, QString::fromLatin1(name));
    }
    CheckReader(lines, lines.front().section(QLatin1Char(':'), 0, 0));
    CheckGuards(lines);

    // The lines double as address book, allowed senders and code words. An entry starting
    // with "@" or "*" is a domain form of the allowed senders, which only ever allows more:
    // the other entries must decide like a scan, and any entry the index holds accepts.
    MessageLists lists;
    AppendHeaderValues(lines, lists);
    if (lists.FromList.size() != 1 || lists.ReplyToList.size() != 1 ||
        lists.SubjectList.size() != 1) {
        std::abort();
    }
    const AddressIndex index(lines);
    const QStringList codeWords = SplitJoined(lines.back());
    const bool accepted = DecideMessage(lists, 0, index, codeWords);
    const QString from = lists.FromList[0];
    QStringList addressEntries;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(addressEntries),
                 [](const QString& entry) { return !IsDomainForm(entry); });
    const bool listed =
        std::any_of(addressEntries.begin(), addressEntries.end(),
                    [&](const QString& entry) { return entry.toUpper() == from.toUpper(); });
    if (listed != AddressIndex(addressEntries).Contains(from) ||
        (listed && !index.Contains(from)) || (index.Contains(from) && !accepted)) {
        std::abort();
    }
    // The reader may only ever keep more mail than the raw rule.
    if (!accepted && Decide(lines, HeaderReading::RawLines, index, codeWords)) {
        std::abort();
    }
    if (HoldsControls(ReplyAddressAsRead(lists.FieldsList[0], {}))) {
        std::abort(); // the reader parsed an address with a control character in it
    }
    return 0;
}
