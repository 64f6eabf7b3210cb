#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace sievra::test {

// Builds address book files in the layout our reader expects: N at offset 100, the index
// table at 2224 (eight bytes an entry, the record offset first), and records after the table.
class AddressBookBytes {
public:
    static constexpr qint32 IndexOffset = 2224;
    static constexpr qsizetype WindowSize = 500;

    static QByteArray AddressMarker();            // 1F 00 03 30
    static QByteArray NameMarker();               // 1F 00 01 30
    static QByteArray Utf16(const QString& text); // UTF-16LE, no terminator

    // A 500-byte record window as the address book writes it: each field's marker twice, a
    // decoy text after the first and the real text after the second. Decoys are "q@r." and
    // "Deco", so a reader that takes the first occurrence is caught.
    static QByteArray Record(const QString& address, const QString& name = QString());
    // Writes a field at offset at: the marker, the length byte, three zeros and the text;
    // the window grows when the text runs past its end.
    static void PutField(QByteArray& window, qsizetype at, const QByteArray& marker,
                         const QByteArray& text);

    // Room for indexSlots entries in the table; records start after it.
    explicit AddressBookBytes(int indexSlots = 16);

    // Appends a record and points the next index entry at it; returns its offset.
    qint32 Add(const QByteArray& record);
    // N as written; by default the number of records added minus one.
    void SetHighest(qint32 n) { highest_ = n; }
    void SetEntry(int i, qint32 offset);
    QByteArray Bytes() const;

private:
    QByteArray bytes_;
    int slots_;
    int added_ = 0;
    std::optional<qint32> highest_;
};

} // namespace sievra::test
