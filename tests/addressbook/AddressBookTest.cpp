#include "addressbook/AddressBook.h"

#include "addressbook/StatusOutput.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace sievra;
using test::AddressBookBytes;

namespace {

struct StatusLine {
    QString Text;
    bool LabelOnly;
    bool ShowBar;
    bool operator==(const StatusLine&) const = default;
};

class CapturedStatus : public StatusOutput {
public:
    void WriteStatus(const QString& text, bool labelOnly, bool showBar) override {
        Lines.append({text, labelOnly, showBar});
    }
    QList<StatusLine> Lines;
};

// Descriptors of this process that refer to path (Linux keeps them under /proc/self/fd).
int OpenHandlesTo(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System)) {
        if (fd.symLinkTarget() == target) {
            ++count;
        }
    }
    return count;
}

class LoadBook : public testing::Test {
protected:
    bool Load(const QByteArray& bytes) {
        path = home.WriteFile(QStringLiteral("contacts.wab"), bytes);
        return LoadAddressBook(path, status, book);
    }
    test::TestHome home;
    QString path;
    CapturedStatus status;
    AddressBook book{"left over from the last pass"};
};

TEST_F(LoadBook, KeepsValidAddressesInFileOrderWithDuplicatesAndCapitals) {
    AddressBookBytes book_;
    for (const char* address :
         {"Anna.Berg@Example.ORG", "no-at-sign.example.org", "bob@example.org",
          "anna.berg@example.org", "bob@example.org", "@example.org"}) {
        book_.Add(AddressBookBytes::Record(address, "Someone"));
    }
    EXPECT_TRUE(Load(book_.Bytes()));
    EXPECT_EQ(book, QStringList({"Anna.Berg@Example.ORG", "bob@example.org",
                                 "anna.berg@example.org", "bob@example.org"}));
    EXPECT_TRUE(status.Lines.isEmpty());
}

TEST_F(LoadBook, FailuresWithoutStatusLines) {
    EXPECT_FALSE(Load(QByteArray(99, '\0')));
    EXPECT_TRUE(book.isEmpty()) << "emptied first";

    AddressBookBytes truncated;
    truncated.Add(AddressBookBytes::Record("kept@example.org"));
    truncated.Add(AddressBookBytes::Record("lost@example.org"));
    const QByteArray bytes = truncated.Bytes();
    EXPECT_FALSE(Load(bytes.left(bytes.size() - 1)));
    EXPECT_EQ(book, QStringList({"kept@example.org"})) << "read before the failure";
    EXPECT_EQ(OpenHandlesTo(path), 0) << "closed after a failure too";
    EXPECT_TRUE(status.Lines.isEmpty());
}

TEST_F(LoadBook, NoEntriesIsSuccessWithAnEmptyBook) {
    AddressBookBytes none;
    none.Add(AddressBookBytes::Record("unread@example.org"));
    none.SetHighest(-1);
    EXPECT_TRUE(Load(none.Bytes()));
    EXPECT_TRUE(book.isEmpty());

    AddressBookBytes invalidOnly;
    invalidOnly.Add(AddressBookBytes::Record("nobody"));
    EXPECT_TRUE(Load(invalidOnly.Bytes()));
    EXPECT_TRUE(book.isEmpty());
    EXPECT_TRUE(status.Lines.isEmpty());
}

TEST_F(LoadBook, EmptyPathIsLogged) {
    EXPECT_FALSE(LoadAddressBook(QString(), status, book));
    EXPECT_TRUE(book.isEmpty());
    ASSERT_EQ(status.Lines.size(), 1);
    EXPECT_EQ(
        status.Lines[0],
        (StatusLine{"<font color=\"clRed\"><B>No address book specified!</B>", false, false}));
}

TEST_F(LoadBook, UnopenableFileIsLoggedWithItsPath) {
    const QString missing = home.Path() + "/gone/contacts.wab";
    EXPECT_FALSE(LoadAddressBook(missing, status, book));
    EXPECT_FALSE(LoadAddressBook(home.Path(), status, book)) << "a folder";
    ASSERT_EQ(status.Lines.size(), 2);
    EXPECT_EQ(
        status.Lines[0],
        (StatusLine{"<font color=\"clRed\"><B>Unable to open " + missing + "!</B>", false, false}));
    EXPECT_EQ(status.Lines[1].Text,
              "<font color=\"clRed\"><B>Unable to open " + home.Path() + "!</B>");
    EXPECT_TRUE(book.isEmpty());
}

TEST_F(LoadBook, OthersMayWriteTheFileWhileItIsRead) {
    AddressBookBytes bytes;
    bytes.Add(AddressBookBytes::Record("one@example.org"));
    bytes.Add(AddressBookBytes::Record("two@example.org"));
    path = home.WriteFile(QStringLiteral("shared.wab"), bytes.Bytes());

    // The mail client keeps the book open for writing; we neither need nor take a lock.
    QFile writer(path);
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite));
    EXPECT_TRUE(LoadAddressBook(path, status, book));
    EXPECT_EQ(book.size(), 2);
    EXPECT_EQ(OpenHandlesTo(path), 1) << "only the writer's handle is left";
    EXPECT_TRUE(writer.seek(writer.size()));
    EXPECT_EQ(writer.write("appended"), 8);
}

} // namespace
