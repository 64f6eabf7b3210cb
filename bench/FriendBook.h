#pragma once

#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <QByteArray>
#include <QString>

namespace sievra::bench {

// The people the pass benchmarks know: message i of a mailbox comes from one of them.
inline constexpr int Friends = 200;

inline QString FriendAddress(int i) {
    return QStringLiteral("friend%1@example.org").arg(i % Friends);
}

// The same people as an address book for the engine and as the plain list the Python
// script reads.
struct FriendBook {
    QString BookPath;
    QString ListPath;
};

inline FriendBook WriteFriendBook(test::TestHome& home) {
    test::AddressBookBytes book(Friends + 1);
    QByteArray list;
    for (int i = 0; i < Friends; ++i) {
        book.Add(test::AddressBookBytes::Record(FriendAddress(i), QStringLiteral("Friend")));
        list += FriendAddress(i).toUtf8() + "\n";
    }
    return {home.WriteFile(QStringLiteral("book.wab"), book.Bytes()),
            home.WriteFile(QStringLiteral("book.txt"), list)};
}

} // namespace sievra::bench
