#include "AddressBookBytes.h"

#include <QtEndian>

namespace sievra::test {

namespace {

void PutInt32(QByteArray& bytes, qsizetype offset, qint32 value) {
    if (bytes.size() < offset + 4) {
        bytes.resize(offset + 4, '\0');
    }
    qToLittleEndian<qint32>(value, bytes.data() + offset);
}

} // namespace

QByteArray AddressBookBytes::AddressMarker() {
    return QByteArray::fromHex("1f000330");
}

QByteArray AddressBookBytes::NameMarker() {
    return QByteArray::fromHex("1f000130");
}

QByteArray AddressBookBytes::Utf16(const QString& text) {
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

void AddressBookBytes::PutField(QByteArray& window, qsizetype at, const QByteArray& marker,
                                const QByteArray& text) {
    if (text.size() > 255) {
        qFatal("a field text holds at most 255 bytes");
    }
    const QByteArray field =
        marker + QByteArray(1, static_cast<char>(text.size())) + QByteArray(3, '\0') + text;
    if (window.size() < at + field.size()) {
        window.resize(at + field.size(), '\0');
    }
    window.replace(at, field.size(), field);
}

QByteArray AddressBookBytes::Record(const QString& address, const QString& name) {
    // Names up to 70 characters fit between 40 and 180; addresses may take all 255 bytes.
    if (name.size() > 70) {
        qFatal("display name too long for this record shape");
    }
    QByteArray window(WindowSize, '\0');
    PutField(window, 16, NameMarker(), Utf16(QStringLiteral("Deco")));
    PutField(window, 32, NameMarker(), Utf16(name));
    PutField(window, 180, AddressMarker(), Utf16(QStringLiteral("q@r.")));
    PutField(window, 196, AddressMarker(), Utf16(address));
    return window;
}

AddressBookBytes::AddressBookBytes(int indexSlots)
    : bytes_(IndexOffset + 8 * indexSlots, '\0')
    , slots_(indexSlots) {
    // The class id every such file begins with, by which a source is known as one.
    bytes_.replace(0, 16, QByteArray::fromHex("9ccbcb8d1375d211915800c04f7956a4"));
}

qint32 AddressBookBytes::Add(const QByteArray& record) {
    if (added_ >= slots_) {
        qFatal("no index slot left");
    }
    const auto offset = static_cast<qint32>(bytes_.size());
    bytes_.append(record);
    SetEntry(added_++, offset);
    return offset;
}

void AddressBookBytes::SetEntry(int i, qint32 offset) {
    PutInt32(bytes_, IndexOffset + 8 * i, offset);
}

QByteArray AddressBookBytes::Bytes() const {
    QByteArray bytes = bytes_;
    PutInt32(bytes, 100, highest_.value_or(added_ - 1));
    return bytes;
}

} // namespace sievra::test
